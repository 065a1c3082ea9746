// What went wrong, as a value. The configuration reader, the file layer and
// the runs return a Status instead of printing; the console is the one place
// that turns it into the tool's fixed message on standard output, which
// scripts parse, and one line of detail on standard error for the person
// reading:
//   mvweave: cam3.yuv: No such file or directory
//   mvweave: views.cfg:12: unknown key "Widht"
// Every problem stops the tool; warnings are no problems.
#ifndef MVWEAVE_STATUS_H
#define MVWEAVE_STATUS_H

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

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
  kConfigForOtherTool,
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
  kOutputExists,  // --no-clobber
  kLayoutMismatch,
  kInputTooShort,  // silent: --strict, after the warning
  kStopped,        // silent: a signal, Ctrl+C
};

// The detail line reads "subject (camera c):line: detail: system error",
// leaving out what is not set.
struct [[nodiscard]] Status {
  Problem problem = Problem::kNone;
  std::string subject;             // the file concerned, as named, if any
  int osError = 0;                 // the system's error number, if any
  std::string detail;              // what a person needs to know, if anything
  uint64_t line = 0;               // the configuration line, from 1, if any
  std::string argument;            // what the fixed message names: the option, the other tool
  std::optional<uint32_t> camera;  // the camera whose file the subject is

  [[nodiscard]] bool ok() const { return problem == Problem::kNone; }
};

inline Status problemWith(Problem problem, std::string subject = {}, int osError = 0,
                          std::string detail = {}, std::optional<uint32_t> camera = {}) {
  return Status{problem, std::move(subject), osError, std::move(detail), 0, {}, camera};
}

// A problem with a line of a configuration file.
inline Status problemAtLine(Problem problem, std::string file, uint64_t line, std::string detail) {
  return Status{problem, std::move(file), 0, std::move(detail), line, {}, {}};
}

// A problem whose fixed message names something: an argument that begins
// with '/' or '-' and is no switch, or the tool a configuration is for.
inline Status problemNaming(Problem problem, std::string argument, std::string subject,
                            std::string detail) {
  return Status{problem, std::move(subject), 0, std::move(detail), 0, std::move(argument), {}};
}

// The fixed line for standard output; empty for a silent stop.
std::string messageOf(const Status& status);
// The line of detail for standard error, without the tool's name.
std::string detailOf(const Status& status);

}  // namespace mvweave

#endif
