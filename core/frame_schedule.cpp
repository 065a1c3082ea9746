// The walk over the interleaved layout.
#include "frame_schedule.h"

namespace mvweave {

namespace {

bool stepsFor(uint32_t camera, uint32_t count, const CopyStep& step) {
  for (uint32_t i = 0; i < count; ++i) {
    if (!step(camera)) return false;
  }
  return true;
}

}  // namespace

FrameSchedule scheduleOf(const RunSettings& settings) {
  return FrameSchedule{static_cast<uint32_t>(settings.cameraPaths.size()), settings.gopLength,
                       settings.numGop, settings.numFrm};
}

uint32_t tailStart(const FrameSchedule& schedule) {
  return 1u + schedule.numGop * schedule.gopLength;
}

uint64_t framesPerCamera(const FrameSchedule& schedule) {
  const uint32_t tail = tailStart(schedule);
  const uint64_t tailFrames = schedule.numFrm > tail ? schedule.numFrm - tail : 0;
  return 1 + uint64_t{schedule.numGop} * schedule.gopLength + tailFrames;
}

bool framesInSequence(const FrameSchedule& schedule, uint64_t& frames) {
  const uint64_t perCamera = framesPerCamera(schedule);
  if (schedule.cameras != 0 && perCamera > UINT64_MAX / schedule.cameras) return false;
  frames = perCamera * schedule.cameras;
  return true;
}

bool walkSchedule(const FrameSchedule& schedule, const BlockStart& blockStart,
                  const CopyStep& step) {
  blockStart(0);
  for (uint32_t camera = 0; camera < schedule.cameras; ++camera) {
    if (!step(camera)) return false;
  }

  // Counted from 0 while below G, so that even G = 2^32 - 1 ends.
  for (uint32_t block = 0; block < schedule.numGop; ++block) {
    blockStart(block + 1);
    for (uint32_t camera = 0; camera < schedule.cameras; ++camera) {
      if (!stepsFor(camera, schedule.gopLength, step)) return false;
    }
  }

  const uint32_t tail = tailStart(schedule);
  if (tail >= schedule.numFrm) return true;
  for (uint32_t camera = 0; camera < schedule.cameras; ++camera) {
    if (!stepsFor(camera, schedule.numFrm - tail, step)) return false;
  }
  return true;
}

}  // namespace mvweave
