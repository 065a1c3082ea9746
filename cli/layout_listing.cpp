// Writing the listing a block of lines at a time, every write checked.
#include "layout_listing.h"

#include <cinttypes>
#include <string>
#include <vector>

#include "frame_schedule.h"

namespace mvweave {

bool writeLayoutListing(const Layout& layout, uint32_t firstFrm, InterleavedFile interleaved,
                        std::FILE* out, const StopCheck& stopRequested) {
  const bool writes = interleaved == InterleavedFile::kWritten;
  uint64_t index = writes ? 0 : uint64_t{firstFrm} * layout.cameras;
  std::vector<uint64_t> nextFrame(layout.cameras, writes ? firstFrm : 0);
  std::string block = "index,camera,frame\n";
  bool written = true;
  const auto flush = [&] {
    written = !stopRequested() && std::fwrite(block.data(), 1, block.size(), out) == block.size();
    block.clear();
    return written;
  };
  char line[64];
  walkSchedule(
      layout, [](uint32_t) { return true; },
      [&](uint32_t camera) {
        const int length = std::snprintf(line, sizeof line, "%" PRIu64 ",%" PRIu32 ",%" PRIu64 "\n",
                                         index++, camera, nextFrame[camera]++);
        block.append(line, static_cast<size_t>(length));
        return block.size() < 60000 || flush();
      });
  return written && flush() && std::fflush(out) == 0;
}

}  // namespace mvweave
