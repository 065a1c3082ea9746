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

RunSettings settingsWithY4m(const RunSettings& settings, const FrameSource* firstY4m) {
  RunSettings result = settings;
  if (firstY4m == nullptr) return result;
  PictureFormat header;
  const bool supported = formatOfY4mHeader(*firstY4m->y4m(), header);
  if (!settings.widthGiven) result.width = header.width;
  if (!settings.heightGiven) result.height = header.height;
  if (!supported) return result;  // refused by checkY4mHeaders
  if (!settings.chromaFormatGiven) result.chromaFormat = header.chroma;
  if (!settings.bitDepthGiven) result.bitDepth = header.bitDepth;
  return result;
}

std::string formatOriginOf(const RunSettings& settings, const FrameSource* firstY4m) {
  const bool allGiven = settings.widthGiven && settings.heightGiven && settings.chromaFormatGiven &&
                        settings.bitDepthGiven;
  if (firstY4m == nullptr || allGiven) return "as the configuration gives them";
  const bool noneGiven = !settings.widthGiven && !settings.heightGiven &&
                         !settings.chromaFormatGiven && !settings.bitDepthGiven;
  const std::string header = "the header of " + firstY4m->name();
  if (noneGiven) return "as " + header + " gives them";
  return "as the configuration and " + header + " give them";
}

Status checkY4mHeaders(const std::vector<FrameSource>& sources, const PictureFormat& format,
                       const std::string& formatOrigin) {
  for (const FrameSource& source : sources) {
    if (!source.y4m()) continue;
    PictureFormat header;
    if (!formatOfY4mHeader(*source.y4m(), header)) {
      return problemWith(Problem::kUnsupportedFormat, source.name(), 0,
                         "the Y4M colour space C" + source.y4m()->colourSpace +
                             " is not 4:0:0, 4:2:0, 4:2:2 or 4:4:4 at 8 to 16 bits");
    }
    if (header.width != format.width || header.height != format.height ||
        header.chroma != format.chroma || header.bitDepth != format.bitDepth) {
      // The first Y4M input differs from its own header only where the
      // configuration set something.
      const bool first = &source == firstY4mSource(sources);
      return problemWith(Problem::kY4mMismatch, source.name(), 0,
                         "its header says " + sizeAndFormat(header) +
                             ", but the run's pictures are " + sizeAndFormat(format) + ", " +
                             (first ? "as the configuration gives them" : formatOrigin));
    }
  }
  return {};
}

}  // namespace mvweave
