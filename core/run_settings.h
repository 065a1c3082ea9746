// The settings of a run: the paths and numbers that the configuration files
// name and the verbose flag that a switch sets. A plain value: the command
// line fills one, in the order of its arguments, and hands it to the run.
// Nothing resets it between configuration files, so values accumulate over
// all the files named on the command line.
#ifndef MVWEAVE_CORE_RUN_SETTINGS_H
#define MVWEAVE_CORE_RUN_SETTINGS_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace mvweave {

// Which side of a run is the one interleaved file. mvweave writes it, so its
// Input lines are the cameras; mvunweave reads it, so its Output lines are.
enum class Interleaved { kOutput, kInput };

// Where a path value was read, for messages: the configuration file, its
// line, and whether the value stood between two double quotes.
struct PathSource {
  std::string file;
  uint64_t line = 0;
  bool quoted = true;

  [[nodiscard]] std::string origin() const { return file + ":" + std::to_string(line); }
};

// The one path key, given more than once: each line replaces the path of the
// one before. The first few paths replaced are kept, to be named.
struct ReplacedPaths {
  static constexpr size_t kNamed = 3;

  uint64_t count = 0;
  std::vector<std::pair<std::string, PathSource>> first;
  bool fromOneFile = true;  // with the path that counts
};

struct RunSettings {
  // mvweave: Output is the sequence, Input lines are the cameras;
  // mvunweave the other way round.
  std::string sequencePath;
  std::vector<std::string> cameraPaths;
  PathSource sequenceSource;
  std::vector<PathSource> cameraSources;  // one for each camera path
  ReplacedPaths replacedSequencePaths;

  void setSequencePath(std::string path, PathSource source);
  void addCameraPath(std::string path, PathSource source);

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

  bool verbose = false;
};

}  // namespace mvweave

#endif
