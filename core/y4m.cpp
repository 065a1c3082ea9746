// Y4M header and frame lines, read and written.
#include "y4m.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <string_view>
#include <utility>

namespace mvweave {

namespace {

// A decimal number of up to 32 bits and nothing else.
bool parseDimension(const std::string& text, uint32_t& value) {
  if (text.empty() || text.size() > 10) return false;
  uint64_t number = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + static_cast<uint64_t>(c - '0');
  }
  if (number > UINT32_MAX) return false;
  value = static_cast<uint32_t>(number);
  return true;
}

// n:d, two such numbers; both above 0 when `positive`.
bool isRatio(const std::string& text, bool positive) {
  const size_t colon = text.find(':');
  uint32_t numerator = 0;
  uint32_t denominator = 0;
  return colon != std::string::npos && parseDimension(text.substr(0, colon), numerator) &&
         parseDimension(text.substr(colon + 1), denominator) &&
         (!positive || (numerator > 0 && denominator > 0));
}

bool isPrintable(const std::string& text) {
  for (const char c : text) {
    if (c <= ' ' || c > '~') return false;
  }
  return true;
}

// Parameters are separated by single spaces.
std::vector<std::string> wordsOf(const std::string& parameters) {
  std::vector<std::string> words;
  size_t start = 0;
  while (start <= parameters.size()) {
    const size_t end = std::min(parameters.find(' ', start), parameters.size());
    if (end > start) words.push_back(parameters.substr(start, end - start));
    start = end + 1;
  }
  return words;
}

// The tags the tools only copy into the headers they write: each is kept
// when it is well formed, and any other tag is not needed.
void takeCopiedTag(char tag, const std::string& value, Y4mHeader& header) {
  switch (tag) {
    case 'F':
      if (isRatio(value, true)) header.frameRate = value;
      return;
    case 'I':
      if (value == "p" || value == "t" || value == "b" || value == "?") header.interlacing = value;
      if (value == "m") header.interlacing = "?";  // the per-frame modes are not carried
      return;
    case 'A':
      if (isRatio(value, false)) header.aspectRatio = value;
      return;
    case 'X':
      if (isPrintable(value)) header.extensions.push_back(value);
      return;
    default: return;
  }
}

}  // namespace

bool parseY4mHeader(const std::string& parameters, Y4mHeader& header, std::string& reason) {
  bool sawWidth = false;
  bool sawHeight = false;
  for (const std::string& word : wordsOf(parameters)) {
    const std::string value = word.substr(1);
    if (word[0] == 'W') {
      sawWidth = parseDimension(value, header.width);
    } else if (word[0] == 'H') {
      sawHeight = parseDimension(value, header.height);
    } else if (word[0] == 'C') {
      header.colourSpace = value;
    } else {
      takeCopiedTag(word[0], value, header);
    }
  }
  if (sawWidth && sawHeight) return true;
  reason = "the Y4M header has no valid W and H";
  return false;
}

bool formatOfColourSpace(const std::string& colourSpace, uint32_t& chroma, uint32_t& bitDepth) {
  const std::string& c = colourSpace;
  if (c == "420jpeg" || c == "420mpeg2" || c == "420paldv" || c == "420" || c == "422" ||
      c == "444" || c == "mono") {
    chroma = c == "mono" ? 400 : static_cast<uint32_t>(std::stoul(c.substr(0, 3)));
    bitDepth = 8;
    return true;
  }
  // 420p10, 422p12, 444p16; mono10, mono16.
  std::string depth;
  if (c.size() > 4 && (c.compare(0, 4, "420p") == 0 || c.compare(0, 4, "422p") == 0 ||
                       c.compare(0, 4, "444p") == 0)) {
    chroma = static_cast<uint32_t>(std::stoul(c.substr(0, 3)));
    depth = c.substr(4);
  } else if (c.size() > 4 && c.compare(0, 4, "mono") == 0) {
    chroma = 400;
    depth = c.substr(4);
  } else {
    return false;
  }
  if (depth.size() > 2 || !std::isdigit(static_cast<unsigned char>(depth[0])) ||
      !std::isdigit(static_cast<unsigned char>(depth.back()))) {
    return false;
  }
  bitDepth = static_cast<uint32_t>(std::stoul(depth));
  return bitDepth >= 8 && bitDepth <= 16;
}

std::string colourSpaceOf(uint32_t chroma, uint32_t bitDepth) {
  const std::string base = chroma == 400 ? "mono" : std::to_string(chroma);
  if (bitDepth == 8) return chroma == 420 ? "420jpeg" : base;
  return base + (chroma == 400 ? "" : "p") + std::to_string(bitDepth);
}

