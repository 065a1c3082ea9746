#include "frame_schedule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace mvweave {
namespace {

std::string describe(const Layout& layout) {
  return "N=" + std::to_string(layout.cameras) + " L=" + std::to_string(layout.gopLength) +
         " G=" + std::to_string(layout.numGop) + " F=" + std::to_string(layout.numFrm);
}

// The camera of every step and the blocks begun, in walk order.
std::string walked(const Layout& layout, std::string& blocks) {
  std::string cameras;
  blocks.clear();
  const bool completed = walkSchedule(
      layout,
      [&blocks](uint32_t block) {
        blocks += std::to_string(block);
        return true;
      },
      [&cameras](uint32_t camera) {
        cameras += static_cast<char>('0' + camera);
        return true;
      });
  EXPECT_TRUE(completed);
  return cameras;
}

// The walk visits the layout in order, and positionOf and frameAt name, for
// every step, the place it has in the walk and back.
TEST(Layout, WalkAndPositionsAgree) {
  const struct {
    Layout layout;
    const char* cameras;  // the camera of every step; | between blocks
    const char* blocks;
  } cases[] = {
      // N, L, G, F
      {{2, 2, 2, 7}, "01|0011|0011|0011", "012"},  // the worked example
      {{2, 8, 1, 0}, "01|0000000011111111", "01"},
      {{2, 2, 1, 6}, "01|0011|000111", "01"},    // F = T + 3
      {{2, 2, 1, 3}, "01|0011", "01"},           // F = T
      {{2, 4, 0, 4}, "01|000111", "0"},          // G = 0
      {{2, 0, 2, 0}, "01", "012"},               // L = 0
      {{2, 0, 2, 3}, "01|0011", "012"},          // L = 0, tail
      {{0, 2, 2, 9}, "", "012"},                 // N = 0
      {{1, 3, 2, 11}, "0|000|000|0000", "012"},  // N = 1
      {{3, 1, 1, 0}, "012|012", "01"},
  };
  for (const auto& c : cases) {
    std::string blocks;
    std::string cameras = c.cameras;
    cameras.erase(std::remove(cameras.begin(), cameras.end(), '|'), cameras.end());
    EXPECT_EQ(walked(c.layout, blocks), cameras) << describe(c.layout);
    EXPECT_EQ(blocks, c.blocks) << describe(c.layout);
    std::vector<uint64_t> nextFrame(c.layout.cameras);
    for (uint64_t step = 0; step < cameras.size(); ++step) {
      const auto camera = static_cast<uint32_t>(cameras[step] - '0');
      uint64_t position = 0;
      uint32_t atCamera = 0;
      uint64_t atFrame = 0;
      EXPECT_TRUE(positionOf(c.layout, camera, nextFrame[camera], position));
      EXPECT_EQ(position, step) << describe(c.layout) << " camera " << camera;
      EXPECT_TRUE(frameAt(c.layout, step, atCamera, atFrame));
      EXPECT_EQ(atCamera, camera) << describe(c.layout) << " step " << step;
      EXPECT_EQ(atFrame, nextFrame[camera]++) << describe(c.layout) << " step " << step;
    }
    uint64_t position = 0;
    uint32_t camera = 0;
    EXPECT_FALSE(frameAt(c.layout, cameras.size(), camera, position)) << describe(c.layout);
    EXPECT_FALSE(positionOf(c.layout, c.layout.cameras, 0, position)) << describe(c.layout);
  }
}

TEST(Layout, CountsWhatTheWalkTakesInSixtyFourBits) {
  const struct {
    Layout layout;
    uint64_t perCamera;
    uint64_t inSequence;
  } cases[] = {
      {{2, 8, 1, 0}, 9, 18},                             // the defaults: block 0 and one block
      {{3, 2, 2, 7}, 7, 21},                             // the worked example's tail
      {{1, 65536, 65536, 0}, 4294967297u, 4294967297u},  // past 32 bits
      // T = 1 + 2 x 2^31 wraps to 1 in 32 bits, as the walk counts: a tail of 9.
      {{1, 2147483648u, 2, 10}, 4294967306u, 4294967306u},
      {{0, 8, 1, 0}, 9, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(framesPerCamera(c.layout), c.perCamera);
    uint64_t frames = 0;
    EXPECT_TRUE(framesInSequence(c.layout, frames));
    EXPECT_EQ(frames, c.inSequence);
  }
  uint64_t frames = 0;
  EXPECT_FALSE(framesInSequence({8, UINT32_MAX, UINT32_MAX, 0}, frames));  // beyond 64 bits
  // The last frame of a wrapped tail, and back.
  uint64_t position = 0;
  uint32_t camera = 0;
  EXPECT_TRUE(positionOf({1, 2147483648u, 2, 10}, 0, 4294967305u, position));
  EXPECT_EQ(position, 4294967305u);
  EXPECT_TRUE(frameAt({1, 2147483648u, 2, 10}, 4294967305u, camera, frames));
  EXPECT_EQ(frames, 4294967305u);
}

// A step that fails stops the walk, and so does the start of a block (a
// stop asked for between blocks that hold no frames).
TEST(WalkSchedule, StopsWhereAStepOrABlockSaysSo) {
  int steps = 0;
  std::string blocks;
  const auto block = [&blocks](uint32_t g) {
    blocks += std::to_string(g);
    return g < 3;
  };
  EXPECT_FALSE(walkSchedule(Layout{2, 2, 2, 7}, block, [&steps](uint32_t) { return ++steps < 4; }));
  EXPECT_EQ(steps, 4);
  EXPECT_EQ(blocks, "01");
  blocks.clear();
  EXPECT_FALSE(walkSchedule(Layout{0, 5, UINT32_MAX, 0}, block, [](uint32_t) { return false; }));
  EXPECT_EQ(blocks, "0123");
}

// G = 4294967295 blocks: the block counter must not wrap around. The loop
// is the same for every width of counter, so it is run to the end at 16
// bits, with a count that tells an endless one.
TEST(WalkSchedule, EndsEvenForTheLargestBlockCount) {
  uint64_t visits = 0;
  uint16_t last = 0;
  EXPECT_TRUE(forEachBlock(uint16_t{UINT16_MAX}, [&](uint16_t block) {
    last = block;
    return ++visits <= UINT16_MAX;
  }));
  EXPECT_EQ(visits, UINT16_MAX);
  EXPECT_EQ(last, UINT16_MAX);
}

}  // namespace
}  // namespace mvweave
