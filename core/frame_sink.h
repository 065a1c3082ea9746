// A file of frames written front to back: the interleaved file (mvweave) or
// a camera file (mvunweave), raw or, when its name ends in ".y4m", Y4M. It
// is opened without being emptied, so that the run can still refuse it, and
// truncated by truncate(), the last step before the walk. Closed in its
// destructor; a run that completes calls close() and checks it.
#ifndef MVWEAVE_CORE_FRAME_SINK_H
#define MVWEAVE_CORE_FRAME_SINK_H

#include <cstdint>
#include <optional>
#include <string>

#include "mvweave/file_system.h"
#include "mvweave/status.h"
#include "y4m.h"

namespace mvweave {

class FrameSink {
 public:
  // kCreateOutput when the file cannot be opened for writing; `camera`: the camera
  // it is, for messages.
  Status open(FileSystem& files, const std::string& path, std::optional<uint32_t> camera = {});

  [[nodiscard]] const std::string& path() const { return path_; }
  // The file as messages name it: "cam1.yuv (camera 1)".
  [[nodiscard]] const std::string& name() const { return name_; }
  [[nodiscard]] std::optional<uint32_t> camera() const { return camera_; }
  // Whether a run that does not complete removes the file: a regular file
  // that truncate() emptied holds only what the run wrote; one that open()
  // made counts while it is still empty (another program may have written
  // to it while the run waited on an input).
  [[nodiscard]] bool isRunsOwn();
  // The file's own name, for FileSystem::remove().
  [[nodiscard]] const std::string& fileName() const { return outputName_.file; }
  [[nodiscard]] const FileIdentity& identity() const { return info_.identity; }
  [[nodiscard]] FileHandle handle() const { return file_.get(); }
  [[nodiscard]] bool writesY4m() const { return writesY4m_; }
  // Whether truncate() empties it: a regular file that is no descriptor the
  // process was given.
  [[nodiscard]] bool truncates() const {
    return info_.identity.kind == FileKind::kRegular && !info_.received;
  }

  // Empties a regular file (kCreateOutput when it cannot be emptied); a
  // descriptor the process was given is written from where it stands.
  Status truncate();
  // A Y4M file's header line; nothing for a raw file.
  Status writeHeader(const Y4mHeader& header);
  // A frame: its FRAME line in a Y4M file, then its data, written here or
  // moved inside the kernel (see frame_mover.h).
  Status beginFrame();
  Status writeBytes(const char* data, size_t size);
  Status writeZeros(uint64_t size);
  Status close();

 private:
  std::string path_;
  std::optional<uint32_t> camera_;
  std::string name_;
  FileSystem* files_ = nullptr;
  OpenFile file_;
  FileInfo info_;
  bool writesY4m_ = false;
  OutputName outputName_;
  bool emptied_ = false;
};

}  // namespace mvweave

#endif
