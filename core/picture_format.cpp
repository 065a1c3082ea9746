// Frame sizes, computed exactly: 4:4:4 at 16 bits can need more than 64 bits
// to say how far out of range a picture size is.
#include "picture_format.h"

#include <algorithm>

namespace mvweave {

namespace {

// A count of up to 2^64 x 2^32 bytes: low + 2^64 x high.
struct ByteCount {
  uint64_t low = 0;
  uint32_t high = 0;

  void add(uint64_t bytes) {
    low += bytes;
    if (low < bytes) ++high;
  }

  bool fitsIn32Bits() const { return high == 0 && low <= UINT32_MAX; }

  std::string decimal() const {
    std::string text = std::to_string(low);
    for (uint32_t i = 0; i < high; ++i) text = decimalSum(text, "18446744073709551616");
    return text;
  }

  static std::string decimalSum(const std::string& a, const std::string& b) {
    std::string sum;
    int carry = 0;
    for (size_t i = 0; i < std::max(a.size(), b.size()) || carry != 0; ++i) {
      const int digit = carry + (i < a.size() ? a[a.size() - 1 - i] - '0' : 0) +
                        (i < b.size() ? b[b.size() - 1 - i] - '0' : 0);
      sum.insert(sum.begin(), static_cast<char>('0' + digit % 10));
      carry = digit / 10;
    }
    return sum;
  }
};

bool isSupported(const PictureFormat& format) {
  const bool knownChroma =
      format.chroma == 400 || format.chroma == 420 || format.chroma == 422 || format.chroma == 444;
  return knownChroma && format.bitDepth >= 8 && format.bitDepth <= 16;
}

ByteCount bytesPerFrame(const PictureFormat& format) {
  const uint64_t luma = uint64_t{format.width} * format.height;
  ByteCount bytes;
  if (!format.planar) {
    bytes.add(luma);
    bytes.add(luma / 2);
    return bytes;
  }
  const uint64_t halfWidth = (uint64_t{format.width} + 1) / 2;
  const uint64_t halfHeight = (uint64_t{format.height} + 1) / 2;
  uint64_t chroma = 0;
  switch (format.chroma) {
    case 420: chroma = halfWidth * halfHeight; break;
    case 422: chroma = halfWidth * format.height; break;
    case 444: chroma = luma; break;
    default: break;  // 4:0:0, luma only
  }
  const int samplesBytes = format.bitDepth > 8 ? 2 : 1;
  for (int i = 0; i < samplesBytes; ++i) {
    bytes.add(luma);
    bytes.add(chroma);
    bytes.add(chroma);
  }
  return bytes;
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
  Status status = problemWith(Problem::kUnsupportedFormat);
  status.detail = "ChromaFormat " + std::to_string(format.chroma) + " and BitDepth " +
                  std::to_string(format.bitDepth) +
                  ": ChromaFormat is one of 400, 420, 422, 444 and BitDepth 8 to 16";
  return status;
}

Status frameSizeOf(const PictureFormat& format, uint32_t& frameSize) {
  if (Status status = checkSupported(format); !status.ok()) return status;
  const ByteCount bytes = bytesPerFrame(format);
  if (!bytes.fitsIn32Bits()) {
    Status status = problemWith(Problem::kFrameSizeOutOfRange);
    status.detail = "Width x Height " + std::to_string(format.width) + " x " +
                    std::to_string(format.height) + " needs " + bytes.decimal() +
                    " bytes per frame, more than 4294967295";
    return status;
  }
  frameSize = static_cast<uint32_t>(bytes.low);
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
