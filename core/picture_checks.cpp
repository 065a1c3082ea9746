// The picture format of a run, checked against the Y4M inputs.
#include "picture_checks.h"

namespace mvweave {

namespace {

std::string sizeAndFormat(const PictureFormat& format) {
  return std::to_string(format.width) + "x" + std::to_string(format.height) + " " +
         describe(format);
}

}  // namespace

const FrameSource* firstY4mSource(const std::vector<FrameSource>& sources) {
  for (const FrameSource& source : sources) {
    if (source.y4m()) return &source;
  }
  return nullptr;
}

PictureFormat pictureFormatOf(const Request& request, const FrameSource* firstY4m,
                              const Grid& tiles) {
  PictureFormat format;
  PictureFormat header;
  if (firstY4m != nullptr) {
    const bool supported = formatOfY4mHeader(*firstY4m->y4m(), header);
    // A size that is no whole number of tiles is refused by checkY4mHeaders.
    format.width = header.width / tiles.columns;
    format.height = header.height / tiles.rows;
    // An unsupported colour space is refused by checkY4mHeaders.
    if (supported) format.chroma = header.chroma;
    if (supported) format.bitDepth = header.bitDepth;
  }
  format.width = request.width.value_or(format.width);
  format.height = request.height.value_or(format.height);
  format.chroma = request.chromaFormat.value_or(format.chroma);
  format.bitDepth = request.bitDepth.value_or(format.bitDepth);
  format.planar = request.chromaFormat || request.bitDepth || firstY4m != nullptr;
  return format;
}

std::string formatOriginOf(const Request& request, const FrameSource* firstY4m) {
  const int given = int{request.width.has_value()} + int{request.height.has_value()} +
                    int{request.chromaFormat.has_value()} + int{request.bitDepth.has_value()};
  if (firstY4m == nullptr || given == 4) return "as the configuration gives them";
  const std::string header = "the header of " + firstY4m->name();
  if (given == 0) return "as " + header + " gives them";
  return "as the configuration and " + header + " give them";
}

Status checkY4mHeaders(const std::vector<FrameSource>& sources, const PictureFormat& format,
                       const std::string& formatOrigin) {
  for (const FrameSource& source : sources) {
    if (!source.y4m()) continue;
    PictureFormat header;
    if (!formatOfY4mHeader(*source.y4m(), header)) {
      return problemWith(Problem::kUnsupportedFormat, source.path(), 0,
                         "the Y4M colour space C" + source.y4m()->colourSpace +
                             " is not 4:0:0, 4:2:0, 4:2:2 or 4:4:4 at 8 to 16 bits",
                         source.camera());
    }
    if (header.width != format.width || header.height != format.height ||
        header.chroma != format.chroma || header.bitDepth != format.bitDepth) {
      // The first Y4M input differs from its own header only where the
      // configuration set something.
      const bool first = &source == firstY4mSource(sources);
      return problemWith(Problem::kY4mMismatch, source.path(), 0,
                         "its header says " + sizeAndFormat(header) +
                             ", but the run's pictures are " + sizeAndFormat(format) + ", " +
                             (first ? "as the configuration gives them" : formatOrigin),
                         source.camera());
    }
  }
  return {};
}

Status checkY4mTiles(const FrameSource& sequence, const Packing& packing, const Grid& grid) {
  if (!sequence.y4m()) return {};
  const Y4mHeader& header = *sequence.y4m();
  if (header.width % grid.columns == 0 && header.height % grid.rows == 0) return {};
  return problemWith(Problem::kY4mMismatch, sequence.path(), 0,
                     "its header says " + std::to_string(header.width) + "x" +
                         std::to_string(header.height) + ", which is no grid of " +
                         std::to_string(grid.columns) + " x " + std::to_string(grid.rows) +
                         " equal pictures (Packing " + nameOf(packing) + ")");
}

}  // namespace mvweave
