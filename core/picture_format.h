// What a frame is: the picture size and, when the configuration gives
// ChromaFormat or BitDepth, the planar layout of ffmpeg and Y4M files. The
// tools never look inside a frame; the format only fixes its size in bytes.
//
// Without the format keys a frame is P + P/2 bytes, rounded down, with
// P = Width x Height, as configurations have always counted. With either
// key a frame is a luma plane of Width x Height samples and two chroma
// planes of ceil(Width/2) x ceil(Height/2) (4:2:0), ceil(Width/2) x Height
// (4:2:2), Width x Height (4:4:4) or none (4:0:0), at 2 bytes a sample above
// 8 bits (little-endian, as ffmpeg's *le formats are written).
#ifndef MVWEAVE_CORE_PICTURE_FORMAT_H
#define MVWEAVE_CORE_PICTURE_FORMAT_H

#include <cstdint>
#include <string>
#include <vector>

#include "mvweave/status.h"
#include "y4m.h"

namespace mvweave {

struct PictureFormat {
  uint32_t width = 640;
  uint32_t height = 480;
  uint32_t chroma = 420;  // 400, 420, 422 or 444
  uint32_t bitDepth = 8;  // 8 to 16
  bool planar = false;    // false: P + P/2 bytes
};

// The format a Y4M header gives; false for a colour space the tools do not
// handle.
bool formatOfY4mHeader(const Y4mHeader& header, PictureFormat& format);

// One plane of a planar frame, in samples.
struct PlaneShape {
  uint32_t width;
  uint32_t height;
};

// The planes of a planar frame, in the order they are stored: Y, then U and
// V (none in 4:0:0). Every sample is sampleBytes() bytes.
std::vector<PlaneShape> planesOf(const PictureFormat& format);
inline uint32_t sampleBytes(const PictureFormat& format) { return format.bitDepth > 8 ? 2 : 1; }

// kUnsupportedFormat for a chroma format or bit depth the tools do not handle.
Status checkSupported(const PictureFormat& format);

// Bytes per frame, when it fits in 32 bits; kUnsupportedFormat or
// kFrameSizeOutOfRange (with the exact size in the detail) otherwise.
Status frameSizeOf(const PictureFormat& format, uint32_t& frameSize);

// "4:2:0 8-bit", for messages.
std::string describe(const PictureFormat& format);

}  // namespace mvweave

#endif
