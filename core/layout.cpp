// The layout's arithmetic: counts, and positions both ways.
#include "mvweave/layout.h"

#include <algorithm>

namespace mvweave {

namespace {

// The frames of one camera in blocks 0..G, and in its tail.
uint64_t blockFrames(const Layout& layout) {
  return 1 + uint64_t{layout.numGop} * layout.gopLength;
}
uint64_t tailFrames(const Layout& layout) {
  const uint32_t tail = tailStart(layout);
  return layout.numFrm > tail ? layout.numFrm - tail : 0;
}

}  // namespace

uint32_t tailStart(const Layout& layout) { return 1u + layout.numGop * layout.gopLength; }

uint64_t framesPerCamera(const Layout& layout) { return blockFrames(layout) + tailFrames(layout); }

bool framesInSequence(const Layout& layout, uint64_t& frames) {
  const uint64_t perCamera = framesPerCamera(layout);
  if (layout.cameras != 0 && perCamera > UINT64_MAX / layout.cameras) return false;
  frames = perCamera * layout.cameras;
  return true;
}

bool positionOf(const Layout& layout, uint32_t camera, uint64_t frame, uint64_t& position) {
  uint64_t total = 0;
  if (camera >= layout.cameras || frame >= framesPerCamera(layout) ||
      !framesInSequence(layout, total)) {
    return false;
  }
  const uint64_t n = layout.cameras;
  const uint64_t l = layout.gopLength;
  if (frame == 0) {
    position = camera;
  } else if (frame < blockFrames(layout)) {  // block g = (f - 1) / L + 1
    position = n + (frame - 1) / l * n * l + camera * l + (frame - 1) % l;
  } else {
    position = n * blockFrames(layout) + camera * tailFrames(layout) + frame - blockFrames(layout);
  }
  return true;
}

bool frameAt(const Layout& layout, uint64_t position, uint32_t& camera, uint64_t& frame) {
  uint64_t total = 0;
  if (!framesInSequence(layout, total) || position >= total) return false;
  const uint64_t n = layout.cameras;
  const uint64_t inBlocks = n * (blockFrames(layout) - 1);  // 0 when L is
  const uint64_t l = std::max<uint64_t>(layout.gopLength, 1);
  const uint64_t tail = tailFrames(layout);
  if (position < n) {
    camera = static_cast<uint32_t>(position);
    frame = 0;
  } else if (position - n < inBlocks) {
    const uint64_t within = position - n;
    camera = static_cast<uint32_t>(within % (n * l) / l);
    frame = 1 + within / (n * l) * l + within % l;
  } else if (tail != 0) {  // always, as position is below the total
    const uint64_t within = position - n - inBlocks;
    camera = static_cast<uint32_t>(within / tail);
    frame = blockFrames(layout) + within % tail;
  }
  return true;
}

}  // namespace mvweave
