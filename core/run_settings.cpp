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
  if (pixels > UINT32_MAX) return false;  // and pixels + pixels / 2 cannot wrap
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

bool guardOutput(const RunSettings& run, const FrameFile& output,
                 const std::vector<FrameFile>& inputs,
                 const std::vector<FrameFile>& earlierOutputs) {
  bool isInput = false;
  for (const FrameFile& input : inputs)
    isInput = isInput || sameFile(output.identity, input.identity);
  for (const FileIdentity& config : run.configFiles)
    isInput = isInput || sameFile(output.identity, config);
  if (isInput) {
    writeLine(msg::kOutputIsInput);
    return false;
  }
  for (const FrameFile& earlier : earlierOutputs) {
    if (sameStorage(output.identity, earlier.identity)) {
      writeLine(msg::kOutputNamedTwice);
      return false;
    }
  }
  return true;
}

bool truncateOutputs(std::vector<FrameFile>& outputs) {
  for (FrameFile& output : outputs) {
    if (!truncateOutput(output)) return false;
  }
  return true;
}
