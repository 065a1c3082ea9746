// A file of frames read front to back: a camera file (mvweave) or the
// interleaved file (mvunweave), raw or Y4M. Which one is told by content: a
// file that begins with "YUV4MPEG2 " is Y4M, and its header is read when it
// is opened; the bytes read to tell, from a pipe, are not lost. A source
// that runs out delivers zero frames from there on and says so once. Closed
// in its destructor.
#ifndef MVWEAVE_CORE_FRAME_SOURCE_H
#define MVWEAVE_CORE_FRAME_SOURCE_H

#include <cstdint>
#include <optional>
#include <string>

#include "file_system.h"
#include "status.h"
#include "y4m.h"

namespace mvweave {

class FrameSource {
 public:
  // kOpenInput when the file cannot be opened, kRead when a Y4M header
  // cannot be read.
  Status open(const std::string& path);

  const std::string& path() const { return path_; }
  const FileIdentity& identity() const { return identity_; }
  FileHandle handle() const { return file_.get(); }
  // The header of a Y4M file; none for a raw one.
  const std::optional<Y4mHeader>& y4m() const { return y4m_; }
  bool positioned() const { return positioned_; }
  // Frames delivered whole by readFrame so far.
  uint64_t framesRead() const { return framesRead_; }

  // Moves to the start of frame `frames` (frames of frameSize bytes, plus
  // their FRAME lines in a Y4M file), once, before the first read: by
  // positioning where the file allows it, else by reading forward.
  Status skipFrames(uint64_t frames, uint32_t frameSize);

  // A frame is taken in three steps, so that its data can also move inside
  // the kernel (see frame_mover.h). beginFrame reads a Y4M file's FRAME
  // line; `present` is false once the source has ended.
  Status beginFrame(bool& present);
  // Reads until `size` bytes or the end: the bytes held back first.
  Status readBytes(char* buffer, size_t size, size_t& got);
  // Bytes read to tell the format and still to be delivered; only
  // readBytes delivers them.
  size_t bytesHeldBack() const { return heldBack_.size(); }
  // Counts bytes that the kernel moved from this file.
  void movedInKernel(size_t bytes) { offset_ += bytes; }
  // Counts a whole frame; a frame `bytes` short of frameSize marks the end
  // of the source, and the first time returns the warning kInputTooShort
  // (what is missing is written as zeros).
  Status endFrame(uint64_t bytes, uint32_t frameSize);

 private:
  Status recogniseFormat();
  Status readHeaderLine(std::string& line);
  // Reads a Y4M frame line; `found` is false at the end of the file.
  Status readFrameLine(bool& found);
  Status skipByPositioning(uint64_t frames, uint32_t frameSize, bool& done);
  Status skipByReading(uint64_t frames, uint32_t frameSize);
  Status readProblem(OsError error, const std::string& detail = {}) const;

  std::string path_;
  OpenFile file_;
  FileIdentity identity_;
  std::optional<Y4mHeader> y4m_;
  std::string heldBack_;        // read from a pipe to tell its format, not yet delivered
  uint64_t offset_ = 0;         // bytes taken from the file so far
  uint64_t dataStart_ = 0;      // where the first frame (or its FRAME line) begins
  bool frameLineRead_ = false;  // positioning has checked the next FRAME line
  bool positioned_ = false;     // the start frame has been applied
  bool exhausted_ = false;      // no more data: every later frame is zeros
  bool warnedShort_ = false;    // the warning has been returned
  uint64_t framesRead_ = 0;
};

}  // namespace mvweave

#endif
