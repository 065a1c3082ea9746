// The configuration language: key=value lines, number-sign comments, and
// keys matched as substrings in a fixed order, the tool's camera key first:
//   mvweave    Input (a camera)   Output (the interleaved file)
//   mvunweave  Output (a camera)  Input (the interleaved file)
// then FirstFrm, GOPLength, NumGOP, NumFrm, Width, Height, ChromaFormat and
// BitDepth for both, so that InputFile counts as Input and NumGOPLength as
// GOPLength. A path is what stands between the first and the last double
// quote of the value, as it is; a number is read as atoi reads the trimmed
// value and kept as 32 bits.
#ifndef MVWEAVE_CORE_CONFIG_READER_H
#define MVWEAVE_CORE_CONFIG_READER_H

#include <cstdint>
#include <string>

#include "mvweave/settings.h"
#include "mvweave/status.h"

namespace mvweave {

// Applies one setting line (its text, without the line end), read from
// `file` at `line`.
Status parseConfigLine(const std::string& text, InterleavedFile interleaved, RunSettings& settings,
                       const std::string& file = {}, uint64_t line = 0);

}  // namespace mvweave

#endif
