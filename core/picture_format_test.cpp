#include "picture_format.h"

#include <gtest/gtest.h>

#include <string>

namespace mvweave {
namespace {

constexpr bool kLegacy = false;
constexpr bool kPlanar = true;

TEST(FrameSizeOf, IsExactOrRefused) {
  const struct {
    PictureFormat format;
    Problem problem;
    uint32_t frameSize;  // or, when refused, the detail
    const char* detail;
  } cases[] = {
      // Without the format keys: P + P/2, rounded down.
      {{640, 480, 420, 8, kLegacy}, Problem::kNone, 460800, ""},
      {{352, 288, 420, 8, kLegacy}, Problem::kNone, 152064, ""},
      {{3, 3, 420, 8, kLegacy}, Problem::kNone, 13, ""},  // the halving rounds down
      {{175, 143, 420, 8, kLegacy}, Problem::kNone, 37537, ""},
      {{0, 480, 420, 8, kLegacy}, Problem::kNone, 0, ""},
      {{2, 1431655765, 420, 8, kLegacy}, Problem::kNone, 4294967295u, ""},  // the largest
      {{2, 1431655766, 420, 8, kLegacy},
       Problem::kFrameSizeOutOfRange,
       0,
       "Width x Height 2 x 1431655766 needs 4294967298 bytes per frame, more than 4294967295"},
      {{65536, 65536, 420, 8, kLegacy}, Problem::kFrameSizeOutOfRange, 0, ""},    // P wraps in 32
      {{4294967295u, 1, 420, 8, kLegacy}, Problem::kFrameSizeOutOfRange, 0, ""},  // a -1
      {{2863575501u, 4294571377u, 420, 8, kLegacy},
       Problem::kFrameSizeOutOfRange,
       0,
       "Width x Height 2863575501 x 4294571377 needs more than 18446744073709551615 bytes per "
       "frame, "
       "more than 4294967295"},  // wraps even in 64 bits
      // Planar: chroma planes rounded up, two bytes a sample above 8 bits.
      {{175, 143, 420, 8, kPlanar}, Problem::kNone, 37697, ""},
      {{3, 3, 420, 8, kPlanar}, Problem::kNone, 17, ""},
      {{352, 288, 420, 10, kPlanar}, Problem::kNone, 304128, ""},
      {{352, 288, 422, 8, kPlanar}, Problem::kNone, 202752, ""},
      {{175, 143, 422, 12, kPlanar}, Problem::kNone, 100386, ""},
      {{352, 288, 444, 8, kPlanar}, Problem::kNone, 304128, ""},
      {{352, 288, 400, 16, kPlanar}, Problem::kNone, 202752, ""},
      {{352, 288, 420, 9, kPlanar}, Problem::kNone, 304128, ""},  // 9 bits take two bytes
      {{70000, 70000, 420, 8, kPlanar},
       Problem::kFrameSizeOutOfRange,
       0,
       "Width x Height 70000 x 70000 needs 7350000000 bytes per frame, more than 4294967295"},
      {{4294967295u, 4294967295u, 444, 16, kPlanar},
       Problem::kFrameSizeOutOfRange,
       0,
       "Width x Height 4294967295 x 4294967295 needs more than 18446744073709551615 bytes per "
       "frame, "
       "more than 4294967295"},
      {{352, 288, 421, 8, kPlanar}, Problem::kUnsupportedFormat, 0, ""},
      {{352, 288, 420, 7, kPlanar}, Problem::kUnsupportedFormat, 0, ""},
      {{352, 288, 420, 17, kPlanar}, Problem::kUnsupportedFormat, 0, ""},
  };
  for (const auto& c : cases) {
    const std::string what = std::to_string(c.format.width) + "x" +
                             std::to_string(c.format.height) + " " + describe(c.format);
    if (c.format.chroma == 400 && c.format.bitDepth == 16) {
      EXPECT_EQ(describe(c.format), "4:0:0 16-bit");
    }
    if (c.frameSize == 460800) {
      EXPECT_EQ(describe(c.format), "4:2:0 8-bit");
    }
    uint32_t frameSize = 0;
    const Status status = frameSizeOf(c.format, frameSize);
    EXPECT_EQ(status.problem, c.problem) << what;
    if (status.ok()) {
      EXPECT_EQ(frameSize, c.frameSize) << what;
    } else if (*c.detail != '\0') {
      EXPECT_EQ(status.detail, c.detail) << what;
    }
  }
}

}  // namespace
}  // namespace mvweave
