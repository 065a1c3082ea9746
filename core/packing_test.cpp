#include "packing.h"

#include <gtest/gtest.h>

#include <string>

namespace mvweave {
namespace {

// The packed picture of each case, "128x48", or the problem's detail.
TEST(PackedFormat, TilesEveryPlaneOrRefuses) {
  const Packing sideBySide{Packing::Kind::kSideBySide};
  const Packing topBottom{Packing::Kind::kTopBottom};
  const Packing twoByTwo{Packing::Kind::kGrid, 2, 2};
  const struct {
    PictureFormat camera;
    Packing packing;
    uint32_t cameras;
    const char* packed;
  } cases[] = {
      {{64, 48, 420, 8, false}, sideBySide, 3, "192x48"},
      {{64, 48, 420, 8, false}, topBottom, 3, "64x144"},
      {{64, 48, 422, 10, true}, twoByTwo, 4, "128x96"},
      // Odd sizes: only where a chroma plane of half the size meets a
      // neighbour.
      {{63, 48, 420, 8, true}, topBottom, 2, "63x96"},
      {{63, 47, 444, 8, true}, twoByTwo, 4, "126x94"},
      {{63, 47, 400, 16, true}, twoByTwo, 4, "126x94"},
      {{64, 47, 422, 8, true}, twoByTwo, 4, "128x94"},
      {{64, 47, 420, 8, true}, sideBySide, 2, "128x47"},
      {{63, 48, 420, 8, true},
       sideBySide,
       2,
       "Packing side-by-side: Width 63 is odd, and 4:2:0 8-bit chroma planes of half the width "
       "cannot be tiled side by side"},
      {{63, 48, 422, 10, true},
       twoByTwo,
       4,
       "Packing 2x2: Width 63 is odd, and 4:2:2 10-bit chroma planes of half the width cannot "
       "be tiled side by side"},
      {{64, 47, 420, 8, true},
       topBottom,
       2,
       "Packing top-bottom: Height 47 is odd, and 4:2:0 8-bit chroma planes of half the height "
       "cannot be tiled one over another"},
      {{64, 48, 420, 8, true},
       twoByTwo,
       3,
       "Packing 2x2: 4 tiles for 3 cameras; a grid CxR holds one tile per camera"},
      {{64, 48, 420, 8, true},
       Packing{Packing::Kind::kGrid, 1, 1},
       2,
       "Packing 1x1: 1 tile for 2 cameras; a grid CxR holds one tile per camera"},
      // Beyond 32 bits: samples in a row, or bytes in a picture.
      {{2147483648u, 2, 444, 8, true},
       sideBySide,
       2,
       "Packing side-by-side of 2 pictures of Width x Height 2147483648 x 2 needs a packed "
       "picture of more than 4294967295 bytes"},
      {{32768, 32768, 420, 8, true},
       sideBySide,
       3,
       "Packing side-by-side of 3 pictures of Width x Height 32768 x 32768 needs a packed "
       "picture of more than 4294967295 bytes"},
  };
  for (const auto& c : cases) {
    PictureFormat packed;
    const Status status = packedFormatOf(c.camera, c.packing, c.cameras, packed);
    const std::string result =
        status.ok() ? std::to_string(packed.width) + "x" + std::to_string(packed.height)
                    : status.detail;
    EXPECT_EQ(result, c.packed) << nameOf(c.packing) << " of " << c.camera.width << "x"
                                << c.camera.height;
    if (status.ok()) {
      EXPECT_TRUE(packed.planar);
      EXPECT_EQ(packed.chroma, c.camera.chroma);
      EXPECT_EQ(packed.bitDepth, c.camera.bitDepth);
    }
  }
}

TEST(Packing, ReadsBackAsItsName) {
  for (const char* name : {"frames", "side-by-side", "top-bottom", "1x1", "3x2", "4294967295x7"}) {
    Packing packing;
    ASSERT_TRUE(packingNamed(name, packing)) << name;
    EXPECT_EQ(nameOf(packing), name);
  }
  Packing packing;
  for (const char* name : {"", "x", "1x", "x1", "0x1", "1x0", "01x1x", "1 x1", "+1x1", "sbs"}) {
    EXPECT_FALSE(packingNamed(name, packing)) << name;
  }
  const Packing sideBySide{Packing::Kind::kSideBySide};
  EXPECT_EQ(gridOf(sideBySide, 3), (Grid{3, 1}));
  EXPECT_EQ(gridOf(Packing{Packing::Kind::kTopBottom}, 3), (Grid{1, 3}));
  EXPECT_FALSE(gridOf(Packing{}, 3).tiled());
  EXPECT_FALSE(gridOf(sideBySide, 0).tiled());
}

}  // namespace
}  // namespace mvweave
