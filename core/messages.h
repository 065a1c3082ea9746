// Every message the two tools write, in one place, so that the code that
// finds a problem and the tests that provoke it use the very same text.
// Each is one line on standard output, except kFrameworkFailed, which goes
// to standard error; the writer adds the line end.
#ifndef MVWEAVE_CORE_MESSAGES_H
#define MVWEAVE_CORE_MESSAGES_H

#include <cstdio>

namespace msg {

constexpr const char kFrameworkFailed[] = "Fatal Error: MFC initialization failed";
constexpr const char kIllegalOptionHead[] = "illegal option ";
constexpr const char kIllegalOptionTail[] = " , see HELP!";

constexpr const char kOpenConfigFailed[] = "ERROR: Could not open configFile!";
constexpr const char kUnknownIdentifier[] = "ERROR: unknown identifier in configFile!";

constexpr const char kOpenInputFailed[] = "ERROR: Could not open input file!";
constexpr const char kCreateOutputFailed[] = "ERROR: Could not create output file!";
constexpr const char kOutputIsInput[] = "ERROR: Output file is also an input file!";
constexpr const char kOutputNamedTwice[] = "ERROR: Output file is named more than once!";
constexpr const char kFrameSizeOutOfRange[] = "ERROR: Frame size out of range!";
constexpr const char kAllocationFailed[] = "ERROR: Could not allocate frame buffer!";
constexpr const char kOutOfMemory[] = "ERROR: Out of memory!";
constexpr const char kReadFailed[] = "ERROR: Could not read input file!";
constexpr const char kWriteFailed[] = "ERROR: Could not write output file!";
constexpr const char kInputTooShort[] =
    "WARNING: Input file too short, missing data filled with zeros: ";

}  // namespace msg

// Writes one line (text plus line end) to standard output.
inline void writeLine(const char* text) {
  std::fputs(text, stdout);
  std::fputc('\n', stdout);
}

#endif
