// The tools' messages, each written exactly as users and their scripts know
// it.
#include "mvweave/status.h"

#include "mvweave/file_system.h"

namespace mvweave {

std::string messageOf(const Status& status) {
  switch (status.problem) {
    case Problem::kNone:
    case Problem::kEmptyConfigPath:
    case Problem::kNoEquals:
    case Problem::kLineTooLong:
    case Problem::kInputTooShort:
    case Problem::kStopped: return {};
    case Problem::kIllegalOption: return "illegal option " + status.argument + " , see HELP!";
    case Problem::kOpenConfig: return "ERROR: Could not open configFile!";
    case Problem::kUnknownKey: return "ERROR: unknown identifier in configFile!";
    case Problem::kConfigForOtherTool: return "ERROR: configFile is for " + status.argument + "!";
    case Problem::kOutOfMemory: return "ERROR: Out of memory!";
    case Problem::kOpenInput: return "ERROR: Could not open input file!";
    case Problem::kCreateOutput: return "ERROR: Could not create output file!";
    case Problem::kOutputIsInput: return "ERROR: Output file is also an input file!";
    case Problem::kOutputNamedTwice: return "ERROR: Output file is named more than once!";
    case Problem::kUnsupportedFormat: return "ERROR: Unsupported picture format!";
    case Problem::kY4mMismatch: return "ERROR: Picture format differs from the Y4M header!";
    case Problem::kFrameSizeOutOfRange: return "ERROR: Frame size out of range!";
    case Problem::kAllocateFrameBuffer: return "ERROR: Could not allocate frame buffer!";
    case Problem::kRead: return "ERROR: Could not read input file!";
    case Problem::kWrite: return "ERROR: Could not write output file!";
    case Problem::kOutputExists: return "ERROR: Output file exists!";
    case Problem::kLayoutMismatch: return "ERROR: Layout differs from the Y4M header!";
  }
  return {};
}

std::string detailOf(const Status& status) {
  std::string text = status.subject;
  if (status.camera) text += " (camera " + std::to_string(*status.camera) + ")";
  if (status.line != 0) text += ":" + std::to_string(status.line);
  const auto append = [&text](const std::string& part) {
    text += (text.empty() ? "" : ": ") + part;
  };
  if (!status.detail.empty()) append(status.detail);
  if (status.osError != 0) append(describeOsError(status.osError));
  return text;
}

}  // namespace mvweave
