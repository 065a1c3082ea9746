// Whole-frame reads and writes over the raw file calls, with zero fill for
// sources that run out.
#include "frame_file.h"

#include <cstring>

namespace mvweave {

namespace {

// Reads until the buffer is full or the source ends.
OsError readFully(FileHandle handle, char* buffer, uint32_t size, uint32_t& filled) {
  filled = 0;
  while (filled < size) {
    size_t got = 0;
    if (const OsError error = readSome(handle, buffer + filled, size - filled, got)) return error;
    if (got == 0) break;
    filled += static_cast<uint32_t>(got);
  }
  return 0;
}

// frames x frameSize, or the largest offset when it does not fit.
uint64_t offsetOf(uint64_t frames, uint32_t frameSize) {
  if (frameSize != 0 && frames > UINT64_MAX / frameSize) return UINT64_MAX;
  return frames * frameSize;
}

}  // namespace

Status FrameSource::open(const std::string& path) {
  path_ = path;
  FileHandle handle = kNoFile;
  OsError error = openForReading(path, handle);
  if (error == 0) {
    file_ = OpenFile(handle);
    error = identify(handle, identity_);
  }
  if (error != 0) return problemWith(Problem::kOpenInput, path, error);
  adviseSequential(handle);
  return {};
}

Status FrameSource::skipFrames(uint64_t frames, char* buffer, uint32_t frameSize) {
  positioned_ = true;
  const uint64_t offset = offsetOf(frames, frameSize);
  if (offset == 0) return {};
  OsError error = 0;
  switch (seekFromStart(file_.get(), offset, error)) {
    case SeekResult::kDone: return {};
    case SeekResult::kPastAnyEnd: exhausted_ = true; return {};
    case SeekResult::kFailed: return problemWith(Problem::kRead, path_, error);
    case SeekResult::kUnseekable: break;
  }
  for (uint64_t skipped = 0; skipped < frames && !exhausted_; ++skipped) {
    uint32_t got = 0;
    if (const OsError readError = readFully(file_.get(), buffer, frameSize, got)) {
      return problemWith(Problem::kRead, path_, readError);
    }
    exhausted_ = got < frameSize;
  }
  return {};
}

Status FrameSource::readFrame(char* buffer, uint32_t frameSize) {
  uint32_t got = 0;
  if (!exhausted_) {
    if (const OsError error = readFully(file_.get(), buffer, frameSize, got)) {
      return problemWith(Problem::kRead, path_, error);
    }
  }
  bytesRead_ += got;
  if (got == frameSize) return {};
  exhausted_ = true;
  std::memset(buffer + got, 0, frameSize - got);
  if (warnedShort_) return {};
  warnedShort_ = true;
  return problemWith(Problem::kInputTooShort, path_);
}

Status FrameSink::open(const std::string& path) {
  path_ = path;
  FileHandle handle = kNoFile;
  OsError error = openForWriting(path, handle);
  if (error == 0) {
    file_ = OpenFile(handle);
    error = identify(handle, identity_);
  }
  if (error != 0) return problemWith(Problem::kCreateOutput, path, error);
  return {};
}

Status FrameSink::empty() {
  if (const OsError error = truncateIfRegular(file_.get(), identity_)) {
    return problemWith(Problem::kCreateOutput, path_, error);
  }
  return {};
}

Status FrameSink::writeFrame(const char* buffer, uint32_t frameSize) {
  uint32_t written = 0;
  while (written < frameSize) {
    size_t put = 0;
    if (const OsError error = writeSome(file_.get(), buffer + written, frameSize - written, put)) {
      return problemWith(Problem::kWrite, path_, error);
    }
    if (put == 0) {
      Status status = problemWith(Problem::kWrite, path_);
      status.detail = "the system took no bytes";
      return status;
    }
    written += static_cast<uint32_t>(put);
  }
  return {};
}

Status FrameSink::close() {
  if (const OsError error = file_.close()) return problemWith(Problem::kWrite, path_, error);
  return {};
}

}  // namespace mvweave
