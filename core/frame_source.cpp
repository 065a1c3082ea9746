// Reading frames: raw or Y4M, skipping to the start frame, and whole frames
// with zero fill once a source runs out.
#include "frame_source.h"

#include "counts.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace mvweave {

namespace {

// Bytes read at a time when the bytes are only passed over.
constexpr size_t kScratchSize = size_t{64} * 1024;

// frames x frameBytes, or the largest offset when it does not fit.
uint64_t offsetOf(uint64_t frames, uint64_t frameBytes) {
  if (frameBytes != 0 && frames > UINT64_MAX / frameBytes) return UINT64_MAX;
  return frames * frameBytes;
}

}  // namespace

Status FrameSource::open(FileSystem& files, const std::string& path,
                         std::optional<uint32_t> camera) {
  path_ = path;
  camera_ = camera;
  name_ = nameOf(path, camera);
  files_ = &files;
  if (const OsError error = openToRead(files, path, file_, info_)) {
    return problemWith(Problem::kOpenInput, path_, error, {}, camera_);
  }
  return {};
}

Status FrameSource::recogniseFormat() {
  y4m_.reset();
  std::string start;
  if (Status status = peek(kY4mSignatureLength, start); !status.ok()) return status;
  if (start != kY4mSignature) return {};
  std::string line;
  Line result = Line::kEnded;
  if (Status status = readLine(kY4mLongestLine, line, result); !status.ok()) return status;
  const std::string what = "the Y4M header line";
  if (result == Line::kTooLong) {
    return readProblem(0, what + " is longer than " + std::to_string(kY4mLongestLine) + " bytes");
  }
  if (result == Line::kEndOfFile) return readProblem(0, what + " does not end");
  Y4mHeader header;
  std::string reason;
  if (!parseY4mHeader(line.substr(kY4mSignatureLength), header, reason)) {
    return readProblem(0, reason);
  }
  y4m_ = header;
  return {};
}

Status FrameSource::readFrameLine(bool& found) {
  found = false;
  const uint64_t lineStart = offset_;
  char start[kY4mFrameLineLength];
  size_t got = 0;
  if (Status status = readBytes(start, sizeof start, got); !status.ok()) return status;
  size_t length = 0;
  const FrameLine line = frameLineIn(std::string_view(start, got), length);
  found = line == FrameLine::kWhole;
  if (line == FrameLine::kBroken) return frameLineProblem(lineStart, false);
  if (line != FrameLine::kCut || got < kY4mFrameLineLength) return {};
  std::string parameters;
  Line result = Line::kEnded;
  if (Status status = readLine(kY4mLongestLine - got, parameters, result); !status.ok()) {
    return status;
  }
  if (result == Line::kTooLong) return frameLineProblem(lineStart, true);
  found = result == Line::kEnded;
  return {};
}

Status FrameSource::frameLineProblem(uint64_t lineStart, bool tooLong) const {
  const std::string where = "byte " + std::to_string(lineStart) + ": ";
  if (!tooLong) return readProblem(0, where + "no FRAME line where a frame should begin");
  return readProblem(
      0, where + "the FRAME line is longer than " + std::to_string(kY4mLongestLine) + " bytes");
}

bool FrameSource::lengthFromStart(uint64_t& bytes) const {
  if (!info_.lengthKnown) return false;
  bytes = info_.length > info_.offset ? info_.length - info_.offset : 0;
  return true;
}

Status FrameSource::countFrames(uint32_t frameSize, uint64_t enough, uint64_t read,
                                FrameCount& count) const {
  uint64_t length = 0;
  count = FrameCount{};
  if (frameSize == 0 || !lengthFromStart(length)) return {};
  count.known = true;
  if (!y4m_) {
    count.frames = length / frameSize;
    count.partialBytes = length % frameSize;
    return {};
  }
  // A frame line that the walk would refuse fails the count as it would fail
  // the walk, among the frames the walk reads; a later one ends it.
  Y4mFrameIndex index(
      [this](uint64_t at, char* buffer, size_t size, size_t& got) {
        return files_->readAt(file_.get(), at, buffer, size, got);
      },
      info_.offset + offset_, info_.length, frameSize);
  for (count.frames = 0; count.frames < enough; ++count.frames) {
    if (files_->stopRequested()) return readProblem(ECANCELED);
    Y4mFrameIndex::Next found = Y4mFrameIndex::Next::kEnd;
    uint64_t data = 0;
    if (const OsError error = index.next(found, data)) return readProblem(error);
    if (found == Y4mFrameIndex::Next::kFrame) continue;
    count.partialBytes = index.partialBytes();
    if (found == Y4mFrameIndex::Next::kEnd || count.frames >= read) return {};
    return frameLineProblem(index.lineStart() - info_.offset,
                            found == Y4mFrameIndex::Next::kTooLong);
  }
  return {};
}

// Offsets count from where the source starts: a descriptor the process was
// given is read from its own offset on.
Status FrameSource::seekTo(uint64_t offset) {
  const uint64_t target = offset > UINT64_MAX - info_.offset ? UINT64_MAX : info_.offset + offset;
  if (const OsError error = files_->seek(file_.get(), target)) return readProblem(error);
  return {};
}

