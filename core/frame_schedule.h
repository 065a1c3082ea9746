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

// visit(1), visit(2), ... visit(last), in order; false when a visit returns
// false. Counted from 0 while below `last`, so that even the largest value
// of its type ends the loop.
template <typename Count, typename Visit>
bool forEachBlock(Count last, Visit&& visit) {
  for (Count block = 0; block < last; ++block) {
    if (!visit(static_cast<Count>(block + 1))) return false;
  }
  return true;
}

// Runs every step in layout order: `blockStart(g)` is told when block g
// (0..G) begins, before its first step (the tail is no block of its own);
// `step(camera)` moves one frame of that camera. Either returns false to
// stop the walk; then the walk returns false. All counts are unsigned
// 32-bit, as the settings store them.
template <typename BlockStart, typename Step>
bool walkSchedule(const Layout& layout, BlockStart&& blockStart, Step&& step) {
  if (!blockStart(0u) || !stepsForEveryCamera(layout, 1, step)) return false;
  const bool blocks = forEachBlock(layout.numGop, [&](uint32_t block) {
    return blockStart(block) && stepsForEveryCamera(layout, layout.gopLength, step);
  });
  if (!blocks) return false;
  const uint32_t tail = tailStart(layout);
  return tail >= layout.numFrm || stepsForEveryCamera(layout, layout.numFrm - tail, step);
}

}  // namespace mvweave

#endif
