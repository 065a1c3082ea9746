// What went wrong, as a value. The configuration reader, the file layer and
// the run return a Status instead of printing; report() is the one place that
// turns it into the tool's fixed message on standard output, which scripts
// parse, and one line of detail on standard error for the person reading:
//   mvweave: cam3.yuv: No such file or directory
//   mvweave: views.cfg:12: unknown key "Widht"
// Every problem but the short-input warning stops the tool.
#ifndef MVWEAVE_CORE_STATUS_H
#define MVWEAVE_CORE_STATUS_H

#include <cstdint>
#include <string>
#include <utility>

#include "console.h"

namespace mvweave {

enum class Problem {
  kNone,
  // Command line and configuration files.
  kIllegalOption,
  kEmptyConfigPath,  // silent
  kOpenConfig,
  kNoEquals,  // silent
  kUnknownKey,
  kOutOfMemory,
  // The run.
  kOpenInput,
  kCreateOutput,
  kOutputIsInput,
  kOutputNamedTwice,
  kUnsupportedFormat,
  kY4mMismatch,
  kFrameSizeOutOfRange,
  kAllocateFrameBuffer,
  kRead,
  kWrite,
  kInputTooShort,  // a warning: the run goes on
};

// The detail line reads "subject:line: detail: system error", leaving out
// what is not set.
struct Status {
  Problem problem = Problem::kNone;
  std::string argument;  // what the fixed message names: the option, the short file
  std::string subject;   // the file concerned, if any
  uint64_t line = 0;     // the configuration line, from 1, if any
  std::string detail;    // what a person needs to know, if anything
  int osError = 0;       // the system's error number, if any

  bool ok() const { return problem == Problem::kNone; }
};

inline Status problemWith(Problem problem, std::string subject = {}, int osError = 0) {
  Status status;
  status.problem = problem;
  status.subject = std::move(subject);
  status.osError = osError;
  return status;
}

// Writes the problem's message line (none for a silent stop) and its detail.
void report(const Status& status, Console& console);

}  // namespace mvweave

#endif
