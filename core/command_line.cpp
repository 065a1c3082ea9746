// The entry procedure shared by both tools and the command-line walk.
#include "command_line.h"

#include <filesystem>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "mvweave/run.h"

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
  std::error_code error;
  const char* const what =
      std::filesystem::is_directory(argument, error) ? " is a folder" : " names no file";
  return argument + what + ", so it is taken as a switch; an argument that begins with " +
         "'/' is read as a configuration file when it names one";
}

// After a stop, the rest of the command line is read only for the paths it
// names, so that console text stays out of them too: its configuration
// files that are regular files (a pipe given once cannot be read twice,
// nor waited for), without a word about what fails there.
void readForPathsOnly(int argc, const char* const* argv, int from, bool switches, const Tool& tool,
                      FileSystem& files, RunSettings& settings) {
  for (int i = from; i < argc; ++i) {
    const std::string argument = argv[i];
    if (switches && argument == "--") switches = false;
    FileIdentity identity;
    if ((switches && !argument.empty() && isSwitch(argument)) ||
        files.identify(argument, identity) != 0 || identity.kind != FileKind::kRegular) {
      continue;
    }
    (void)readConfigFile(files, argument, tool.interleaved, settings);
  }
}

// A switch acts at once; false when the tool stops there. `switches` turns
// false at "--".
bool takeSwitch(const std::string& argument, const Tool& tool, Console& console,
                RunSettings& settings, bool& switches, Status& status) {
  const std::string hint = switchTrapHint(argument);
  switch (switchOf(argument)) {
    case Switch::kHelp:
      printHelp(tool, console);
      if (!hint.empty()) console.note(hint);
      return false;
    case Switch::kVerbose:
      settings.verbose = true;
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

// Console text is kept out of every file the settings name, told from what
// their paths name now, before any text is released and without opening,
// creating or emptying anything.
void keepConsoleOutOfFiles(FileSystem& files, const RunSettings& settings, Console& console) {
  std::vector<FileIdentity> used;
  for (const ConfigFile& config : settings.configFiles) used.push_back(config.identity);
  const auto add = [&](const std::string& path) {
    FileIdentity identity;
    if (!path.empty() && files.identify(path, identity) == 0) used.push_back(identity);
  };
  add(settings.sequencePath.path);
  for (const ConfiguredPath& camera : settings.cameraPaths) add(camera.path);
  const auto isUsed = [&](FileHandle standard) {
    FileInfo info;
    if (files.identify(standard, info) != 0) return false;
    for (const FileIdentity& identity : used) {
      if (isSameStream(identity, info.identity)) return true;
    }
    return false;
  };
  console.keepOutOfFiles(isUsed(kStandardOutput), isUsed(kStandardError));
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
                      Console& console, RunSettings& settings, Status& status) {
  // Asked for alone, the version is the one line written.
  if (argc > 1 && std::string(argv[1]) == "--version") {
    console.line(tool.version);
    return false;
  }
  console.line("");
  bool switches = true;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const bool isConfig = !switches || argument.empty() || !isSwitch(argument);
    if (isConfig) status = readConfigFile(files, argument, tool.interleaved, settings);
    if (isConfig ? status.ok() : takeSwitch(argument, tool, console, settings, switches, status)) {
      continue;
    }
    readForPathsOnly(argc, argv, i + 1, switches, tool, files, settings);
    return false;
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
    RunSettings settings;
    if (argc < 2) {
      printHelp(tool, console);
    } else {
      const bool accepted = parseCommandLine(argc, argv, tool, *files, console, settings, status);
      keepConsoleOutOfFiles(*files, settings, console);
      console.release();
      if (accepted) {
        const bool weaves = tool.interleaved == InterleavedFile::kWritten;
        status = (weaves ? weave : unweave)(settings, *files, console);
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
