// Where each tool starts: the entry procedure, the walk over the arguments,
// the help text and the banner, and the exit status. The two tools differ only
// in their ToolVariant: help text, banner, which path key lists the cameras,
// and the run that follows an accepted command line.
#ifndef MVWEAVE_CORE_COMMAND_LINE_H
#define MVWEAVE_CORE_COMMAND_LINE_H

#include "config_reader.h"

struct ToolVariant {
  const char* helpText;  // written as it stands, line ends included
  const char* banner;    // one line, written without its line end
  CameraKey cameraKey;
  bool (*run)();
};

void printHelp(const ToolVariant& tool);

// Walks the arguments left to right: switches act at once, every other
// argument is a configuration file read at once. False when the tool stops.
bool parseCommandLine(int argc, const char* const* argv, const ToolVariant& tool);

// The whole life of a tool; returns the exit status: 1 after a completed
// run, 0 on every other path.
int runTool(int argc, const char* const* argv, const ToolVariant& tool);

#endif
