// Frame sizes, computed exactly where they fit in 64 bits.
#include "picture_format.h"

#include "counts.h"

namespace mvweave {

namespace {

bool isSupported(const PictureFormat& format) {
  const bool knownChroma =
      format.chroma == 400 || format.chroma == 420 || format.chroma == 422 || format.chroma == 444;
  return knownChroma && format.bitDepth >= 8 && format.bitDepth <= 16;
}

// sum += more; false when the sum no longer fits in 64 bits.
bool addTo(uint64_t& sum, uint64_t more) {
  if (more > UINT64_MAX - sum) return false;
  sum += more;
  return true;
}

// Bytes per frame; false when more than 64 bits can say.
bool bytesPerFrame(const PictureFormat& format, uint64_t& bytes) {
  const uint64_t luma = uint64_t{format.width} * format.height;
  bytes = luma;
  if (!format.planar) return addTo(bytes, luma / 2);
  const uint64_t halfWidth = (uint64_t{format.width} + 1) / 2;
  const uint64_t halfHeight = (uint64_t{format.height} + 1) / 2;
  uint64_t chroma = 0;
  switch (format.chroma) {
    case 420: chroma = halfWidth * halfHeight; break;
    case 422: chroma = halfWidth * format.height; break;
    case 444: chroma = luma; break;
    default: break;  // 4:0:0, luma only
  }
  for (int plane = 0; plane < 2; ++plane) {
    if (!addTo(bytes, chroma)) return false;
  }
  return format.bitDepth == 8 || addTo(bytes, bytes);  // two bytes a sample above 8 bits
}

}  // namespace

PictureFormat pictureFormatOf(const RunSettings& settings) {
  PictureFormat format;
  format.width = settings.width;
  format.height = settings.height;
  format.chroma = settings.chromaFormat;
  format.bitDepth = settings.bitDepth;
  format.planar = settings.pictureFormatGiven();
  return format;
}

Status checkSupported(const PictureFormat& format) {
  if (!format.planar || isSupported(format)) return {};
  return problemWith(Problem::kUnsupportedFormat, "", 0,
                     "ChromaFormat " + std::to_string(format.chroma) + " and BitDepth " +
                         std::to_string(format.bitDepth) +
                         ": ChromaFormat is one of 400, 420, 422, 444 and BitDepth 8 to 16");
}

Status frameSizeOf(const PictureFormat& format, uint32_t& frameSize) {
  if (Status status = checkSupported(format); !status.ok()) return status;
  uint64_t bytes = 0;
  const bool counted = bytesPerFrame(format, bytes);
  if (!counted || bytes > UINT32_MAX) {
    return problemWith(Problem::kFrameSizeOutOfRange, "", 0,
                       "Width x Height " + std::to_string(format.width) + " x " +
                           std::to_string(format.height) + " needs " + countText(bytes, counted) +
                           " bytes per frame, more than 4294967295");
  }
  frameSize = static_cast<uint32_t>(bytes);
  return {};
}

std::string describe(const PictureFormat& format) {
  const std::string chroma = std::to_string(format.chroma);
  std::string text = chroma.size() == 3
                         ? chroma.substr(0, 1) + ":" + chroma.substr(1, 1) + ":" + chroma.substr(2)
                         : chroma;
  return text + " " + std::to_string(format.bitDepth) + "-bit";
}

}  // namespace mvweave
