// A camera or interleaved sequence file as a run sees it: whole frames read,
// written and skipped, with the run's messages written where a problem is
// found. A source that runs out delivers zero frames from there on and says
// so once; a read or write that fails stops the run.
#ifndef MVWEAVE_CORE_FRAME_FILE_H
#define MVWEAVE_CORE_FRAME_FILE_H

#include <cstdint>
#include <string>

#include "file_system.h"

struct FrameFile {
  std::string path;
  FileHandle handle = kNoFile;
  FileIdentity identity;
  bool positioned = false;   // the start offset has been applied
  bool exhausted = false;    // no more data: every later frame is zeros
  bool warnedShort = false;  // the too-short warning has been written
};

// Opens a source; "Could not open input file" when it cannot be read.
bool openInput(FrameFile& file, const std::string& path);

// Opens a destination without emptying it yet, so that the run can refuse it
// first; "Could not create output file" when it cannot be written.
bool openOutput(FrameFile& file, const std::string& path);
bool truncateOutput(FrameFile& file);

// Moves a source to the start of frame `frames` (frames of frameSize bytes),
// once, before its first read. A source that cannot be positioned (a pipe) is
// read forward through the buffer instead.
bool skipFrames(FrameFile& file, uint64_t frames, char* buffer, uint32_t frameSize);

// Reads one frame; what the source no longer delivers is zeros.
bool readFrame(FrameFile& file, char* buffer, uint32_t frameSize);
bool writeFrame(FrameFile& file, const char* buffer, uint32_t frameSize);

void closeInput(FrameFile& file);
bool closeOutput(FrameFile& file);

#endif
