// The configuration language: key=value lines, number-sign comments, eight
// keys matched as substrings in a fixed order (see setting_line.h).
// readConfigFile applies one file to the settings line by line.
#ifndef MVWEAVE_CORE_CONFIG_READER_H
#define MVWEAVE_CORE_CONFIG_READER_H

#include <string>

#include "file_system.h"
#include "run_settings.h"
#include "setting_line.h"
#include "status.h"

namespace mvweave {

// Applies every line of the file in order, up to the first that stops the
// tool; settings applied before it stay applied. `identity` is set once the
// file is open, so that the run can refuse to overwrite it.
Status readConfigFile(FileSystem& files, const std::string& path, Interleaved interleaved,
                      RunSettings& settings, FileIdentity& identity);

}  // namespace mvweave

#endif
