// The one run that both tools share: files in, frames moved in the order of
// the interleaved layout, files out. Which side is the interleaved file, and
// the report, are all that differ between the tools.
#ifndef MVWEAVE_CORE_RUN_H
#define MVWEAVE_CORE_RUN_H

#include <string>
#include <vector>

#include "console.h"
#include "file_system.h"
#include "run_settings.h"
#include "status.h"

namespace mvweave {

// A configuration file read: an input too, never to be overwritten.
struct ConfigFile {
  std::string path;
  FileIdentity identity;
};

// What an accepted command line asks for.
struct RunRequest {
  RunSettings settings;
  std::vector<ConfigFile> configFiles;
};

// The verbose report, written once every file is open.
using ReportWriter = void (*)(const RunSettings& settings, Console& console);

// Runs to the end: opens the inputs, opens and checks the outputs, writes
// the report, checks the frames, moves the inputs to their start frames,
// empties the outputs, walks the layout and closes every file. kNone once
// all of that succeeded; warnings are reported on the console as they come.
Status runFrames(FileSystem& files, const RunRequest& request, InterleavedFile interleaved,
                 ReportWriter writeReport, Console& console);

// Whether standard output and standard error are among the files that the
// request reads or writes, told from what their paths name now, without
// opening, creating or emptying anything; then the console keeps its text
// out of them.
void keepConsoleOutOfFiles(FileSystem& files, const RunRequest& request, Console& console);

}  // namespace mvweave

#endif
