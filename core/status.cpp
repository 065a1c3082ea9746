// The tools' messages, each written exactly as users and their scripts know
// it, and the one place that writes them.
#include "status.h"

#include "file_system.h"

namespace mvweave {

namespace {

// The fixed text of each problem; null for the silent stops.
const char* messageOf(Problem problem) {
  switch (problem) {
    case Problem::kNone:
    case Problem::kEmptyConfigPath:
    case Problem::kNoEquals:
    case Problem::kLineTooLong: return nullptr;
    case Problem::kIllegalOption: return "illegal option ";
    case Problem::kOpenConfig: return "ERROR: Could not open configFile!";
    case Problem::kUnknownKey: return "ERROR: unknown identifier in configFile!";
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
    case Problem::kInputTooShort:
      return "WARNING: Input file too short, missing data filled with zeros: ";
  }
  return nullptr;
}

// "subject:line: detail: system error", leaving out what is not set.
std::string detailOf(const Status& status) {
  std::string text = status.subject;
  if (status.line != 0) text += ":" + std::to_string(status.line);
  const auto append = [&text](const std::string& part) {
    text += (text.empty() ? "" : ": ") + part;
  };
  if (!status.detail.empty()) append(status.detail);
  if (status.osError != 0) append(describeOsError(status.osError));
  return text;
}

}  // namespace

void report(const Status& status, Console& console) {
  const char* message = messageOf(status.problem);
  if (status.problem == Problem::kIllegalOption) {
    console.line(message + status.argument + " , see HELP!");
  } else if (status.problem == Problem::kInputTooShort) {
    console.line(message + status.argument);
  } else if (message != nullptr) {
    console.line(message);
  }
  const std::string detail = detailOf(status);
  if (status.problem != Problem::kNone && !detail.empty()) console.note(detail);
}

}  // namespace mvweave
