// Reads configuration files into the settings record. A file is read in
// chunks; lines of any length are taken whole, a NUL byte ends a line's text,
// and white space before a line (blank lines, indentation, line ends) is
// skipped, so the first character of every line looked at is not white space.
#include "config_reader.h"

#include "file_system.h"
#include "messages.h"
#include "run_settings.h"

namespace {

// White space as the POSIX locale classifies it: space, \t \n \v \f \r.
bool isWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string trimmed(const std::string& text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && isWhiteSpace(text[first])) ++first;
  while (last > first && isWhiteSpace(text[last - 1])) --last;
  return text.substr(first, last - first);
}

// The text strictly between the first and the last double quote; empty when
// there are fewer than two.
std::string quotedPath(const std::string& value) {
  const size_t first = value.find('"');
  const size_t last = value.rfind('"');
  if (first == std::string::npos || first == last) return std::string();
  return value.substr(first + 1, last - first - 1);
}

enum class Key {
  kCameraPath,
  kSequencePath,
  kFirstFrm,
  kGopLength,
  kNumGop,
  kNumFrm,
  kWidth,
  kHeight
};

struct Keyword {
  const char* text;
  Key key;
};

// The camera list key comes first; "GOPLength" is tested before "NumGOP", so
// a key such as NumGOPLength counts as GOPLength.
bool findKey(const std::string& key, CameraKey cameraKey, Key& found) {
  const bool mergeKeys = cameraKey == CameraKey::kInput;
  const Keyword keywords[] = {
      {mergeKeys ? "Input" : "Output", Key::kCameraPath},
      {mergeKeys ? "Output" : "Input", Key::kSequencePath},
      {"FirstFrm", Key::kFirstFrm},
      {"GOPLength", Key::kGopLength},
      {"NumGOP", Key::kNumGop},
      {"NumFrm", Key::kNumFrm},
      {"Width", Key::kWidth},
      {"Height", Key::kHeight},
  };
  for (const Keyword& keyword : keywords) {
    if (key.find(keyword.text) != std::string::npos) {
      found = keyword.key;
      return true;
    }
  }
  return false;
}

uint32_t* numberField(RunSettings& run, Key key) {
  switch (key) {
    case Key::kFirstFrm: return &run.firstFrm;
    case Key::kGopLength: return &run.gopLength;
    case Key::kNumGop: return &run.numGop;
    case Key::kNumFrm: return &run.numFrm;
    case Key::kWidth: return &run.width;
    case Key::kHeight: return &run.height;
    default: return nullptr;
  }
}

// Blank lines and comments are skipped; everything else must be a setting.
bool applyLine(const std::string& line, CameraKey cameraKey) {
  if (line.empty() || line[0] == '#') return true;
  return parseConfigLine(line, cameraKey);
}

// Splits the file into lines as it arrives. Between lines white space is
// skipped; within a line everything up to the line feed is kept, except
// that a NUL byte ends the line's text and what follows it is dropped.
bool applyLines(FileHandle file, CameraKey cameraKey) {
  enum class State { kBetweenLines, kInLine, kAfterNul } state = State::kBetweenLines;
  std::string line;
  char chunk[64 * 1024];
  for (;;) {
    const int64_t got = readSome(file, chunk, sizeof chunk);
    if (got < 0) {
      writeLine(msg::kOpenConfigFailed);
      return false;
    }
    if (got == 0) break;
    for (int64_t i = 0; i < got; ++i) {
      const char c = chunk[i];
      if (state == State::kBetweenLines) {
        if (isWhiteSpace(c)) continue;
        state = State::kInLine;
        line.clear();
      }
      if (c == '\n') {
        if (!applyLine(line, cameraKey)) return false;
        state = State::kBetweenLines;
      } else if (state == State::kInLine) {
        if (c == '\0') {
          state = State::kAfterNul;
        } else {
          line.push_back(c);
        }
      }
    }
  }
  // A last line without a line end still counts.
  return state == State::kBetweenLines || applyLine(line, cameraKey);
}

}  // namespace

bool readConfigFile(const std::string& path, CameraKey cameraKey) {
  if (path.empty()) return false;
  FileHandle file;
  if (!openForReading(path, file)) {
    writeLine(msg::kOpenConfigFailed);
    return false;
  }
  const bool applied = applyLines(file, cameraKey);
  closeFile(file);  // read-only: nothing can be lost at close
  return applied;
}

uint32_t parseNumber(const std::string& value) {
  constexpr int64_t kLowest = INT32_MIN;
  constexpr int64_t kHighest = UINT32_MAX;
  size_t at = 0;
  while (at < value.size() && isWhiteSpace(value[at])) ++at;
  bool negative = false;
  if (at < value.size() && (value[at] == '+' || value[at] == '-')) negative = value[at++] == '-';
  int64_t magnitude = 0;
  for (; at < value.size() && value[at] >= '0' && value[at] <= '9'; ++at) {
    magnitude = magnitude * 10 + (value[at] - '0');
    if (magnitude > kHighest) magnitude = kHighest + 1;  // saturate; clamped below
  }
  int64_t number = negative ? -magnitude : magnitude;
  if (number < kLowest) number = kLowest;
  if (number > kHighest) number = kHighest;
  return static_cast<uint32_t>(number);
}

bool parseConfigLine(const std::string& line, CameraKey cameraKey) {
  const size_t equals = line.find('=');
  if (equals == std::string::npos) return false;
  const std::string key = line.substr(0, equals);
  const std::string value = line.substr(equals + 1);

  Key found;
  if (!findKey(key, cameraKey, found)) {
    writeLine(msg::kUnknownIdentifier);
    return false;
  }
  RunSettings& run = settings();
  if (found == Key::kCameraPath) {
    run.cameraPaths.push_back(quotedPath(value));
  } else if (found == Key::kSequencePath) {
    run.sequencePath = quotedPath(value);
  } else {
    *numberField(run, found) = parseNumber(trimmed(value));
  }
  return true;
}
