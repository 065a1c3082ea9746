// The settings record, its frame size and its one frame buffer.
#include "run_settings.h"

#include <new>

#include "messages.h"

RunSettings& settings() {
  static RunSettings record;
  return record;
}

bool computeFrameSize(uint32_t width, uint32_t height, uint32_t& frameSize) {
  const uint64_t pixels = static_cast<uint64_t>(width) * height;
  const uint64_t bytes = pixels + pixels / 2;
  if (bytes > UINT32_MAX) return false;
  frameSize = static_cast<uint32_t>(bytes);
  return true;
}

bool prepareFrameBuffer(RunSettings& run) {
  if (!computeFrameSize(run.width, run.height, run.frameSize)) {
    writeLine(msg::kFrameSizeOutOfRange);
    return false;
  }
  // Left uninitialised: every step fills the whole frame before writing it.
  run.frameBuffer.reset(new (std::nothrow) char[run.frameSize]);
  if (!run.frameBuffer) {
    writeLine(msg::kAllocationFailed);
    return false;
  }
  return true;
}
