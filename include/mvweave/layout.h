// The interleaved layout: where every frame of every camera sits in the one
// interleaved sequence. With N cameras, L = GOPLength, G = NumGOP and
// F = NumFrm, the sequence holds block 0, frame 0 of every camera; then
// blocks 1..G, each with L consecutive frames of camera 0, then of camera 1,
// and so on; then the tail, frames T = 1 + G x L up to F - 1 of camera 0,
// then of camera 1, and so on. For N = 2, L = 2, G = 2, F = 7 (writing cXfY
// for frame Y of camera X):
//   c0f0 c1f0 | c0f1 c0f2 c1f1 c1f2 | c0f3 c0f4 c1f3 c1f4 | c0f5 c0f6 c1f5 c1f6
// mvweave writes it from the camera files, mvunweave reads it back into
// them, which is why one undoes the other.
//
// The four numbers are unsigned 32-bit values and T is formed in 32 bits,
// as configurations have always counted; the counts below are exact.
#ifndef MVWEAVE_LAYOUT_H
#define MVWEAVE_LAYOUT_H

#include <cstdint>

namespace mvweave {

struct Layout {
  uint32_t cameras = 0;    // N
  uint32_t gopLength = 8;  // L
  uint32_t numGop = 1;     // G
  uint32_t numFrm = 0;     // F
};

// T = 1 + G x L (mod 2^32): where each camera's tail begins.
uint32_t tailStart(const Layout& layout);

// The frames the layout takes from each camera: one in block 0, L in each
// of blocks 1..G, and the tail.
uint64_t framesPerCamera(const Layout& layout);

// N times that: the frames of the interleaved sequence. False when the
// count is beyond 64 bits.
bool framesInSequence(const Layout& layout, uint64_t& frames);

// Where frame `frame` of camera `camera` sits in the interleaved sequence,
// counted in frames from block 0. False for a camera or frame outside the
// layout (or a sequence beyond 64 bits).
bool positionOf(const Layout& layout, uint32_t camera, uint64_t frame, uint64_t& position);

// The camera and frame at `position`; false past the end of the sequence.
bool frameAt(const Layout& layout, uint64_t position, uint32_t& camera, uint64_t& frame);

}  // namespace mvweave

#endif
