// Writing frames, every write and close checked.
#include "frame_sink.h"

#include "counts.h"

#include <algorithm>

namespace mvweave {

Status FrameSink::open(FileSystem& files, const std::string& path, std::optional<uint32_t> camera) {
  path_ = path;
  camera_ = camera;
  name_ = nameOf(path, camera);
  files_ = &files;
  writesY4m_ = isY4mPath(path);
  if (const OsError error = openToWrite(files, path, file_, info_, outputName_)) {
    return problemWith(Problem::kCreateOutput, path_, error, {}, camera_);
  }
  return {};
}

bool FrameSink::isRunsOwn() {
  if (emptied_) return true;
  FileInfo now;
  return outputName_.created && files_->identify(file_.get(), now) == 0 && now.length == 0;
}

Status FrameSink::truncate() {
  if (!truncates()) return {};
  if (const OsError error = files_->truncate(file_.get())) {
    return problemWith(Problem::kCreateOutput, path_, error, {}, camera_);
  }
  emptied_ = true;
  return {};
}

Status FrameSink::writeHeader(const Y4mHeader& header) {
  if (!writesY4m_) return {};
  const std::string line = y4mHeaderLine(header);
  return writeBytes(line.data(), line.size());
}

Status FrameSink::beginFrame() {
  return writesY4m_ ? writeBytes(kY4mFrameLine, kY4mFrameLineLength) : Status{};
}

Status FrameSink::writeZeros(uint64_t size) {
  static constexpr char kZeros[64 * 1024] = {};
  for (uint64_t left = size; left > 0;) {
    const size_t piece = static_cast<size_t>(std::min<uint64_t>(left, sizeof kZeros));
    if (Status status = writeBytes(kZeros, piece); !status.ok()) return status;
    left -= piece;
  }
  return {};
}

Status FrameSink::writeBytes(const char* data, size_t size) {
  for (size_t written = 0; written < size;) {
    size_t put = 0;
    if (const OsError error = files_->write(file_.get(), data + written, size - written, put)) {
      return problemWith(Problem::kWrite, path_, error, {}, camera_);
    }
    if (put == 0) {
      return problemWith(Problem::kWrite, path_, 0, "the system took no bytes", camera_);
    }
    written += put;
  }
  return {};
}

Status FrameSink::close() {
  if (const OsError error = file_.close())
    return problemWith(Problem::kWrite, path_, error, {}, camera_);
  return {};
}

}  // namespace mvweave
