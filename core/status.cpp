// The tools' messages, each written exactly as users and their scripts know
// it, and the one place that writes them.
#include "status.h"

namespace mvweave {

namespace {

// The fixed text of each problem; null for the silent stops.
const char* messageOf(Problem problem) {
  switch (problem) {
    case Problem::kNone:
    case Problem::kEmptyConfigPath:
    case Problem::kNoEquals: return nullptr;
    case Problem::kIllegalOption: return "illegal option ";
    case Problem::kOpenConfig: return "ERROR: Could not open configFile!";
    case Problem::kUnknownKey: return "ERROR: unknown identifier in configFile!";
    case Problem::kOutOfMemory: return "ERROR: Out of memory!";
    case Problem::kOpenInput: return "ERROR: Could not open input file!";
    case Problem::kCreateOutput: return "ERROR: Could not create output file!";
    case Problem::kOutputIsInput: return "ERROR: Output file is also an input file!";
    case Problem::kOutputNamedTwice: return "ERROR: Output file is named more than once!";
    case Problem::kFrameSizeOutOfRange: return "ERROR: Frame size out of range!";
    case Problem::kAllocateFrameBuffer: return "ERROR: Could not allocate frame buffer!";
    case Problem::kRead: return "ERROR: Could not read input file!";
    case Problem::kWrite: return "ERROR: Could not write output file!";
    case Problem::kInputTooShort:
      return "WARNING: Input file too short, missing data filled with zeros: ";
  }
  return nullptr;
}

}  // namespace

void report(const Status& status, const Console& console) {
  const char* message = messageOf(status.problem);
  if (message == nullptr) return;
  if (status.problem == Problem::kIllegalOption) {
    std::fprintf(console.out, "%s%s , see HELP!\n", message, status.subject.c_str());
  } else if (status.problem == Problem::kInputTooShort) {
    std::fprintf(console.out, "%s%s\n", message, status.subject.c_str());
  } else {
    std::fprintf(console.out, "%s\n", message);
  }
}

}  // namespace mvweave
