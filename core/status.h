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
  kNoEquals,     // silent
  kLineTooLong,  // silent
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
struct [[nodiscard]] Status {
  Problem problem = Problem::kNone;
  std::string subject;   // the file concerned, if any
  int osError = 0;       // the system's error number, if any
  std::string detail;    // what a person needs to know, if anything
  uint64_t line = 0;     // the configuration line, from 1, if any
  std::string argument;  // what the fixed message names: the option, the short file

  [[nodiscard]] bool ok() const { return problem == Problem::kNone; }
};

inline Status problemWith(Problem problem, std::string subject = {}, int osError = 0,
                          std::string detail = {}) {
  return Status{problem, std::move(subject), osError, std::move(detail), 0, {}};
}

// A problem with a line of a configuration file.
inline Status problemAtLine(Problem problem, std::string file, uint64_t line, std::string detail) {
  return Status{problem, std::move(file), 0, std::move(detail), line, {}};
}

// An argument that begins with '/' or '-' and is no switch.
inline Status illegalOption(std::string argument, std::string hint) {
  return Status{Problem::kIllegalOption, {}, 0, std::move(hint), 0, std::move(argument)};
}

// The warning of a source that ran out: `path` for the fixed message,
// `name` for the detail.
inline Status inputTooShort(std::string path, std::string name, std::string detail) {
  return Status{Problem::kInputTooShort, std::move(name), 0, std::move(detail), 0, std::move(path)};
}

// Writes the problem's message line (none for a silent stop) and its detail.
void report(const Status& status, Console& console);

}  // namespace mvweave

#endif
