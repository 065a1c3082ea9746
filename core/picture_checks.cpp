// The picture format of a run, checked against the Y4M inputs.
#include "picture_checks.h"

namespace mvweave {

namespace {

PictureFormat formatOfHeader(const Y4mHeader& header, bool& supported) {
  PictureFormat format;
  format.width = header.width;
  format.height = header.height;
  format.planar = true;
  supported = formatOfColourSpace(header.colourSpace, format.chroma, format.bitDepth);
  return format;
}

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
  bool supported = false;
  const PictureFormat header = formatOfHeader(*firstY4m->y4m(), supported);
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
  if (firstY4m == nullptr || allGiven) return "the settings";
  const bool noneGiven = !settings.widthGiven && !settings.heightGiven &&
                         !settings.chromaFormatGiven && !settings.bitDepthGiven;
  if (noneGiven) return firstY4m->name();
  return "the settings with " + firstY4m->name();
}

Status checkY4mHeaders(const std::vector<FrameSource>& sources, const PictureFormat& format,
                       const std::string& formatOrigin) {
  for (const FrameSource& source : sources) {
    if (!source.y4m()) continue;
    bool supported = false;
    const PictureFormat header = formatOfHeader(*source.y4m(), supported);
    if (!supported) {
      return problemWith(Problem::kUnsupportedFormat, source.name(), 0,
                         "the Y4M colour space C" + source.y4m()->colourSpace +
                             " is not 4:0:0, 4:2:0, 4:2:2 or 4:4:4 at 8 to 16 bits");
    }
    if (header.width != format.width || header.height != format.height ||
        header.chroma != format.chroma || header.bitDepth != format.bitDepth) {
      return problemWith(Problem::kY4mMismatch, source.name(), 0,
                         "the header says " + sizeAndFormat(header) + "; the run's format, " +
                             sizeAndFormat(format) + ", comes from " + formatOrigin);
    }
  }
  return {};
}

std::vector<std::string> geometryNotes(const std::vector<FrameSource>& sources,
                                       const PictureFormat& format, uint32_t frameSize) {
  std::vector<std::string> notes;
  if (frameSize == 0) return notes;
  for (const FrameSource& source : sources) {
    uint64_t bytes = 0;
    if (source.y4m() || source.identity().kind != FileKind::kRegular ||
        !source.lengthFromStart(bytes) || bytes % frameSize == 0) {
      continue;
    }
    notes.push_back(source.name() + ": " + std::to_string(bytes) +
                    " bytes is not a whole number of " + std::to_string(frameSize) +
                    "-byte frames (Width " + std::to_string(format.width) + ", Height " +
                    std::to_string(format.height) + ", " + describe(format) +
                    "); check Width, Height and the picture format");
  }
  PictureFormat planar = format;
  planar.planar = true;
  uint32_t planarSize = 0;
  const bool odd = format.width % 2 != 0 || format.height % 2 != 0;
  if (!format.planar && odd && frameSizeOf(planar, planarSize).ok()) {
    notes.push_back("Width " + std::to_string(format.width) + " and Height " +
                    std::to_string(format.height) +
                    ": frames are taken as P + P/2 = " + std::to_string(frameSize) +
                    " bytes; ChromaFormat = 420 gives the planar layout of ffmpeg and Y4M "
                    "files, " +
                    std::to_string(planarSize) + " bytes");
  }
  return notes;
}

Y4mHeader outputHeader(const PictureFormat& format, const FrameSource* firstY4m) {
  Y4mHeader header;
  if (firstY4m != nullptr) header = *firstY4m->y4m();
  header.width = format.width;
  header.height = format.height;
  uint32_t chroma = 0;
  uint32_t bitDepth = 0;
  const bool sameFormat = firstY4m != nullptr &&
                          formatOfColourSpace(header.colourSpace, chroma, bitDepth) &&
                          chroma == format.chroma && bitDepth == format.bitDepth;
  if (!sameFormat) header.colourSpace = colourSpaceOf(format.chroma, format.bitDepth);
  return header;
}

}  // namespace mvweave
