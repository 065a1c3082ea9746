#include "frame_schedule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace mvweave {
namespace {

struct WalkCase {
  FrameSchedule schedule;
  const char* cameras;  // the camera of every step, in order; | between blocks
  const char* blocks;   // the blocks begun, in order
};

// Runs the walk with a step that only records which camera it was given.
std::string walkedCameras(const FrameSchedule& schedule, std::string* blocks) {
  std::string cameras;
  blocks->clear();
  const bool completed = walkSchedule(
      schedule, [blocks](uint32_t block) { *blocks += std::to_string(block); },
      [&cameras](uint32_t camera) {
        cameras += static_cast<char>('0' + camera);
        return true;
      });
  EXPECT_TRUE(completed);
  return cameras;
}

TEST(WalkSchedule, VisitsTheLayoutInOrder) {
  const char* gop0 = "0";
  const char* gop01 = "01";
  const char* gop012 = "012";
  const WalkCase cases[] = {
      // N, L, G, F
      {{2, 2, 2, 7}, "01|0011|0011|0011", gop012},  // the worked example
      {{2, 8, 1, 0}, "01|0000000011111111", gop01},
      {{2, 2, 1, 6}, "01|0011|000111", gop01},    // F = T + 3
      {{2, 2, 1, 3}, "01|0011", gop01},           // F = T
      {{2, 4, 0, 4}, "01|000111", gop0},          // G = 0
      {{2, 0, 2, 0}, "01", gop012},               // L = 0
      {{2, 0, 2, 3}, "01|0011", gop012},          // L = 0, tail
      {{0, 2, 2, 9}, "", gop012},                 // N = 0
      {{1, 3, 2, 11}, "0|000|000|0000", gop012},  // N = 1
      {{3, 1, 1, 0}, "012|012", gop01},
  };
  for (const WalkCase& c : cases) {
    const FrameSchedule& s = c.schedule;
    const std::string what = "N=" + std::to_string(s.cameras) +
                             " L=" + std::to_string(s.gopLength) +
                             " G=" + std::to_string(s.numGop) + " F=" + std::to_string(s.numFrm);
    std::string blocks;
    std::string cameras = c.cameras;
    cameras.erase(std::remove(cameras.begin(), cameras.end(), '|'), cameras.end());
    EXPECT_EQ(walkedCameras(s, &blocks), cameras) << what;
    EXPECT_EQ(blocks, c.blocks) << what;
  }
}

TEST(FramesPerCamera, CountsWhatTheWalkTakesInSixtyFourBits) {
  const struct {
    FrameSchedule schedule;
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
    EXPECT_EQ(framesPerCamera(c.schedule), c.perCamera);
    uint64_t frames = 0;
    EXPECT_TRUE(framesInSequence(c.schedule, frames));
    EXPECT_EQ(frames, c.inSequence);
  }
  uint64_t frames = 0;
  EXPECT_FALSE(framesInSequence({8, UINT32_MAX, UINT32_MAX, 0}, frames));  // beyond 64 bits
}

TEST(WalkSchedule, StopsAtTheFirstFailedStep) {
  int steps = 0;
  std::string blocks;
  const bool completed = walkSchedule(
      {2, 2, 2, 7}, [&blocks](uint32_t block) { blocks += std::to_string(block); },
      [&steps](uint32_t) { return ++steps < 4; });
  EXPECT_FALSE(completed);
  EXPECT_EQ(steps, 4);
  EXPECT_EQ(blocks, "01");
}

TEST(WalkSchedule, EndsEvenForTheLargestBlockCount) {
  // G = 4294967295 empty blocks: the block counter must not wrap around.
  int steps = 0;
  EXPECT_TRUE(walkSchedule(
      {0, 5, UINT32_MAX, 0}, [](uint32_t) {}, [&steps](uint32_t) { return ++steps > 0; }));
  EXPECT_EQ(steps, 0);
}

}  // namespace
}  // namespace mvweave
