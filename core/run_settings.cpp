// The frame size that the picture size gives.
#include "run_settings.h"

namespace mvweave {

bool computeFrameSize(uint32_t width, uint32_t height, uint32_t& frameSize) {
  const uint64_t pixels = static_cast<uint64_t>(width) * height;
  if (pixels > UINT32_MAX) return false;  // and pixels + pixels / 2 cannot wrap
  const uint64_t bytes = pixels + pixels / 2;
  if (bytes > UINT32_MAX) return false;
  frameSize = static_cast<uint32_t>(bytes);
  return true;
}

}  // namespace mvweave