Status FrameSource::peek(size_t size, std::string& bytes) {
  size_t got = 1;
  Status status;
  while (status.ok() && heldBack_.size() < size && got > 0) {
    status = readAhead(size - heldBack_.size(), got);
  }
  bytes = heldBack_.substr(0, size);
  if (status.ok()) status = seekBackOverReadAhead();
  if (!status.ok()) return problemWith(Problem::kOpenInput, path_, status.osError, {}, camera_);
  return {};
}

Status FrameSource::readLine(size_t longest, std::string& line, Line& result) {
  line.clear();
  for (;;) {
    const size_t end = heldBack_.find('\n');
    const size_t length = std::min(end, heldBack_.size());
    if (line.size() + length + 1 > longest) {
      result = Line::kTooLong;
      return {};
    }
    line.append(heldBack_, 0, length);
    const size_t taken = end == std::string::npos ? length : length + 1;
    heldBack_.erase(0, taken);
    offset_ += taken;
    if (end != std::string::npos) {
      result = Line::kEnded;
      return seekBackOverReadAhead();
    }
    size_t got = 0;
    if (Status status = readAhead(longest - line.size(), got); !status.ok()) return status;
    if (got == 0) {
      result = Line::kEndOfFile;
      return {};
    }
  }
}

// One read call: a pipe gives what it has, without waiting for a whole block.
Status FrameSource::readAhead(size_t size, size_t& got) {
  const size_t kept = heldBack_.size();
  heldBack_.resize(kept + size);
  got = 0;
  const OsError error = files_->read(file_.get(), &heldBack_[kept], size, got);
  heldBack_.resize(kept + got);
  return error == 0 ? Status{} : readProblem(error);
}

Status FrameSource::seekBackOverReadAhead() {
  if (!info_.seekable || heldBack_.empty()) return {};
  if (Status status = seekTo(offset_); !status.ok()) return status;
  heldBack_.clear();
  return {};
}

Status FrameSource::readBytes(char* buffer, size_t size, size_t& got) {
  got = std::min(size, heldBack_.size());
  std::memcpy(buffer, heldBack_.data(), got);
  heldBack_.erase(0, got);
  while (got < size) {
    size_t moved = 0;
    if (const OsError error = files_->read(file_.get(), buffer + got, size - got, moved)) {
      offset_ += got;
      return readProblem(error);
    }
    if (moved == 0) break;
    got += moved;
  }
  offset_ += got;
  return {};
}

Status FrameSource::skipFrames(uint64_t frames, uint32_t frameSize) {
  if (!y4m_) return skipBytes(offsetOf(frames, frameSize));
  for (uint64_t skipped = 0; skipped < frames && !exhausted_; ++skipped) {
    if (files_->stopRequested()) return readProblem(ECANCELED);
    bool found = false;
    if (Status status = readFrameLine(found); !status.ok()) return status;
    exhausted_ = !found;
    if (found) {
      if (Status status = skipBytes(frameSize); !status.ok()) return status;
    }
  }
  return {};
}

Status FrameSource::skipBytes(uint64_t size) {
  const size_t held = static_cast<size_t>(std::min<uint64_t>(size, heldBack_.size()));
  heldBack_.erase(0, held);
  offset_ += held;
  size -= held;
  if (size == 0) return {};
  if (info_.seekable) {
    const uint64_t target = size > UINT64_MAX - offset_ ? UINT64_MAX : offset_ + size;
    Status status = seekTo(target);
    if (status.ok()) {
      offset_ = target;
      return {};
    }
    // Beyond the largest file there can be: nothing there to read.
    if (status.osError == EINVAL) {
      exhausted_ = true;
      return {};
    }
    if (status.osError != ESPIPE) return status;  // else read forward after all
  }
  return readPast(size);
}

Status FrameSource::readPast(uint64_t size) {
  if (!scratch_) scratch_ = std::make_unique<char[]>(kScratchSize);
  while (size > 0 && !exhausted_) {
    if (files_->stopRequested()) return readProblem(ECANCELED);
    size_t got = 0;
    const size_t wanted = static_cast<size_t>(std::min<uint64_t>(size, kScratchSize));
    if (Status status = readBytes(scratch_.get(), wanted, got); !status.ok()) return status;
    size -= got;
    exhausted_ = got < wanted;
  }
  return {};
}

Status FrameSource::beginFrame(bool& present) {
  present = !exhausted_;
  if (present && y4m_) return readFrameLine(present);
  return {};
}

bool FrameSource::endFrame(uint64_t bytes, uint32_t frameSize) {
  if (bytes == frameSize) {
    ++framesRead_;
    return false;
  }
  if (!exhausted_) partialBytes_ = bytes;
  exhausted_ = true;
  if (warnedShort_) return false;
  warnedShort_ = true;
  return true;
}

Status FrameSource::readProblem(OsError error, const std::string& detail) const {
  return problemWith(Problem::kRead, path_, error, detail, camera_);
}

}  // namespace mvweave
