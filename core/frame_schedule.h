// The interleaved layout, as the order of copy steps both tools walk.
//
// With N cameras, L = GOPLength, G = NumGOP and F = NumFrm, the interleaved
// file holds: block 0, frame 0 of every camera; then blocks 1..G, each with L
// consecutive frames of camera 0, then of camera 1, and so on; then the tail,
// frames T = 1 + G x L up to F - 1 of camera 0, then of camera 1, and so on.
// For N = 2, L = 2, G = 2, F = 7 (writing cXfY for frame Y of camera X):
//   c0f0 c1f0 | c0f1 c0f2 c1f1 c1f2 | c0f3 c0f4 c1f3 c1f4 | c0f5 c0f6 c1f5 c1f6
// mvweave walks it reading cameras and writing the sequence, mvunweave walks
// the same order the other way, which is why one undoes the other.
#ifndef MVWEAVE_CORE_FRAME_SCHEDULE_H
#define MVWEAVE_CORE_FRAME_SCHEDULE_H

#include <cstdint>
#include <functional>

#include "run_settings.h"

namespace mvweave {

// All counts unsigned 32-bit and wrapping, as the settings store them.
struct FrameSchedule {
  uint32_t cameras;    // N
  uint32_t gopLength;  // L
  uint32_t numGop;     // G
  uint32_t numFrm;     // F
};

FrameSchedule scheduleOf(const RunSettings& settings);

// T = 1 + G x L (mod 2^32): the first frame of each camera's tail.
uint32_t tailStart(const FrameSchedule& schedule);

// The frames the walk takes from each camera: one in block 0, L in each of
// blocks 1..G, and the tail. Exact: even 1 + G x L needs no more than 64 bits.
uint64_t framesPerCamera(const FrameSchedule& schedule);

// N times that: the frames of the interleaved file. False when the count is
// beyond 64 bits.
bool framesInSequence(const FrameSchedule& schedule, uint64_t& frames);

// Told when block g (0..G) begins, before its first step; the tail is no
// block of its own.
using BlockStart = std::function<void(uint32_t block)>;

// Moves one frame of the given camera; false stops the walk.
using CopyStep = std::function<bool(uint32_t camera)>;

// Runs every step in layout order. False as soon as a step fails.
bool walkSchedule(const FrameSchedule& schedule, const BlockStart& blockStart,
                  const CopyStep& step);

}  // namespace mvweave

#endif
