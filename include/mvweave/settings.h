// The settings of a run: the paths and numbers that the configuration files
// name, the files they were read from, and the verbose flag that a switch
// sets. A plain value: the command line fills one, in the order of its
// arguments, and hands it to the run. Nothing resets it between
// configuration files, so values accumulate over all the files named.
#ifndef MVWEAVE_SETTINGS_H
#define MVWEAVE_SETTINGS_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "mvweave/file_system.h"
#include "mvweave/layout.h"

namespace mvweave {

// Which side of a run the one interleaved file is: mvweave writes it, so its
// Input lines are the cameras; mvunweave reads it, so its Output lines are.
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

// A path that a program gives itself, from no configuration line.
inline ConfiguredPath pathGiven(std::string path) {
  ConfiguredPath given;
  given.path = std::move(path);
  return given;
}

// A configuration file read: an input too, never to be overwritten. The
// lines of its two path keys tell whose configuration it is.
struct ConfigFile {
  std::string path;
  FileIdentity identity;
  std::vector<uint64_t> sequenceLines;  // the one-path key's
  std::vector<uint64_t> cameraLines;    // the camera key's
};

struct RunSettings {
  std::vector<ConfigFile> configFiles;
  // Every path a configuration line named, also one that a later line
  // replaced or that followed a line that stopped the tool: console text is
  // kept out of all of them.
  std::vector<std::string> pathsNamed;

  // mvweave: Output is the sequence, Input lines are the cameras;
  // mvunweave the other way round.
  ConfiguredPath sequencePath;
  std::vector<ConfiguredPath> cameraPaths;

  // The sequence's key given more than once: each line replaces the path of
  // the one before. The first few paths replaced are kept, to be named.
  static constexpr size_t kReplacedNamed = 3;
  uint64_t replacedCount = 0;
  std::vector<ConfiguredPath> replacedPaths;
  bool replacedInOneFile = true;  // with the path that counts

  void setSequencePath(ConfiguredPath path);

  // The six numbers are kept as 32 bits and always used as unsigned values,
  // so a configured -1 behaves and prints as 4294967295.
  uint32_t firstFrm = 0;
  uint32_t gopLength = 8;
  uint32_t numGop = 1;
  uint32_t numFrm = 0;
  uint32_t width = 640;
  uint32_t height = 480;

  // The picture format keys, read with the same number rules. Giving either
  // makes frames planar (see picture_format.h); without them a frame is
  // P + P/2 bytes, as it always was.
  uint32_t chromaFormat = 420;
  uint32_t bitDepth = 8;

  // Which picture keys a configuration file gave: what it left open is
  // taken from a Y4M input's header.
  bool widthGiven = false;
  bool heightGiven = false;
  bool chromaFormatGiven = false;
  bool bitDepthGiven = false;
  [[nodiscard]] bool pictureFormatGiven() const { return chromaFormatGiven || bitDepthGiven; }

  // For each number key whose last line held no plain number ("1,920",
  // "abc", "\"352\"", a number beyond 32 bits), what that line was read as:
  // said before the run. The keyword, then the note; in the order of lines.
  std::vector<std::pair<std::string, std::string>> numberNotes;

  bool verbose = false;
  // --strict: an input that runs short fails the run instead of being
  // padded with zeros and warned of.
  bool strict = false;
  // --no-clobber: an output that is an existing regular file with data in
  // it refuses the run.
  bool noClobber = false;
};

// The layout the settings give, with a camera for each camera path.
Layout layoutOf(const RunSettings& settings);

}  // namespace mvweave

#endif
