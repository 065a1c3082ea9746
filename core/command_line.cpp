// The entry procedure shared by both tools and the command-line walk.
#include "command_line.h"

#include <filesystem>
#include <new>
#include <string>
#include <system_error>

#include "file_system.h"

namespace mvweave {

namespace {

enum class Switch { kHelp, kVerbose, kVersion, kEndOfSwitches, kIllegal };

// Three long options; otherwise only the character after the leading hyphen
// or slash counts.
Switch switchOf(const std::string& argument) {
  if (argument == "--help") return Switch::kHelp;
  if (argument == "--version") return Switch::kVersion;
  if (argument == "--") return Switch::kEndOfSwitches;
  switch (argument.size() > 1 ? argument[1] : '\0') {
    case '?':
    case 'H':
    case 'h': return Switch::kHelp;
    case 'V':
    case 'v': return Switch::kVerbose;
    default: return Switch::kIllegal;
  }
}

bool isSwitch(const char* argument) { return argument[0] == '-' || argument[0] == '/'; }

// How to name a file that an argument taken as a switch names; empty when
// it names none.
std::string switchTrapHint(const std::string& argument) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path path(argument);
  if (!fs::exists(path, error) || fs::is_directory(path, error)) return std::string();
  std::string relative = fs::relative(path, error).generic_string();
  std::string ways = "put -- before it";
  if (!error && !relative.empty()) {
    if (relative[0] != '.') relative = "./" + relative;
    ways = "name it " + relative + ", or " + ways;
  }
  return argument + " is taken as a switch, as every argument that begins with '/' or '-'; " +
         "to read the file as a configuration file, " + ways;
}

// A switch acts at once; false when the tool stops there. `switches` turns
// false at "--".
bool takeSwitch(const std::string& argument, const Tool& tool, Console& console,
                RunRequest& request, bool& switches, Status& status) {
  const std::string hint = switchTrapHint(argument);
  switch (switchOf(argument)) {
    case Switch::kHelp:
      printHelp(tool, console);
      if (!hint.empty()) console.note(hint);
      return false;
    case Switch::kVerbose:
      request.settings.verbose = true;
      console.line(tool.banner);
      console.line("");
      if (!hint.empty()) console.note(hint);
      return true;
    case Switch::kVersion: console.line(tool.version); return false;
    case Switch::kEndOfSwitches: switches = false; return true;
    case Switch::kIllegal: status = illegalOption(argument, hint); return false;
  }
  return false;
}

}  // namespace

void printHelp(const Tool& tool, Console& console) { console.text(tool.helpText); }

bool parseCommandLine(int argc, const char* const* argv, const Tool& tool, FileSystem& files,
                      Console& console, RunRequest& request, Status& status) {
  // Asked for alone, the version is the one line written.
  if (argc > 1 && std::string(argv[1]) == "--version") {
    console.line(tool.version);
    return false;
  }
  console.line("");
  bool switches = true;
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    if (switches && isSwitch(argument)) {
      if (!takeSwitch(argument, tool, console, request, switches, status)) return false;
      continue;
    }
    FileIdentity identity;
    status = readConfigFile(files, argument, tool.interleaved, request.settings, identity);
    if (!status.ok()) return false;
    request.configFiles.push_back({argument, identity});
  }
  return true;
}

int runTool(int argc, const char* const* argv, const Tool& tool) {
  const std::unique_ptr<FileSystem> files = makeSystemFileSystem();
  readyProcess();
  Console console(tool.name);
  Status status;
  bool completed = false;
  try {
    RunRequest request;
    if (argc < 2) {
      printHelp(tool, console);
    } else {
      const bool accepted = parseCommandLine(argc, argv, tool, *files, console, request, status);
      keepConsoleOutOfFiles(*files, request, console);
      console.release();
      if (accepted) {
        status = runFrames(*files, request, tool.interleaved, tool.writeReport, console);
        completed = status.ok();
      }
    }
  } catch (const std::bad_alloc&) {
    // Paths and lists are the only allocations besides the frame buffer,
    // which has a message of its own.
    status = problemWith(Problem::kOutOfMemory, "", 0, "not enough memory to hold the settings");
  }
  report(status, console);
  // Console text that cannot be delivered is not worth a failed run: the
  // files are what counts.
  console.release();
  return completed ? 1 : 0;
}

}  // namespace mvweave
