// The entry procedure shared by both tools and the command-line walk.
#include "command_line.h"

#include <new>
#include <string>
#include <vector>

#include "layout_listing.h"
#include "layout_record.h"
#include "terminal.h"

namespace mvweave {

namespace {

constexpr char kZeroOnSuccess[] = "--zero-on-success";
constexpr char kLayout[] = "--layout";
constexpr char kStrict[] = "--strict";
constexpr char kNoClobber[] = "--no-clobber";

enum class Switch { kHelp, kVerbose, kVersion, kEndOfSwitches, kReadFirst, kIllegal };

// Seven long options; otherwise only the character after the leading
// hyphen or slash counts.
Switch switchOf(const std::string& argument) {
  if (argument == "--help") return Switch::kHelp;
  if (argument == "--version") return Switch::kVersion;
  if (argument == "--") return Switch::kEndOfSwitches;
  if (argument == kZeroOnSuccess || argument == kLayout || argument == kStrict ||
      argument == kNoClobber) {
    return Switch::kReadFirst;
  }
  switch (argument.size() > 1 ? argument[1] : '\0') {
    case '?':
    case 'H':
    case 'h': return Switch::kHelp;
    case 'V':
    case 'v': return Switch::kVerbose;
    default: return Switch::kIllegal;
  }
}

// The arguments, left to right: switches act at once, every other argument
// is a configuration file read at once.
class ArgumentWalk {
 public:
  ArgumentWalk(const Tool& tool, FileSystem& files, Console& console, Configuration& configuration,
               bool listing)
      : tool_(tool),
        files_(files),
        console_(console),
        configuration_(configuration),
        listing_(listing) {}

  // False when the tool stops at the argument; `status` says why.
  bool take(const std::string& argument, Status& status) {
    if (!isSwitch(argument)) {
      status = readConfigFile(files_, argument, tool_.interleaved, configuration_);
      return status.ok();
    }
    return takeSwitch(argument, status);
  }

  // After a stop, the rest of the command line is read only for the paths
  // it names, so that console text stays out of them too: its
  // configuration files that are regular files (a pipe given once cannot be
  // read twice, nor waited for), without a word about what fails there.
  void readForPathsOnly(int argc, const char* const* argv, int from) {
    for (int i = from; i < argc; ++i) {
      const std::string argument = argv[i];
      if (isSwitch(argument)) {
        switches_ = switches_ && argument != "--";
      } else if (kindOf(argument) == FileKind::kRegular) {
        (void)readConfigFile(files_, argument, tool_.interleaved, configuration_,
                             ConfigReading::kPathsOnly);
      }
    }
  }

 private:
  [[nodiscard]] FileKind kindOf(const std::string& path) const {
    FileInfo info;
    return files_.identify(path, info) == 0 ? info.identity.kind : FileKind::kOther;
  }
  [[nodiscard]] bool namesFile(const std::string& path) const {
    FileInfo info;
    return files_.identify(path, info) == 0 && info.identity.kind != FileKind::kDirectory;
  }

  // An argument that begins with '-' or '/' is a switch, unless it is an
  // absolute path to a file on a POSIX system: three or more characters, so
  // that /H, /? and /V stay switches whatever the root folder holds.
  [[nodiscard]] bool isSwitch(const std::string& argument) const {
    if (!switches_ || argument.empty() || (argument[0] != '-' && argument[0] != '/')) return false;
#ifdef _WIN32
    return true;
#else
    return argument[0] == '-' || argument.size() < 3 || !namesFile(argument);
#endif
  }

  // What standard error adds about a switch that may have been meant as a
  // file: how to name the file it names, or that it names none.
  [[nodiscard]] std::string switchTrapHint(const std::string& argument) const {
    if (namesFile(argument)) {
      const std::string relative = argument[0] == '/' ? "" : "name it ./" + argument + ", or ";
      return argument + " is taken as a switch, as every argument that begins with '/' or '-'; " +
             "to read the file as a configuration file, " + relative + "put -- before it";
    }
    if (argument[0] != '/' || argument.find_first_of("/.", 1) == std::string::npos) return {};
    return argument +
           (kindOf(argument) == FileKind::kDirectory ? " is a folder" : " names no file") +
           ", so it is taken as a switch; an argument that begins with '/' is read as a " +
           "configuration file when it names one";
  }

