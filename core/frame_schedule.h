// The walk over the interleaved layout (mvweave/layout.h): the copy steps
// of both tools, in the order of the interleaved sequence.
#ifndef MVWEAVE_CORE_FRAME_SCHEDULE_H
#define MVWEAVE_CORE_FRAME_SCHEDULE_H

#include <cstdint>

#include "mvweave/layout.h"

namespace mvweave {

// Runs every step in layout order: `blockStart(g)` is told when block g
// (0..G) begins, before its first step (the tail is no block of its own);
// `step(camera)` moves one frame of that camera and returns false to stop
// the walk. False when a step stopped it. All counts are unsigned 32-bit,
// as the settings store them.
template <typename BlockStart, typename Step>
bool walkSchedule(const Layout& layout, BlockStart&& blockStart, Step&& step) {
  const auto stepsFor = [&step](uint32_t camera, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
      if (!step(camera)) return false;
    }
    return true;
  };
  blockStart(0u);
  for (uint32_t camera = 0; camera < layout.cameras; ++camera) {
    if (!step(camera)) return false;
  }
  // Counted from 0 while below G, so that even G = 2^32 - 1 ends.
  for (uint32_t block = 0; block < layout.numGop; ++block) {
    blockStart(block + 1);
    for (uint32_t camera = 0; camera < layout.cameras; ++camera) {
      if (!stepsFor(camera, layout.gopLength)) return false;
    }
  }
  const uint32_t tail = tailStart(layout);
  for (uint32_t camera = 0; camera < layout.cameras && tail < layout.numFrm; ++camera) {
    if (!stepsFor(camera, layout.numFrm - tail)) return false;
  }
  return true;
}

}  // namespace mvweave

#endif
