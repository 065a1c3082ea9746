// A file of frames read front to back: a camera file (mvweave) or the
// interleaved file (mvunweave), raw or Y4M. Which one is told by content: a
// file that begins with "YUV4MPEG2 " is Y4M, and its header is read when it
// is opened. A source that runs out delivers zero frames from there on and
// says so once. Closed in its destructor.
//
// Y4M lines are read in blocks. What a block brings beyond a line is given
// back to a file that can be positioned, and held back from a pipe, to be
// delivered before anything is read from the pipe again.
#ifndef MVWEAVE_CORE_FRAME_SOURCE_H
#define MVWEAVE_CORE_FRAME_SOURCE_H

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "file_system.h"
#include "status.h"
#include "y4m.h"

namespace mvweave {

class FrameSource {
 public:
  // kOpenInput when the file cannot be opened. `name` is the file as
  // messages name it.
  Status open(FileSystem& files, const std::string& path, const std::string& name);
  // Reads the first bytes: a Y4M file's header (kRead when it cannot be
  // read), or the start of a raw file, to be read again.
  Status recogniseFormat();

  [[nodiscard]] const std::string& path() const { return path_; }
  [[nodiscard]] const std::string& name() const { return name_; }
  [[nodiscard]] const FileIdentity& identity() const { return info_.identity; }
  [[nodiscard]] const FileInfo& info() const { return info_; }
  // The bytes from where the source starts to the end of the file, where
  // the system knows the length.
  [[nodiscard]] bool lengthFromStart(uint64_t& bytes) const;
  [[nodiscard]] FileHandle handle() const { return file_.get(); }
  [[nodiscard]] const std::optional<Y4mHeader>& y4m() const { return y4m_; }
  // Frames delivered whole by readBytes so far.
  [[nodiscard]] uint64_t framesRead() const { return framesRead_; }

  // The whole frames the file holds, counted up to `enough`; false when its
  // length is not known (a pipe). Nothing is read that the run would miss.
  bool countFrames(uint32_t frameSize, uint64_t enough, uint64_t& frames) const;

  // Moves to the start of frame `frames`, once, before the first frame: by
  // positioning where the file allows it, else by reading forward. A Y4M
  // file's FRAME lines are read on the way: they may be of any length.
  Status skipFrames(uint64_t frames, uint32_t frameSize);

  // A frame is taken in three steps, so that its data can also move inside
  // the kernel (see frame_mover.h). beginFrame reads a Y4M file's FRAME
  // line; `present` is false once the source has ended.
  Status beginFrame(bool& present);
  // Reads until `size` bytes or the end: the bytes held back first.
  Status readBytes(char* buffer, size_t size, size_t& got);
  // Bytes read ahead from a pipe and still to be delivered; only readBytes
  // delivers them, and nothing may be taken from the file before them.
  [[nodiscard]] size_t bytesHeldBack() const { return heldBack_.size(); }
  // Counts bytes that the kernel moved from this file.
  void movedInKernel(size_t bytes) { offset_ += bytes; }
  // Counts a whole frame; a frame `bytes` short of frameSize marks the end
  // of the source, and the first time returns the warning kInputTooShort
  // (what is missing is written as zeros).
  Status endFrame(uint64_t bytes, uint32_t frameSize);

 private:
  // Reads the rest of a Y4M line whose first `taken` bytes were read; the
  // line, its end included, is at most kY4mLongestLine bytes. `ended` is
  // false when the file ends within the line.
  Status readLineRest(size_t taken, std::string& rest, bool& ended, const std::string& what);
  // Reads a Y4M frame line; `found` is false at the end of the file.
  Status readFrameLine(bool& found);
  // Passes over `size` bytes: positioned past them where the file allows it.
  Status skipBytes(uint64_t size);
  Status readAhead(size_t size, size_t& got);
  Status giveBackReadAhead();
  bool countY4mFrames(uint32_t frameSize, uint64_t enough, uint64_t& frames) const;
  Status seekTo(uint64_t offset);
  Status readProblem(OsError error, const std::string& detail = {}) const;

  std::string path_;
  std::string name_;
  FileSystem* files_ = nullptr;
  OpenFile file_;
  FileInfo info_;  // where the source starts: info_.position
  std::optional<Y4mHeader> y4m_;
  std::string heldBack_;      // read ahead from the file, not yet delivered
  uint64_t offset_ = 0;       // bytes delivered (or passed over) so far
  bool exhausted_ = false;    // no more data: every later frame is zeros
  bool warnedShort_ = false;  // the warning has been returned
  uint64_t framesRead_ = 0;
  std::unique_ptr<char[]> scratch_;  // for bytes read only to pass over them
};

}  // namespace mvweave

#endif
