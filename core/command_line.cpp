// The entry procedure shared by both tools and the command-line walk.
#include "command_line.h"

#include <filesystem>
#include <new>
#include <string>
#include <system_error>

#include "file_system.h"

namespace mvweave {

namespace {

constexpr char kZeroOnSuccess[] = "--zero-on-success";

enum class Switch { kHelp, kVerbose, kVersion, kEndOfSwitches, kZeroOnSuccess, kIllegal };

// Four long options; otherwise only the character after the leading hyphen
// or slash counts.
Switch switchOf(const std::string& argument) {
  if (argument == "--help") return Switch::kHelp;
  if (argument == "--version") return Switch::kVersion;
  if (argument == "--") return Switch::kEndOfSwitches;
  if (argument == kZeroOnSuccess) return Switch::kZeroOnSuccess;
  switch (argument.size() > 1 ? argument[1] : '\0') {
    case '?':
    case 'H':
    case 'h': return Switch::kHelp;
    case 'V':
    case 'v': return Switch::kVerbose;
    default: return Switch::kIllegal;
  }
}

bool namesFile(const std::string& argument) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(argument, error);
  return !error && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

// An argument that begins with '-' or '/' is a switch, unless it is an
// absolute path to a file on a POSIX system: three or more characters, so
// that /H, /? and /V stay switches whatever the root folder holds.
bool isSwitch(const std::string& argument) {
  if (argument[0] == '-') return true;
  if (argument[0] != '/') return false;
#ifdef _WIN32
  return true;
#else
  return argument.size() < 3 || !namesFile(argument);
#endif
}

// What standard error adds about a switch that may have been meant as a
// file: how to name the file it names, or that it names none.
std::string switchTrapHint(const std::string& argument) {
  if (namesFile(argument)) {
    const std::string relative = argument[0] == '/' ? "" : "name it ./" + argument + ", or ";
    return argument + " is taken as a switch, as every argument that begins with '/' or '-'; " +
           "to read the file as a configuration file, " + relative + "put -- before it";
  }
  const bool looksLikePath =
      argument[0] == '/' && argument.find_first_of("/.", 1) != std::string::npos;
  if (!looksLikePath) return std::string();
  return argument + " names no file, so it is taken as a switch; an argument that begins with " +
         "'/' is read as a configuration file when it names one";
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
    case Switch::kZeroOnSuccess: return true;  // read before the walk
    case Switch::kIllegal:
      status = problemNaming(Problem::kIllegalOption, argument, "", hint);
      return false;
  }
  return false;
}

// Like the switches, anywhere before "--"; it counts from the start, even
// when a configuration file before it fails.
bool asksZeroOnSuccess(int argc, const char* const* argv) {
  for (int i = 1; i < argc && std::string(argv[i]) != "--"; ++i) {
    if (std::string(argv[i]) == kZeroOnSuccess) return true;
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
    const std::string argument = argv[i];
    if (switches && !argument.empty() && isSwitch(argument)) {
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
  console.report(status);
  // Console text that cannot be delivered is not worth a failed run: the
  // files are what counts.
  console.release();
  // Help and the version do what was asked too; every other stop fails.
  if (asksZeroOnSuccess(argc, argv)) return completed || status.ok() ? 0 : 1;
  return completed ? 1 : 0;
}

}  // namespace mvweave
