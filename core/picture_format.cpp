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
  bytes = 0;
  for (const PlaneShape& plane : planesOf(format)) {
    if (!addTo(bytes, uint64_t{plane.width} * plane.height)) return false;
  }
  return format.bitDepth == 8 || addTo(bytes, bytes);  // two bytes a sample above 8 bits
}

}  // namespace

bool formatOfY4mHeader(const Y4mHeader& header, PictureFormat& format) {
  format = PictureFormat{header.width, header.height, 420, 8, true};
  return formatOfColourSpace(header.colourSpace, format.chroma, format.bitDepth);
}

std::vector<PlaneShape> planesOf(const PictureFormat& format) {
  const PlaneShape luma{format.width, format.height};
  const uint32_t halfWidth = format.width / 2 + format.width % 2;  // rounded up
  const uint32_t halfHeight = format.height / 2 + format.height % 2;
  switch (format.chroma) {
    case 420: return {luma, {halfWidth, halfHeight}, {halfWidth, halfHeight}};
    case 422: return {luma, {halfWidth, format.height}, {halfWidth, format.height}};
    case 444: return {luma, luma, luma};
    default: return {luma};  // 4:0:0
  }
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
