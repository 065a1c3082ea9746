// Reading frames: telling raw from Y4M, skipping to the start frame, and
// whole frames with zero fill once a source runs out.
#include "frame_source.h"

#include <algorithm>
#include <cstring>

namespace mvweave {

namespace {

// frames x frameBytes, or the largest offset when it does not fit.
uint64_t offsetOf(uint64_t frames, uint64_t frameBytes) {
  if (frameBytes != 0 && frames > UINT64_MAX / frameBytes) return UINT64_MAX;
  return frames * frameBytes;
}

}  // namespace

Status FrameSource::open(const std::string& path) {
  path_ = path;
  if (const OsError error = openIdentified(path, false, file_, identity_)) {
    return problemWith(Problem::kOpenInput, path, error);
  }
  adviseSequential(file_.get());
  return recogniseFormat();
}

// Reads the first bytes: a Y4M signature, or the start of a raw file, which
// is read again (or, from a pipe, delivered from what was held back).
Status FrameSource::recogniseFormat() {
  std::string start(kY4mSignatureLength, '\0');
  size_t got = 0;
  // A read error here is met again, and told, at the first frame.
  const Status status = readBytes(&start[0], start.size(), got);
  if (status.ok() && got == kY4mSignatureLength && start == kY4mSignature) {
    std::string parameters;
    if (Status header = readHeaderLine(parameters); !header.ok()) return header;
    Y4mHeader parsed;
    std::string reason;
    if (!parseY4mHeader(parameters, parsed, reason)) return readProblem(0, reason);
    y4m_ = parsed;
    dataStart_ = offset_;
    return {};
  }
  OsError error = 0;
  if (seekFromStart(file_.get(), 0, error) != SeekResult::kDone) heldBack_ = start.substr(0, got);
  offset_ = 0;
  return {};
}

Status FrameSource::readHeaderLine(std::string& line) {
  for (char c = 0; line.size() < kY4mLongestLine; line.push_back(c)) {
    size_t got = 0;
    if (Status status = readBytes(&c, 1, got); !status.ok()) return status;
    if (got == 0) break;
    if (c == '\n') return {};
  }
  return readProblem(0, "the Y4M header line does not end");
}

Status FrameSource::readBytes(char* buffer, size_t size, size_t& got) {
  got = std::min(size, heldBack_.size());
  std::memcpy(buffer, heldBack_.data(), got);
  heldBack_.erase(0, got);
  while (got < size) {
    size_t moved = 0;
    if (const OsError error = readSome(file_.get(), buffer + got, size - got, moved)) {
      offset_ += got;
      return readProblem(error);
    }
    if (moved == 0) break;
    got += moved;
  }
  offset_ += got;
  return {};
}

Status FrameSource::readFrameLine(bool& found) {
  const uint64_t lineStart = offset_;
  char line[kY4mFrameLineLength];
  size_t got = 0;
  if (Status status = readBytes(line, sizeof line, got); !status.ok()) return status;
  const size_t compared = std::min<size_t>(got, 5);
  if (std::memcmp(line, kY4mFrameLine, compared) != 0 ||
      (got == kY4mFrameLineLength && line[5] != '\n' && line[5] != ' ')) {
    return readProblem(
        0, "byte " + std::to_string(lineStart) + ": no FRAME line where a frame should begin");
  }
  found = got == kY4mFrameLineLength;  // otherwise the file ends within it
  if (!found || line[5] == '\n') return {};
  // Frame parameters, which the tools do not need, up to the line end.
  for (size_t length = kY4mFrameLineLength; length < kY4mLongestLine; ++length) {
    char c = 0;
    if (Status status = readBytes(&c, 1, got); !status.ok()) return status;
    if (got == 0) found = false;
    if (got == 0 || c == '\n') return {};
  }
  return readProblem(0, "byte " + std::to_string(lineStart) + ": the FRAME line does not end");
}

Status FrameSource::skipFrames(uint64_t frames, uint32_t frameSize) {
  positioned_ = true;
  if (frames == 0) return {};
  bool done = false;
  if (Status status = skipByPositioning(frames, frameSize, done); !status.ok() || done) {
    return status;
  }
  return skipByReading(frames, frameSize);
}

// Positions a file that allows it; a Y4M file's FRAME lines are taken to be
// plain, which the line where it lands confirms (else `done` stays false).
Status FrameSource::skipByPositioning(uint64_t frames, uint32_t frameSize, bool& done) {
  if (!heldBack_.empty()) return {};  // a pipe
  const uint64_t frameBytes = uint64_t{frameSize} + (y4m_ ? kY4mFrameLineLength : 0);
  const uint64_t skipped = offsetOf(frames, frameBytes);
  const uint64_t target = skipped > UINT64_MAX - dataStart_ ? UINT64_MAX : dataStart_ + skipped;
  OsError error = 0;
  switch (seekFromStart(file_.get(), target, error)) {
    case SeekResult::kUnseekable: return {};
    case SeekResult::kFailed: return readProblem(error);
    case SeekResult::kPastAnyEnd: exhausted_ = done = true; return {};
    case SeekResult::kDone: offset_ = target; break;
  }
  done = true;
  if (!y4m_) return {};
  bool found = false;
  Status status = readFrameLine(found);
  if (status.ok()) {
    exhausted_ = !found;
    frameLineRead_ = found;
    return {};
  }
  if (status.osError != 0) return status;
  // FRAME lines with parameters: go back and read forward instead.
  done = false;
  if (seekFromStart(file_.get(), dataStart_, error) != SeekResult::kDone) return readProblem(error);
  offset_ = dataStart_;
  return {};
}

Status FrameSource::skipByReading(uint64_t frames, uint32_t frameSize) {
  char scratch[64 * 1024];
  for (uint64_t skipped = 0; skipped < frames && !exhausted_; ++skipped) {
    bool found = true;
    if (y4m_) {
      if (Status status = readFrameLine(found); !status.ok()) return status;
    }
    for (uint64_t left = found ? frameSize : 0; left > 0 && !exhausted_;) {
      size_t got = 0;
      const size_t wanted = static_cast<size_t>(std::min<uint64_t>(left, sizeof scratch));
      if (Status status = readBytes(scratch, wanted, got); !status.ok()) return status;
      left -= got;
      exhausted_ = got < wanted;
    }
    exhausted_ = exhausted_ || !found;
  }
  return {};
}

Status FrameSource::beginFrame(bool& present) {
  present = !exhausted_;
  if (present && y4m_ && !frameLineRead_) {
    if (Status status = readFrameLine(present); !status.ok()) return status;
  }
  frameLineRead_ = false;
  return {};
}

Status FrameSource::endFrame(uint64_t bytes, uint32_t frameSize) {
  if (bytes == frameSize) {
    ++framesRead_;
    return {};
  }
  exhausted_ = true;
  if (warnedShort_) return {};
  warnedShort_ = true;
  return problemWith(Problem::kInputTooShort, path_);
}

Status FrameSource::readProblem(OsError error, const std::string& detail) const {
  Status status = problemWith(Problem::kRead, path_, error);
  status.detail = detail;
  return status;
}

}  // namespace mvweave
