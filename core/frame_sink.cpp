// Writing frames, every write and close checked.
#include "frame_sink.h"

namespace mvweave {

Status FrameSink::open(const std::string& path) {
  path_ = path;
  writesY4m_ = isY4mPath(path);
  FileHandle handle = kNoFile;
  OsError error = openForWriting(path, handle);
  if (error == 0) {
    file_ = OpenFile(handle);
    error = identify(handle, identity_);
  }
  if (error != 0) return problemWith(Problem::kCreateOutput, path, error);
  return {};
}

Status FrameSink::start(const Y4mHeader& header) {
  if (const OsError error = truncateIfRegular(file_.get(), identity_)) {
    return problemWith(Problem::kCreateOutput, path_, error);
  }
  if (!writesY4m_) return {};
  const std::string line = y4mHeaderLine(header);
  return writeAll(line.data(), line.size());
}

Status FrameSink::writeFrame(const char* buffer, uint32_t frameSize) {
  if (writesY4m_) {
    if (Status status = writeAll(kY4mFrameLine, kY4mFrameLineLength); !status.ok()) return status;
  }
  return writeAll(buffer, frameSize);
}

Status FrameSink::writeAll(const char* data, size_t size) {
  for (size_t written = 0; written < size;) {
    size_t put = 0;
    if (const OsError error = writeSome(file_.get(), data + written, size - written, put)) {
      return problemWith(Problem::kWrite, path_, error);
    }
    if (put == 0) {
      Status status = problemWith(Problem::kWrite, path_);
      status.detail = "the system took no bytes";
      return status;
    }
    written += put;
  }
  return {};
}

Status FrameSink::close() {
  if (const OsError error = file_.close()) return problemWith(Problem::kWrite, path_, error);
  return {};
}

}  // namespace mvweave
