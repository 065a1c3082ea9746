// Configuration files, as both tools read them: key = value lines read into
// a Request, with what the command line needs besides: where each path came
// from, the files read, and what looks like a mistake. The keys are matched
// as substrings in a fixed order, the tool's camera key first:
//   mvweave    Input (a camera)   Output (the interleaved file)
//   mvunweave  Output (a camera)  Input (the interleaved file)
// then FirstFrm, GOPLength, NumGOP, NumFrm, Width, Height, ChromaFormat,
// BitDepth and Packing, so that InputFile counts as Input and NumGOPLength
// as GOPLength. A path is what stands between the first and the last double
// quote of the value, as it is; a number is read as atoi reads the trimmed
// value and kept as 32 bits; a packing is the value's first word (frames,
// side-by-side, top-bottom or CxR), and any other is refused. Files are read in order, and values
// accumulate: a later file overrides single values and adds cameras.
#ifndef MVWEAVE_CONFIGURATION_H
#define MVWEAVE_CONFIGURATION_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "mvweave/file_system.h"
#include "mvweave/observer.h"
#include "mvweave/request.h"
#include "mvweave/status.h"

namespace mvweave {

// Which tool reads the configuration: mvweave writes the interleaved file,
// so its Input lines are the cameras; mvunweave reads it, so its Output
// lines are.
enum class InterleavedFile { kWritten, kRead };

// A path as a configuration line gave it, with where: the file, its line,
// and whether the value stood between two double quotes. No file: no line
// gave it.
struct ConfiguredPath {
  std::string path;
  std::string file;
  uint64_t line = 0;
  bool quoted = true;

  [[nodiscard]] std::string origin() const { return file + ":" + std::to_string(line); }
};

// A configuration file read: an input too, never to be overwritten. The
// lines of its two path keys tell whose configuration it is.
struct ConfigFile {
  std::string path;
  FileIdentity identity;
  std::vector<uint64_t> sequenceLines;  // the one-path key's
  std::vector<uint64_t> cameraLines;    // the camera key's
};

struct Configuration {
  Request request;

  // Where the request's paths came from, and the files read.
  ConfiguredPath sequence;
  std::vector<ConfiguredPath> cameras;
  std::vector<ConfigFile> files;
  // Every path a configuration line named, also one that a later line
  // replaced or that followed a line that stopped the tool: console text is
  // kept out of all of them.
  std::vector<std::string> pathsNamed;

  // The sequence's key given more than once: each line replaces the path of
  // the one before. The first few paths replaced are kept, to be named.
  static constexpr size_t kReplacedNamed = 3;
  uint64_t replacedCount = 0;
  std::vector<ConfiguredPath> replacedPaths;
  bool replacedInOneFile = true;  // with the path that counts

  // For each number key whose last line held no plain number ("1,920",
  // "abc", "\"352\"", a number beyond 32 bits), what that line was read as:
  // the keyword, then the note; in the order of the lines.
  std::vector<std::pair<std::string, Note>> numberNotes;

  void setSequencePath(ConfiguredPath path);
  void addCamera(ConfiguredPath path);
};

// How a configuration file is read: every line applied, or only the paths
// it names noted, when the tool has stopped already.
enum class ConfigReading { kApply, kPathsOnly };

// Reads one configuration file, as the tool that `interleaved` names reads
// it, and records the file; settings applied before a line that fails stay
// applied, and the rest of the file is read for its paths only.
Status readConfigFile(FileSystem& files, const std::string& path, InterleavedFile interleaved,
                      Configuration& configuration, ConfigReading reading = ConfigReading::kApply);

// The configuration files read, together: one that gives the one-path key
// (mvweave's Output, mvunweave's Input) on several lines, while all of them
// give the camera key on one line at most, is the other tool's
// configuration (kConfigForOtherTool).
Status checkConfigurationsAreForTool(const Configuration& configuration,
                                     InterleavedFile interleaved);

// Reads the files in order, the first that fails stopping, then checks them
// together.
Status readConfigFiles(FileSystem& files, const std::vector<std::string>& paths,
                       InterleavedFile interleaved, Configuration& configuration);

// What the lines say that may not be what was meant: a number key that held
// no plain number, the sequence's key given more than once (the last line
// counts).
std::vector<Note> notesOn(const Configuration& configuration, InterleavedFile interleaved);

// The run of the tool that `interleaved` names on what configuration files
// ask: as merge() and split(), and besides no output may be a configuration
// file, and an empty path is explained by its line.
Status run(const Configuration& configuration, InterleavedFile interleaved, Observer& observer,
           FileSystem& files);

}  // namespace mvweave

#endif
