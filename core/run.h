// The one run that both tools share: files in, frames moved in the order of
// the interleaved layout, files out. A Direction says what differs between
// the tools: which side is the interleaved file, and the report layout.
#ifndef MVWEAVE_CORE_RUN_H
#define MVWEAVE_CORE_RUN_H

#include <string>
#include <vector>

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

struct Direction {
  // mvweave: false, camera files are read and the interleaved file written;
  // mvunweave: true, the interleaved file is read and camera files written.
  bool readsInterleaved;
  // The verbose report, written once every file is open.
  void (*writeReport)(const RunSettings& settings, Console& console);
};

// The numbers of the verbose report, as both tools write them: the six
// layout numbers, and the picture format when a configuration gave it.
void writeNumberLines(const RunSettings& settings, Console& console);

// Runs to the end: opens the inputs, opens and checks the outputs, writes
// the report, sizes the frame buffer, empties the outputs, walks the layout
// and closes every file. kNone once all of that succeeded; warnings are
// reported on the console as they come.
Status runFrames(const RunRequest& request, const Direction& direction, Console& console);

}  // namespace mvweave

#endif
