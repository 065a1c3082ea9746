// A camera or interleaved sequence file as a run sees it: whole frames read,
// written and skipped. FrameSource is a file read front to back; a source
// that runs out delivers zero frames from there on and says so once.
// FrameSink is a file written front to back; it is opened without being
// emptied, so that the run can still refuse it. Both close in their
// destructors; a sink's close is checked by calling close() first.
#ifndef MVWEAVE_CORE_FRAME_FILE_H
#define MVWEAVE_CORE_FRAME_FILE_H

#include <cstdint>
#include <string>

#include "file_system.h"
#include "status.h"

namespace mvweave {

class FrameSource {
 public:
  // kOpenInput when the file cannot be read.
  Status open(const std::string& path);

  const std::string& path() const { return path_; }
  const FileIdentity& identity() const { return identity_; }
  FileHandle handle() const { return file_.get(); }
  bool positioned() const { return positioned_; }
  // Bytes delivered by readFrame so far, zero fill not counted.
  uint64_t bytesRead() const { return bytesRead_; }

  // Moves to the start of frame `frames` (frames of frameSize bytes), once,
  // before the first read. A source that cannot be positioned (a pipe) is
  // read forward through the buffer instead.
  Status skipFrames(uint64_t frames, char* buffer, uint32_t frameSize);

  // Reads one frame; what the source no longer delivers is zeros, and the
  // first such frame returns the warning kInputTooShort.
  Status readFrame(char* buffer, uint32_t frameSize);

 private:
  std::string path_;
  OpenFile file_;
  FileIdentity identity_;
  bool positioned_ = false;   // the start offset has been applied
  bool exhausted_ = false;    // no more data: every later frame is zeros
  bool warnedShort_ = false;  // the warning has been returned
  uint64_t bytesRead_ = 0;
};

class FrameSink {
 public:
  // kCreateOutput when the file cannot be opened for writing.
  Status open(const std::string& path);

  const std::string& path() const { return path_; }
  const FileIdentity& identity() const { return identity_; }

  // Empties a regular file; the last step before the first frame.
  Status empty();
  Status writeFrame(const char* buffer, uint32_t frameSize);
  Status close();

 private:
  std::string path_;
  OpenFile file_;
  FileIdentity identity_;
};

}  // namespace mvweave

#endif
