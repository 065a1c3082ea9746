#include "run_settings.h"

#include <gtest/gtest.h>

namespace mvweave {
namespace {

TEST(RunSettings, StartsWithTheDefaults) {
  const RunSettings run;
  EXPECT_EQ(run.firstFrm, 0u);
  EXPECT_EQ(run.gopLength, 8u);
  EXPECT_EQ(run.numGop, 1u);
  EXPECT_EQ(run.numFrm, 0u);
  EXPECT_EQ(run.width, 640u);
  EXPECT_EQ(run.height, 480u);
  EXPECT_FALSE(run.verbose);
  EXPECT_TRUE(run.sequencePath.empty());
  EXPECT_TRUE(run.cameraPaths.empty());
}

TEST(ComputeFrameSize, IsExactOrRefused) {
  const struct {
    uint32_t width, height;
    bool inRange;
    uint32_t frameSize;
  } cases[] = {
      {640, 480, true, 460800},
      {352, 288, true, 152064},
      {1920, 1080, true, 3110400},
      {3, 3, true, 13},  // the halving rounds down
      {0, 480, true, 0},
      {640, 0, true, 0},
      {2, 1431655765, true, 4294967295u},    // the largest frame
      {2, 1431655766, false, 0},             // one pixel pair more
      {65536, 65536, false, 0},              // P itself wraps in 32 bits
      {4294967295u, 1, false, 0},            // a configured -1
      {2863575501u, 4294571377u, false, 0},  // P + P/2 wraps even in 64 bits
      {4294967295u, 4294967295u, false, 0},
  };
  for (const auto& c : cases) {
    uint32_t frameSize = 0;
    EXPECT_EQ(computeFrameSize(c.width, c.height, frameSize), c.inRange)
        << c.width << "x" << c.height;
    if (c.inRange) {
      EXPECT_EQ(frameSize, c.frameSize) << c.width << "x" << c.height;
    }
  }
}

}  // namespace
}  // namespace mvweave
