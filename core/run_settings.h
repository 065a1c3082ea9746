// The one process-wide record of a run: the paths and numbers read from the
// configuration files, the verbose flag, and what the run derives from them
// (frame size, frame buffer, open files). It starts with the defaults below,
// is filled by the configuration reader and the switches, and is read by the
// run of each tool. Nothing resets it between configuration files, so values
// accumulate over all the files named on the command line.
#ifndef MVWEAVE_CORE_RUN_SETTINGS_H
#define MVWEAVE_CORE_RUN_SETTINGS_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "frame_file.h"

struct RunSettings {
  // mvweave: Output is the sequence, Input lines are the cameras;
  // mvunweave the other way round.
  std::string sequencePath;
  std::vector<std::string> cameraPaths;

  // The six numbers are kept as 32 bits and always used as unsigned values,
  // so a configured -1 behaves and prints as 4294967295.
  uint32_t firstFrm = 0;
  uint32_t gopLength = 8;
  uint32_t numGop = 1;
  uint32_t numFrm = 0;
  uint32_t width = 640;
  uint32_t height = 480;

  bool verbose = false;

  // Every configuration file read: an output must not overwrite one.
  std::vector<FileIdentity> configFiles;

  // Filled by the run.
  uint32_t frameSize = 0;
  std::unique_ptr<char[]> frameBuffer;
  FrameFile sequenceFile;
  std::vector<FrameFile> cameraFiles;  // parallel to cameraPaths
};

// The process-wide record.
RunSettings& settings();

// Bytes per 4:2:0 frame: P + P/2 rounded down, with P = width x height,
// computed exactly; false when that does not fit in 32 bits.
bool computeFrameSize(uint32_t width, uint32_t height, uint32_t& frameSize);

// Sets frameSize and allocates frameBuffer once per run; writes the message
// and returns false when the size is out of range or memory is short.
bool prepareFrameBuffer(RunSettings& run);

// Writes "Output file is also an input file!" and returns false when the
// output is one of the run's inputs or configuration files, or "named more
// than once" when it is the storage of an earlier output.
bool guardOutput(const RunSettings& run, const FrameFile& output,
                 const std::vector<FrameFile>& inputs,
                 const std::vector<FrameFile>& earlierOutputs);

// Empties every output that is a regular file, in order: the last step
// before the walk, once every check has passed.
bool truncateOutputs(std::vector<FrameFile>& outputs);

#endif
