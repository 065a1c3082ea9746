// The entry procedure shared by both tools and the command-line walk.
#include "command_line.h"

#include <new>

#include "file_system.h"

namespace mvweave {

namespace {

enum class Switch { kHelp, kVerbose, kIllegal };

// Only the character after the leading hyphen or slash counts.
Switch switchOf(const char* argument) {
  switch (argument[1]) {
    case '?':
    case 'H':
    case 'h': return Switch::kHelp;
    case 'V':
    case 'v': return Switch::kVerbose;
    default: return Switch::kIllegal;
  }
}

bool isSwitch(const char* argument) { return argument[0] == '-' || argument[0] == '/'; }

}  // namespace

void printHelp(const Tool& tool, Console& console) { console.text(tool.helpText); }

bool parseCommandLine(int argc, const char* const* argv, const Tool& tool, Console& console,
                      RunRequest& request, Status& status) {
  console.line("");
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    if (!isSwitch(argument)) {
      FileIdentity identity;
      status = readConfigFile(argument, tool.cameraKey, request.settings, identity);
      if (!status.ok()) return false;
      request.configFiles.push_back({argument, identity});
      continue;
    }
    switch (switchOf(argument)) {
      case Switch::kHelp: printHelp(tool, console); return false;
      case Switch::kVerbose:
        request.settings.verbose = true;
        console.line(tool.banner);
        console.line("");
        break;
      case Switch::kIllegal: status = problemWith(Problem::kIllegalOption, argument); return false;
    }
  }
  return true;
}

int runTool(int argc, const char* const* argv, const Tool& tool) {
  prepareProcess();
  Console console(tool.name);
  Status status;
  bool completed = false;
  try {
    RunRequest request;
    if (argc < 2) {
      printHelp(tool, console);
    } else if (parseCommandLine(argc, argv, tool, console, request, status)) {
      status = runFrames(request, tool.direction, console);
      completed = status.ok();
    }
  } catch (const std::bad_alloc&) {
    // Paths and lists are the only allocations besides the frame buffer,
    // which has a message of its own.
    status = problemWith(Problem::kOutOfMemory);
    status.detail = "not enough memory to hold the settings";
  }
  report(status, console);
  // Console text that cannot be delivered is not worth a failed run: the
  // files are what counts.
  console.release();
  return completed ? 1 : 0;
}

}  // namespace mvweave