  // A switch acts at once; false when the tool stops there.
  bool takeSwitch(const std::string& argument, Status& status) {
    const std::string hint = switchTrapHint(argument);
    switch (switchOf(argument)) {
      case Switch::kHelp:
        printHelp(tool_, console_);
        if (!hint.empty()) console_.note(hint);
        return false;
      case Switch::kVerbose:
        console_.setVerbose();
        if (!listing_) {
          console_.line(tool_.banner);
          console_.line("");
        }
        if (!hint.empty()) console_.note(hint);
        return true;
      case Switch::kVersion: console_.line(tool_.version); return false;
      case Switch::kEndOfSwitches: switches_ = false; return true;
      case Switch::kReadFirst: return true;  // read before the walk
      case Switch::kIllegal:
        status = problemNaming(Problem::kIllegalOption, argument, "", hint);
        return false;
    }
    return false;
  }

  const Tool& tool_;
  FileSystem& files_;
  Console& console_;
  Configuration& configuration_;
  const bool listing_;    // --layout: standard output carries the listing only
  bool switches_ = true;  // false after "--"
};

// Console text is kept out of every file the settings name, told from what
// their paths name now, before any text is released and without opening,
// creating or emptying anything.
void keepConsoleOutOfFiles(FileSystem& files, const Configuration& configuration,
                           Console& console) {
  std::vector<FileIdentity> used;
  for (const ConfigFile& config : configuration.files) used.push_back(config.identity);
  for (const std::string& path : configuration.pathsNamed) {
    FileInfo info;
    if (files.identify(path, info) == 0) used.push_back(info.identity);
  }
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

// --zero-on-success, --layout, --strict and --no-clobber: like the
// switches, anywhere before "--"; they count from the start, even when a
// configuration file before them fails.
bool asks(const char* option, int argc, const char* const* argv) {
  for (int i = 1; i < argc && std::string(argv[i]) != "--"; ++i) {
    if (std::string(argv[i]) == option) return true;
  }
  return false;
}

// Standard output was closed when the tool started: what it shows goes to
// the null device put there instead, so help, version and listing reach
// no one.
bool standardOutputClosedAtStart(FileSystem& files) {
  FileInfo info;
  return files.identify("/dev/stdout", info) == kClosedAtStart;
}

// The first argument that is none of those four.
int firstPlainArgument(int argc, const char* const* argv) {
  int first = 1;
  while (first < argc && switchOf(argv[first]) == Switch::kReadFirst) ++first;
  return first;
}

}  // namespace

void printHelp(const Tool& tool, Console& console) { console.text(tool.helpText); }

bool parseCommandLine(int argc, const char* const* argv, const Tool& tool, FileSystem& files,
                      Console& console, Configuration& configuration, Status& status) {
  // Asked for alone (--zero-on-success and --layout aside), the version is
  // the one line written.
  const int first = firstPlainArgument(argc, argv);
  if (first < argc && std::string(argv[first]) == "--version") {
    console.line(tool.version);
    return false;
  }
  const bool listing = asks(kLayout, argc, argv);
  if (!listing) console.line("");
  ArgumentWalk walk(tool, files, console, configuration, listing);
  for (int i = 1; i < argc; ++i) {
    if (!walk.take(argv[i], status)) {
      walk.readForPathsOnly(argc, argv, i + 1);
      return false;
    }
  }
  status = checkConfigurationsAreForTool(configuration, tool.interleaved);
  return status.ok();
}

namespace {

// The tiles of a packed listing: Width and Height as the request sets them,
// else as the first Y4M input's header gives them (a packed sequence's
// divided by its grid), else 640 x 480.
Tiles tilesOf(const Request& request, const Packing& packing, uint32_t cameras,
              const std::optional<Y4mHeader>& sequenceHeader, FileSystem& files) {
  Tiles tiles{gridOf(packing, cameras), 640, 480};
  if (!tiles.grid.tiled()) return tiles;
  std::optional<Y4mHeader> header = sequenceHeader;
  Grid inHeader = tiles.grid;
  for (size_t c = 0; !sequenceHeader && c < request.cameras.size() && !header; ++c) {
    header = y4mHeaderOf(files, request.cameras[c]);
    inHeader = {1, 1};
  }
  if (header) tiles.width = header->width / inHeader.columns;
  if (header) tiles.height = header->height / inHeader.rows;
  tiles.width = request.width.value_or(tiles.width);
  tiles.height = request.height.value_or(tiles.height);
  return tiles;
}

// --layout: mvunweave lists the layout a Y4M sequence records, where the
// configuration leaves it open. A reader that has gone ends the listing at
// once, without a word.
bool listLayout(const Request& request, const Tool& tool, FileSystem& files, Console& console,
                Status& status) {
  Layout layout = layoutOf(request);
  Packing packing = request.packing.value_or(Packing{});
  std::optional<Y4mHeader> sequenceHeader;
  if (tool.interleaved == InterleavedFile::kRead) {
    sequenceHeader = y4mHeaderOf(files, request.sequence);
    status = splitLayoutOf(request, sequenceHeader, console, layout, packing);
    if (!status.ok()) return false;
  }
  // A grid that is not one tile per camera has no places to list.
  status = checkTiles(packing, layout.cameras);
  if (!status.ok()) return false;
  const Tiles tiles = tilesOf(request, packing, layout.cameras, sequenceHeader, files);
  if (!standardOutputClosedAtStart(files) &&
      writeLayoutListing(layout, request.firstFrm, tool.interleaved, tiles, stdout,
                         [&files] { return files.stopRequested(); })) {
    return true;
  }
  status = problemWith(Problem::kWrite);
  return false;
}

// The command line, then the run or the listing it asks for; true when that
// completed.
bool parseAndRun(int argc, const char* const* argv, const Tool& tool, FileSystem& files,
                 Console& console, Status& status) {
  Configuration configuration;
  configuration.request.strict = asks(kStrict, argc, argv);
  configuration.request.noClobber = asks(kNoClobber, argc, argv);
  const bool accepted = parseCommandLine(argc, argv, tool, files, console, configuration, status);
  keepConsoleOutOfFiles(files, configuration, console);
  console.release();
  if (!accepted) return false;
  // What the lines say that may not be meant changes the listing too.
  for (const Note& note : notesOn(configuration, tool.interleaved)) console.note(note);
  if (asks(kLayout, argc, argv))
    return listLayout(configuration.request, tool, files, console, status);
  status = run(configuration, tool.interleaved, console, files);
  console.endProgress();
  return status.ok();
}

}  // namespace

int runTool(int argc, const char* const* argv, const Tool& tool) {
  const Interrupts interrupts;
  const std::unique_ptr<FileSystem> files =
      makeSystemFileSystem([&interrupts] { return interrupts.requested(); });
  readyProcess();
  Console console(tool.name, tool.interleaved);
  console.hold();
  Status status;
  bool completed = false;
  try {
    // Nothing asked but how to answer: the help, as with no argument.
    if (firstPlainArgument(argc, argv) == argc) {
      printHelp(tool, console);
    } else {
      completed = parseAndRun(argc, argv, tool, *files, console, status);
    }
  } catch (const std::bad_alloc&) {
    // Paths and lists are the only allocations besides the frame buffer,
    // which has a message of its own.
    status = problemWith(Problem::kOutOfMemory, "", 0, "not enough memory to hold the settings");
  }
  // Stopped: what the run removed is said; the rest is the signal's.
  if (!completed && interrupts.requested()) {
    console.release();
    interrupts.endAsSignalled();
  }
  if (!asks(kLayout, argc, argv) || status.problem != Problem::kWrite) console.report(status);
  // Console text that cannot be delivered is not worth a failed run: the
  // files are what counts.
  console.release();
  // Help and the version do what was asked too, when they were delivered;
  // every other stop fails.
  if (asks(kZeroOnSuccess, argc, argv)) {
    const bool delivered = console.deliveredAll() && !standardOutputClosedAtStart(*files);
    return completed || (status.ok() && delivered) ? 0 : 1;
  }
  return completed ? 1 : 0;
}

}  // namespace mvweave
