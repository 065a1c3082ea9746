// The walk over the interleaved layout (mvweave/layout.h): the copy steps
// of both tools, in the order of the interleaved sequence.
#ifndef MVWEAVE_CORE_FRAME_SCHEDULE_H
#define MVWEAVE_CORE_FRAME_SCHEDULE_H

#include <cstdint>

#include "mvweave/layout.h"

namespace mvweave {

// `count` steps for every camera in order; false when a step stops the walk.
template <typename Step>
bool stepsForEveryCamera(const Layout& layout, uint32_t count, Step& step) {
  for (uint32_t camera = 0; camera < layout.cameras; ++camera) {
    for (uint32_t i = 0; i < count; ++i) {
      if (!step(camera)) return false;
    }
  }
  return true;
}

// Runs every step in layout order: `blockStart(g)` is told when block g
// (0..G) begins, before its first step (the tail is no block of its own);
// `step(camera)` moves one frame of that camera and returns false to stop
// the walk. False when a step stopped it. All counts are unsigned 32-bit,
// as the settings store them.
template <typename BlockStart, typename Step>
bool walkSchedule(const Layout& layout, BlockStart&& blockStart, Step&& step) {
  blockStart(0u);
  if (!stepsForEveryCamera(layout, 1, step)) return false;
  // Counted from 0 while below G, so that even G = 2^32 - 1 ends.
  for (uint32_t block = 0; block < layout.numGop; ++block) {
    blockStart(block + 1);
    if (!stepsForEveryCamera(layout, layout.gopLength, step)) return false;
  }
  const uint32_t tail = tailStart(layout);
  return tail >= layout.numFrm || stepsForEveryCamera(layout, layout.numFrm - tail, step);
}

}  // namespace mvweave

#endif
