// Writing the listing a block of lines at a time, every write checked.
#include "layout_listing.h"

#include <cinttypes>
#include <string>
#include <vector>

#include "frame_schedule.h"

namespace mvweave {

namespace {

// Lines gathered into blocks of about 60 kB, each written with one call.
class LineBlocks {
 public:
  LineBlocks(std::FILE* out, const StopCheck& stopRequested)
      : out_(out), stopRequested_(stopRequested) {}

  bool add(const char* line, int length) {
    block_.append(line, static_cast<size_t>(length));
    return block_.size() < 60000 || flush();
  }
  bool flush() {
    written_ = written_ && !stopRequested_() &&
               std::fwrite(block_.data(), 1, block_.size(), out_) == block_.size();
    block_.clear();
    return written_;
  }
  bool finish() { return flush() && std::fflush(out_) == 0; }

 private:
  std::FILE* out_;
  const StopCheck& stopRequested_;
  std::string block_;
  bool written_ = true;
};

bool listFrames(const Layout& layout, uint32_t firstFrm, bool writes, LineBlocks& lines) {
  uint64_t index = writes ? 0 : uint64_t{firstFrm} * layout.cameras;
  std::vector<uint64_t> nextFrame(layout.cameras, writes ? firstFrm : 0);
  char line[64];
  return walkSchedule(
      layout, [](uint32_t) { return true; },
      [&](uint32_t camera) {
        return lines.add(
            line, std::snprintf(line, sizeof line, "%" PRIu64 ",%" PRIu32 ",%" PRIu64 "\n", index++,
                                camera, nextFrame[camera]++));
      });
}

// Picture k holds frame k of every camera, the cameras row by row.
bool listPictures(const Layout& layout, uint32_t firstFrm, bool writes, const Tiles& tiles,
                  LineBlocks& lines) {
  const uint64_t pictures = framesPerCamera(layout);
  const uint64_t firstPicture = writes ? 0 : firstFrm;
  const uint64_t firstFrame = writes ? firstFrm : 0;
  char line[128];
  for (uint64_t k = 0; k < pictures; ++k) {
    for (uint32_t camera = 0; camera < layout.cameras; ++camera) {
      const uint64_t x = uint64_t{camera % tiles.grid.columns} * tiles.width;
      const uint64_t y = uint64_t{camera / tiles.grid.columns} * tiles.height;
      const int length = std::snprintf(
          line, sizeof line, "%" PRIu64 ",%" PRIu32 ",%" PRIu64 ",%" PRIu64 ",%" PRIu64 "\n",
          firstPicture + k, camera, firstFrame + k, x, y);
      if (!lines.add(line, length)) return false;
    }
  }
  return true;
}

}  // namespace

bool writeLayoutListing(const Layout& layout, uint32_t firstFrm, InterleavedFile interleaved,
                        const Tiles& tiles, std::FILE* out, const StopCheck& stopRequested) {
  const bool writes = interleaved == InterleavedFile::kWritten;
  LineBlocks lines(out, stopRequested);
  if (!tiles.grid.tiled()) {
    return lines.add("index,camera,frame\n", 19) && listFrames(layout, firstFrm, writes, lines) &&
           lines.finish();
  }
  return lines.add("picture,camera,frame,x,y\n", 25) &&
         listPictures(layout, firstFrm, writes, tiles, lines) && lines.finish();
}

}  // namespace mvweave
