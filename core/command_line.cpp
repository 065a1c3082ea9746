// The entry procedure shared by both tools and the command-line walk.
#include "command_line.h"

#include <cstdio>
#include <new>

#include "file_system.h"
#include "messages.h"
#include "run_settings.h"

namespace {

// Stands in for the Windows application framework's start-up, which these
// tools do not need; kept so that a failing start-up has its place.
bool initialiseFramework() { return true; }

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

void printHelp(const ToolVariant& tool) { std::fputs(tool.helpText, stdout); }

bool parseCommandLine(int argc, const char* const* argv, const ToolVariant& tool) {
  std::fputs("\n", stdout);
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    if (!isSwitch(argument)) {
      if (!readConfigFile(argument, tool.cameraKey)) return false;
      continue;
    }
    switch (switchOf(argument)) {
      case Switch::kHelp: printHelp(tool); return false;
      case Switch::kVerbose:
        settings().verbose = true;
        std::printf("%s\n\n", tool.banner);
        break;
      case Switch::kIllegal:
        std::printf("%s%s%s\n", msg::kIllegalOptionHead, argument, msg::kIllegalOptionTail);
        return false;
    }
  }
  return true;
}

int runTool(int argc, const char* const* argv, const ToolVariant& tool) {
  prepareProcess();
  if (!initialiseFramework()) {
    std::fprintf(stderr, "%s\n", msg::kFrameworkFailed);
    return 0;
  }
  int status = 0;
  try {
    if (argc < 2) {
      printHelp(tool);
    } else if (parseCommandLine(argc, argv, tool)) {
      status = tool.run() ? 1 : 0;
    }
  } catch (const std::bad_alloc&) {
    // Paths and lists are the only other allocations; the frame buffer has
    // a message of its own.
    writeLine(msg::kOutOfMemory);
  }
  // Console text that cannot be delivered is not worth a failed run: the
  // files are what counts. Flushing here keeps the order of the streams.
  std::fflush(stdout);
  return status;
}
