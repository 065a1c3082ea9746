// The walk over the interleaved layout.
#include "frame_schedule.h"

#include <cstdio>

#include "run_settings.h"

namespace {

bool stepsFor(uint32_t camera, uint32_t count, const CopyStep& step) {
  for (uint32_t i = 0; i < count; ++i) {
    if (!step(camera)) return false;
  }
  return true;
}

}  // namespace

FrameSchedule scheduleOf(const RunSettings& run) {
  return FrameSchedule{static_cast<uint32_t>(run.cameraPaths.size()), run.gopLength, run.numGop,
                       run.numFrm};
}

uint32_t tailStart(const FrameSchedule& schedule) {
  return 1u + schedule.numGop * schedule.gopLength;
}

bool walkSchedule(const FrameSchedule& schedule, bool verbose, const CopyStep& step) {
  if (verbose) std::fputs("\n* Processing GOP(0)\n", stdout);
  for (uint32_t camera = 0; camera < schedule.cameras; ++camera) {
    if (!step(camera)) return false;
  }

  for (uint32_t block = 0; block < schedule.numGop; ++block) {
    if (verbose) std::printf("* Processing GOP(%u)\n", block + 1);
    for (uint32_t camera = 0; camera < schedule.cameras; ++camera) {
      if (!stepsFor(camera, schedule.gopLength, step)) return false;
    }
  }

  // The tail has no progress line.
  const uint32_t tail = tailStart(schedule);
  if (tail >= schedule.numFrm) return true;
  for (uint32_t camera = 0; camera < schedule.cameras; ++camera) {
    if (!stepsFor(camera, schedule.numFrm - tail, step)) return false;
  }
  return true;
}