std::string y4mHeaderLine(const Y4mHeader& header) {
  std::string line = std::string(kY4mSignature) + "W" + std::to_string(header.width) + " H" +
                     std::to_string(header.height) + " F" + header.frameRate + " I" +
                     header.interlacing + " A" + header.aspectRatio + " C" + header.colourSpace;
  for (const std::string& extension : header.extensions) {
    const bool record = extension.compare(0, sizeof kLayoutRecordTag - 1, kLayoutRecordTag) == 0;
    if (record || line.size() + 2 + extension.size() + 1 <= kY4mReadableHeader) {
      line += " X" + extension;
    }
  }
  return line + "\n";
}

Y4mHeader y4mOutputHeader(uint32_t width, uint32_t height, uint32_t chroma, uint32_t bitDepth,
                          const Y4mHeader* firstInput) {
  Y4mHeader header = firstInput != nullptr ? *firstInput : Y4mHeader{};
  header.width = width;
  header.height = height;
  uint32_t inputChroma = 0;
  uint32_t inputDepth = 0;
  const bool sameFormat = firstInput != nullptr &&
                          formatOfColourSpace(header.colourSpace, inputChroma, inputDepth) &&
                          inputChroma == chroma && inputDepth == bitDepth;
  if (!sameFormat) header.colourSpace = colourSpaceOf(chroma, bitDepth);
  auto& extensions = header.extensions;
  extensions.erase(
      std::remove_if(extensions.begin(), extensions.end(),
                     [](const std::string& tag) { return tag.rfind("YSCSS=", 0) == 0; }),
      extensions.end());
  return header;
}

bool isY4mPath(const std::string& path) {
  if (path.size() < 4) return false;
  std::string ending = path.substr(path.size() - 4);
  for (char& c : ending) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ending == ".y4m";
}

FrameLine frameLineIn(std::string_view bytes, size_t& length) {
  const std::string_view start = bytes.substr(0, kY4mFrameLineLength - 1);
  if (start != std::string_view(kY4mFrameLine, start.size())) return FrameLine::kBroken;
  if (bytes.size() < kY4mFrameLineLength) return FrameLine::kCut;
  const char after = bytes[kY4mFrameLineLength - 1];
  if (after != '\n' && after != ' ') return FrameLine::kBroken;
  const size_t end = bytes.find('\n');
  if (end == std::string_view::npos) {
    return bytes.size() >= kY4mLongestLine ? FrameLine::kTooLong : FrameLine::kCut;
  }
  length = end + 1;
  return FrameLine::kWhole;
}

Y4mFrameIndex::Y4mFrameIndex(ReadAt readAt, uint64_t firstLine, uint64_t length, uint32_t frameSize)
    : readAt_(std::move(readAt)),
      length_(length),
      frameSize_(frameSize),
      windowSize_(frameSize < kY4mLongestLine ? size_t{64} * 1024 : kY4mLongestLine),
      at_(firstLine) {}

OsError Y4mFrameIndex::view(uint64_t at, size_t room, std::string_view& bytes) {
  if (at < windowStart_ || at + room > windowStart_ + window_.size()) {
    window_.resize(std::max(windowSize_, room));
    size_t got = 0;
    if (const OsError error = readAt_(at, &window_[0], window_.size(), got)) return error;
    window_.resize(got);
    windowStart_ = at;
  }
  bytes = std::string_view(window_).substr(at - windowStart_, room);
  return 0;
}

OsError Y4mFrameIndex::next(Next& found, uint64_t& data) {
  found = Next::kEnd;
  if (at_ >= length_) return 0;
  std::string_view bytes;
  const auto room = static_cast<size_t>(std::min<uint64_t>(kY4mLongestLine, length_ - at_));
  if (const OsError error = view(at_, room, bytes)) return error;
  size_t lineLength = 0;
  switch (frameLineIn(bytes, lineLength)) {
    case FrameLine::kCut: return 0;  // the file ends within the line
    case FrameLine::kBroken: found = Next::kBroken; return 0;
    case FrameLine::kTooLong: found = Next::kTooLong; return 0;
    case FrameLine::kWhole: break;
  }
  data = at_ + lineLength;
  if (length_ - data < frameSize_) {
    partialBytes_ = length_ - data;
    return 0;
  }
  at_ = data + frameSize_;
  found = Next::kFrame;
  return 0;
}

}  // namespace mvweave
