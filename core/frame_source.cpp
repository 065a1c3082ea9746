// Reading frames: telling raw from Y4M, skipping to the start frame, and
// whole frames with zero fill once a source runs out.
#include "frame_source.h"

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

std::string tooLong(const std::string& what) {
  return what + " is longer than " + std::to_string(kY4mLongestLine) + " bytes";
}

}  // namespace

Status FrameSource::open(FileSystem& files, const std::string& path, const std::string& name) {
  path_ = path;
  name_ = name;
  files_ = &files;
  if (const OsError error = openToRead(files, path, file_, info_)) {
    return problemWith(Problem::kOpenInput, name_, error);
  }
  return {};
}

bool FrameSource::lengthFromStart(uint64_t& bytes) const {
  if (!info_.lengthKnown) return false;
  bytes = info_.length > info_.position ? info_.length - info_.position : 0;
  return true;
}

// Offsets count from where the source starts: a descriptor the process was
// given is read from its own offset on.
Status FrameSource::seekTo(uint64_t offset) {
  const uint64_t target =
      offset > UINT64_MAX - info_.position ? UINT64_MAX : info_.position + offset;
  if (const OsError error = files_->seek(file_.get(), target)) return readProblem(error);
  return {};
}

// A raw file's first bytes are read again (or, from a pipe, delivered from
// what was held back).
Status FrameSource::recogniseFormat() {
  size_t got = 0;
  // A read error here is met again, and told, at the first frame.
  while (heldBack_.size() < kY4mSignatureLength &&
         readAhead(kY4mSignatureLength - heldBack_.size(), got).ok() && got > 0) {
  }
  if (heldBack_ != kY4mSignature) return giveBackReadAhead();
  heldBack_.clear();
  offset_ = kY4mSignatureLength;
  std::string parameters;
  bool ended = false;
  const std::string what = "the Y4M header line";
  if (Status status = readLineRest(kY4mSignatureLength, parameters, ended, what); !status.ok()) {
    return status;
  }
  if (!ended) return readProblem(0, what + " does not end");
  Y4mHeader parsed;
  std::string reason;
  if (!parseY4mHeader(parameters, parsed, reason)) return readProblem(0, reason);
  y4m_ = parsed;
  return {};
}

Status FrameSource::readLineRest(size_t taken, std::string& rest, bool& ended,
                                 const std::string& what) {
  rest.clear();
  ended = false;
  const size_t room = kY4mLongestLine - taken;  // for the rest and the line end
  for (;;) {
    const size_t end = heldBack_.find('\n');
    const size_t length = end == std::string::npos ? heldBack_.size() : end;
    if (rest.size() + length + 1 > room) return readProblem(0, tooLong(what));
    rest.append(heldBack_, 0, length);
    if (end != std::string::npos) {
      heldBack_.erase(0, end + 1);
      offset_ += end + 1;
      ended = true;
      return giveBackReadAhead();
    }
    offset_ += heldBack_.size();
    heldBack_.clear();
    size_t got = 0;
    if (Status status = readAhead(room - rest.size(), got); !status.ok() || got == 0) {
      return status;
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

// A file that can be positioned is read on from where its reader stands,
// so that frames can move inside the kernel.
Status FrameSource::giveBackReadAhead() {
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

Status FrameSource::readFrameLine(bool& found) {
  found = false;
  const uint64_t lineStart = offset_;
  const auto where = [lineStart] { return "byte " + std::to_string(lineStart) + ": "; };
  char start[kY4mFrameLineLength];
  size_t got = 0;
  if (Status status = readBytes(start, sizeof start, got); !status.ok()) return status;
  const size_t compared = std::min<size_t>(got, kY4mFrameLineLength - 1);
  if (std::memcmp(start, kY4mFrameLine, compared) != 0 ||
      (got == kY4mFrameLineLength && start[5] != '\n' && start[5] != ' ')) {
    return readProblem(0, where() + "no FRAME line where a frame should begin");
  }
  // Fewer bytes: the file ends within the line.
  if (got < kY4mFrameLineLength) return {};
  if (start[5] == '\n') {
    found = true;
    return {};
  }
  // Frame parameters, which the tools do not need, up to the line end.
  std::string parameters;
  return readLineRest(kY4mFrameLineLength, parameters, found, where() + "the FRAME line");
}

bool FrameSource::countFrames(uint32_t frameSize, uint64_t enough, uint64_t& frames) const {
  uint64_t length = 0;
  if (frameSize == 0 || !lengthFromStart(length)) return false;
  if (y4m_) return countY4mFrames(frameSize, enough, frames);
  frames = length / frameSize;
  return true;
}

// FRAME lines are read where they begin, the pictures passed over; a line
// that is no FRAME line ends the count (the walk tells of it).
bool FrameSource::countY4mFrames(uint32_t frameSize, uint64_t enough, uint64_t& frames) const {
  std::string line(kY4mLongestLine, '\0');
  const uint64_t length = info_.length;
  uint64_t offset = info_.position + offset_;
  for (frames = 0; frames < enough; ++frames) {
    size_t got = 0;
    if (files_->readAt(file_.get(), offset, &line[0], line.size(), got) != 0) return false;
    const size_t end = line.find('\n');
    if (got < kY4mFrameLineLength || end >= got || line.compare(0, 5, kY4mFrameLine, 5) != 0) {
      return true;
    }
    offset += end + 1;
    if (length < offset || length - offset < frameSize) return true;
    offset += frameSize;
  }
  return true;
}

Status FrameSource::skipFrames(uint64_t frames, uint32_t frameSize) {
  if (!y4m_) return skipBytes(offsetOf(frames, frameSize));
  for (uint64_t skipped = 0; skipped < frames && !exhausted_; ++skipped) {
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
    const Status status = seekTo(target);
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
  if (!scratch_) scratch_ = std::make_unique<char[]>(kScratchSize);
  while (size > 0 && !exhausted_) {
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

Status FrameSource::endFrame(uint64_t bytes, uint32_t frameSize) {
  if (bytes == frameSize) {
    ++framesRead_;
    return {};
  }
  exhausted_ = true;
  if (warnedShort_) return {};
  warnedShort_ = true;
  return inputTooShort(path_, name_, "");
}

Status FrameSource::readProblem(OsError error, const std::string& detail) const {
  return problemWith(Problem::kRead, name_, error, detail);
}

}  // namespace mvweave
