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

#include "file_system.h"
#include "run_settings.h"
#include "status.h"

namespace mvweave {

// Applies every line of the file in order, up to the first that stops the
// tool; settings applied before it stay applied. A line ends at LF, CR LF or
// a lone CR; white space before its text is skipped, a line whose text
// begins with '#' is a comment, a NUL byte ends the text, and a UTF-8 byte
// order mark at the very start of the file is dropped. `identity` is set
// once the file is open, so that the run can refuse to overwrite it.
Status readConfigFile(FileSystem& files, const std::string& path, InterleavedFile interleaved,
                      RunSettings& settings, FileIdentity& identity);

// Applies one setting line (its text, without the line end), read from
// `file` at `line`.
Status parseConfigLine(const std::string& text, InterleavedFile interleaved, RunSettings& settings,
                       const std::string& file = {}, uint64_t line = 0);

}  // namespace mvweave

#endif
