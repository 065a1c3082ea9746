// A file of frames read front to back: a camera file (mvweave) or the
// interleaved file (mvunweave), raw or Y4M. Which one is told by content: a
// file that begins with "YUV4MPEG2 " is Y4M (y4m.h reads its lines). A
// source that runs out delivers zero frames from there on and says so
// once. Closed in its destructor.
//
// The one read-ahead rule: a line is read in blocks, and what a block brings
// beyond the line is not lost: a file that can seek is seeked back to just
// after the line (so that frames then move inside the kernel), and from a
// pipe the bytes are held, to be delivered before anything else.
#ifndef MVWEAVE_CORE_FRAME_SOURCE_H
#define MVWEAVE_CORE_FRAME_SOURCE_H

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "mvweave/file_system.h"
#include "mvweave/status.h"
#include "y4m.h"

namespace mvweave {

// What an input's length says, where the system knows it: whole frames from
// where the source starts, and the data bytes of a frame cut short after
// them. Counting stops at `enough` frames (for Y4M files, read frame line by
// frame line); `frames == enough` then means "at least".
struct FrameCount {
  bool known = false;
  uint64_t frames = 0;
  uint64_t partialBytes = 0;
};

class FrameSource {
 public:
  // kOpenInput when the file cannot be opened; `camera`: the camera it is,
  // for messages.
  Status open(FileSystem& files, const std::string& path, std::optional<uint32_t> camera = {});
  // Reads a Y4M file's header (kRead when the line is broken or too long);
  // a raw file's first bytes are read again.
  Status recogniseFormat();

  [[nodiscard]] const std::string& path() const { return path_; }
  // The file as messages name it: "cam1.yuv (camera 1)".
  [[nodiscard]] const std::string& name() const { return name_; }
  [[nodiscard]] std::optional<uint32_t> camera() const { return camera_; }
  [[nodiscard]] const FileIdentity& identity() const { return info_.identity; }
  [[nodiscard]] FileHandle handle() const { return file_.get(); }
  [[nodiscard]] const std::optional<Y4mHeader>& y4m() const { return y4m_; }
  // The bytes from where the source starts to the end of the file, where
  // the system knows the length.
  [[nodiscard]] bool lengthFromStart(uint64_t& bytes) const;
  // Frames delivered whole by readBytes so far, and the data bytes of the
  // frame that ended the source.
  [[nodiscard]] uint64_t framesRead() const { return framesRead_; }
  [[nodiscard]] uint64_t partialBytes() const { return partialBytes_; }

  // Nothing is read that the run would miss; a Y4M frame line that the walk
  // would refuse among the first `read` frames fails the count (kRead).
  Status countFrames(uint32_t frameSize, uint64_t enough, uint64_t read, FrameCount& count) const;

  // Moves to the start of frame `frames`, once, before the first frame: by
  // seeking where the file can seek, else by reading forward. A Y4M file's
  // frame lines are read on the way.
  Status skipFrames(uint64_t frames, uint32_t frameSize);

  // A frame is taken in three steps, so that its data can also move inside
  // the kernel (see frame_mover.h). beginFrame reads a Y4M file's frame
  // line; `present` is false once the source has ended.
  Status beginFrame(bool& present);
  // Reads until `size` bytes or the end of the file: held bytes first.
  Status readBytes(char* buffer, size_t size, size_t& got);
  // Bytes read ahead from a pipe and still to be delivered; only readBytes
  // delivers them, and nothing may be taken from the file before them.
  [[nodiscard]] size_t bytesHeldBack() const { return heldBack_.size(); }
  // Counts bytes that the kernel moved from this file.
  void movedInKernel(size_t bytes) { offset_ += bytes; }
  // Counts a whole frame; a frame `bytes` short of frameSize marks the end
  // of the source. True the first time the source runs out: what is
  // missing is written as zeros, and the run warns once.
  bool endFrame(uint64_t bytes, uint32_t frameSize);
  // Whether a frame of the walk came up short.
  [[nodiscard]] bool ranOut() const { return warnedShort_; }

  [[nodiscard]] Status readProblem(OsError error, const std::string& detail = {}) const;
  // Bytes delivered (or passed over) since the source started: after a Y4M
  // header, where its first frame line begins.
  [[nodiscard]] uint64_t offset() const { return offset_; }

 private:
  // The next `size` bytes (fewer at the end of the file), left to be read.
  // This is the first read of every input, so its failure is the input's
  // (kOpenInput), told before anything is emptied.
  Status peek(size_t size, std::string& bytes);
  // Reads a line, its end included at most `longest` bytes long, without
  // the line end.
  enum class Line { kEnded, kEndOfFile, kTooLong };
  Status readLine(size_t longest, std::string& line, Line& result);
  // A Y4M frame line by the rule of frameLineIn(): kRead, naming the line's
  // byte, for anything else; `found` is false when the file ends.
  Status readFrameLine(bool& found);
  Status frameLineProblem(uint64_t lineStart, bool tooLong) const;

  // Passes over `size` bytes: by seeking where the file allows it, else by
  // reading them.
  Status skipBytes(uint64_t size);
  Status readPast(uint64_t size);
  Status readAhead(size_t size, size_t& got);
  // Seeks back over what was read ahead, where the file can seek; a
  // pipe keeps it held.
  Status seekBackOverReadAhead();
  Status seekTo(uint64_t offset);

  std::string path_;
  std::optional<uint32_t> camera_;
  std::string name_;
  FileSystem* files_ = nullptr;
  OpenFile file_;
  FileInfo info_;  // where the source starts: info_.offset
  std::optional<Y4mHeader> y4m_;
  std::string heldBack_;      // read ahead from the file, not yet delivered
  uint64_t offset_ = 0;       // bytes delivered (or passed over) so far
  bool exhausted_ = false;    // no more data: every later frame is zeros
  bool warnedShort_ = false;  // the warning has been returned
  uint64_t framesRead_ = 0;
  uint64_t partialBytes_ = 0;
  std::unique_ptr<char[]> scratch_;  // for bytes read only to pass over them
};

}  // namespace mvweave

#endif
