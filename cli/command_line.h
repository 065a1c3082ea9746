// Where each tool starts: the entry procedure, the walk over the arguments,
// the help text and the banner, and the exit status. The two tools differ
// only in their Tool description.
#ifndef MVWEAVE_CLI_COMMAND_LINE_H
#define MVWEAVE_CLI_COMMAND_LINE_H

#include "console.h"
#include "mvweave/configuration.h"
#include "mvweave/file_system.h"
#include "mvweave/status.h"

namespace mvweave {

struct Tool {
  const char* name;             // as standard error names it
  const char* helpText;         // written as it stands, line ends included
  const char* banner;           // one line, written without its line end
  const char* version;          // "mvweave 1.0", for --version
  InterleavedFile interleaved;  // which side of a run the interleaved file is
};

void printHelp(const Tool& tool, Console& console);

// Walks the arguments left to right: switches act at once, every other
// argument is a configuration file read at once into `configuration`. True
// when the run may start; otherwise `status` says why not (kNone after the
// help).
bool parseCommandLine(int argc, const char* const* argv, const Tool& tool, FileSystem& files,
                      Console& console, Configuration& configuration, Status& status);

// The whole life of a tool; returns the exit status: 1 after a completed
// run, 0 on every other path (with --zero-on-success: 0 when the tool did
// what was asked, 1 otherwise).
int runTool(int argc, const char* const* argv, const Tool& tool);

}  // namespace mvweave

#endif
