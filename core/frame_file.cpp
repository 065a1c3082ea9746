// Whole-frame reads and writes over the raw file calls, with zero fill for
// sources that run out and a message for every failure.
#include "frame_file.h"

#include <cstdio>
#include <cstring>

#include "messages.h"

namespace {

// Reads until the buffer is full or the source ends; the byte count, or -1.
int64_t readFully(FileHandle handle, char* buffer, uint32_t size) {
  uint32_t filled = 0;
  while (filled < size) {
    const int64_t got = readSome(handle, buffer + filled, size - filled);
    if (got < 0) return -1;
    if (got == 0) break;
    filled += static_cast<uint32_t>(got);
  }
  return filled;
}

void warnShort(FrameFile& file) {
  if (file.warnedShort) return;
  file.warnedShort = true;
  std::printf("%s%s\n", msg::kInputTooShort, file.path.c_str());
}

// frames x frameSize, or the largest offset when it does not fit.
uint64_t offsetOf(uint64_t frames, uint32_t frameSize) {
  if (frameSize != 0 && frames > UINT64_MAX / frameSize) return UINT64_MAX;
  return frames * frameSize;
}

}  // namespace

bool openInput(FrameFile& file, const std::string& path) {
  file.path = path;
  if (!openForReading(path, file.handle) || !identify(file.handle, file.identity)) {
    writeLine(msg::kOpenInputFailed);
    return false;
  }
  adviseSequential(file.handle);
  return true;
}

bool openOutput(FrameFile& file, const std::string& path) {
  file.path = path;
  if (!openForWriting(path, file.handle) || !identify(file.handle, file.identity)) {
    writeLine(msg::kCreateOutputFailed);
    return false;
  }
  return true;
}

bool truncateOutput(FrameFile& file) {
  if (!truncateIfRegular(file.handle, file.identity)) {
    writeLine(msg::kCreateOutputFailed);
    return false;
  }
  return true;
}

bool skipFrames(FrameFile& file, uint64_t frames, char* buffer, uint32_t frameSize) {
  file.positioned = true;
  const uint64_t offset = offsetOf(frames, frameSize);
  if (offset == 0) return true;
  switch (seekFromStart(file.handle, offset)) {
    case SeekResult::kDone: return true;
    case SeekResult::kPastAnyEnd: file.exhausted = true; return true;
    case SeekResult::kFailed: writeLine(msg::kReadFailed); return false;
    case SeekResult::kUnseekable: break;
  }
  for (uint64_t skipped = 0; skipped < frames && !file.exhausted; ++skipped) {
    const int64_t got = readFully(file.handle, buffer, frameSize);
    if (got < 0) {
      writeLine(msg::kReadFailed);
      return false;
    }
    file.exhausted = got < frameSize;
  }
  return true;
}

bool readFrame(FrameFile& file, char* buffer, uint32_t frameSize) {
  int64_t got = 0;
  if (!file.exhausted) {
    got = readFully(file.handle, buffer, frameSize);
    if (got < 0) {
      writeLine(msg::kReadFailed);
      return false;
    }
  }
  if (got < frameSize) {
    file.exhausted = true;
    std::memset(buffer + got, 0, frameSize - static_cast<uint32_t>(got));
    warnShort(file);
  }
  return true;
}

bool writeFrame(FrameFile& file, const char* buffer, uint32_t frameSize) {
  uint32_t written = 0;
  while (written < frameSize) {
    const int64_t put = writeSome(file.handle, buffer + written, frameSize - written);
    if (put <= 0) {
      writeLine(msg::kWriteFailed);
      return false;
    }
    written += static_cast<uint32_t>(put);
  }
  return true;
}

void closeInput(FrameFile& file) {
  // Nothing of a source can be lost when closing it fails.
  closeFile(file.handle);
  file.handle = kNoFile;
}

bool closeOutput(FrameFile& file) {
  const bool closed = closeFile(file.handle);
  file.handle = kNoFile;
  if (!closed) writeLine(msg::kWriteFailed);
  return closed;
}
