// Reads configuration files into the settings record. A file is read in
// chunks and every line is taken apart as its characters arrive, keeping
// only what a setting needs: which keywords the key contains and the value
// (a path, or the state of a number being read). A line of any length costs
// no memory of its own unless it is a path, and a file that is not a
// configuration at all (a raw video passed by mistake) is refused at its
// first line without being stored. White space before a line (blank lines,
// indentation, line ends) is skipped, a NUL byte ends a line's text, and a
// UTF-8 byte order mark at the very start of the file is ignored.
#include "config_reader.h"

#include <cstring>
#include <optional>
#include <string_view>

#include "file_system.h"
#include "messages.h"
#include "run_settings.h"

namespace {

// White space as the POSIX locale classifies it: space, \t \n \v \f \r.
bool isWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

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
  std::string_view text;
  Key key;
};

// The camera list key comes first; "GOPLength" is tested before "NumGOP", so
// a key such as NumGOPLength counts as GOPLength.
constexpr Keyword kMergeKeywords[] = {
    {"Input", Key::kCameraPath},    {"Output", Key::kSequencePath}, {"FirstFrm", Key::kFirstFrm},
    {"GOPLength", Key::kGopLength}, {"NumGOP", Key::kNumGop},       {"NumFrm", Key::kNumFrm},
    {"Width", Key::kWidth},         {"Height", Key::kHeight},
};
constexpr Keyword kSplitKeywords[] = {
    {"Output", Key::kCameraPath},   {"Input", Key::kSequencePath}, {"FirstFrm", Key::kFirstFrm},
    {"GOPLength", Key::kGopLength}, {"NumGOP", Key::kNumGop},      {"NumFrm", Key::kNumFrm},
    {"Width", Key::kWidth},         {"Height", Key::kHeight},
};
constexpr size_t kKeywordCount = sizeof kMergeKeywords / sizeof kMergeKeywords[0];
constexpr size_t kLongestKeyword = 9;

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

// Reads a number value as its characters arrive, as the standard atoi does
// on the trimmed value: optional white space and sign, then decimal digits up
// to the first other character (none gives 0).
class NumberReader {
 public:
  void add(char c) {
    switch (phase_) {
      case Phase::kSpace:
        if (isWhiteSpace(c)) return;
        phase_ = Phase::kDigits;
        if (c == '+' || c == '-') {
          negative_ = c == '-';
          return;
        }
        [[fallthrough]];
      case Phase::kDigits:
        if (c < '0' || c > '9') {
          phase_ = Phase::kDone;
          return;
        }
        magnitude_ = magnitude_ * 10 + (c - '0');
        if (magnitude_ > kBeyond) magnitude_ = kBeyond;  // saturate; clamped below
        return;
      case Phase::kDone: return;
    }
  }

  // Clamped to [-2147483648, 4294967295] and kept as its low 32 bits.
  uint32_t value() const {
    int64_t number = negative_ ? -magnitude_ : magnitude_;
    if (number < INT32_MIN) number = INT32_MIN;
    if (number > int64_t{UINT32_MAX}) number = UINT32_MAX;
    return static_cast<uint32_t>(number);
  }

 private:
  static constexpr int64_t kBeyond = int64_t{UINT32_MAX} + 1;
  enum class Phase { kSpace, kDigits, kDone } phase_ = Phase::kSpace;
  bool negative_ = false;
  int64_t magnitude_ = 0;
};

// One setting line, fed character by character (its line end and anything
// after a NUL byte excluded). add() and finish() return false when the line
// stops the tool, after writing the message where there is one.
class SettingLine {
 public:
  explicit SettingLine(CameraKey cameraKey)
      : keywords_(cameraKey == CameraKey::kInput ? kMergeKeywords : kSplitKeywords) {}

  bool add(char c) {
    if (!sawEquals_) {
      if (c != '=') {
        addToKey(c);
        return true;
      }
      sawEquals_ = true;
      return chooseKey();
    }
    if (isPath()) {
      addToPath(c);
    } else {
      number_.add(c);
    }
    return true;
  }

  bool finish(RunSettings& run) {
    if (!sawEquals_) return false;  // a line without '=' stops the tool silently
    if (key_ == Key::kCameraPath) {
      run.cameraPaths.push_back(pathValue());
    } else if (key_ == Key::kSequencePath) {
      run.sequencePath = pathValue();
    } else {
      *numberField(run, key_) = number_.value();
    }
    return true;
  }

 private:
  // A keyword is in the key when it ends at some character of it: the last
  // few characters are kept, and compared when one could end a keyword.
  void addToKey(char c) {
    std::memmove(window_, window_ + 1, kLongestKeyword - 1);
    window_[kLongestKeyword - 1] = c;
    if (keyLength_ < kLongestKeyword) ++keyLength_;
    for (size_t k = 0; k < kKeywordCount; ++k) {
      const std::string_view keyword = keywords_[k].text;
      if (keyword.back() == c && keyword.size() <= keyLength_ &&
          keyword == std::string_view(window_ + kLongestKeyword - keyword.size(), keyword.size())) {
        found_[k] = true;
      }
    }
  }

  // The first keyword of the tool's order that the key contains.
  bool chooseKey() {
    for (size_t k = 0; k < kKeywordCount; ++k) {
      if (found_[k]) {
        key_ = keywords_[k].key;
        return true;
      }
    }
    writeLine(msg::kUnknownIdentifier);
    return false;
  }

  bool isPath() const { return key_ == Key::kCameraPath || key_ == Key::kSequencePath; }

  // The path is the text strictly between the first and the last double
  // quote: everything after the first is kept, then cut back to the last.
  void addToPath(char c) {
    if (!openedQuote_) {
      openedQuote_ = c == '"';
      return;
    }
    if (c == '"') closingQuote_ = path_.size();
    path_.push_back(c);
  }

  std::string pathValue() {
    if (closingQuote_ == std::string::npos) return std::string();
    path_.resize(closingQuote_);
    return std::move(path_);
  }

  const Keyword* keywords_;
  char window_[kLongestKeyword] = {};
  size_t keyLength_ = 0;  // counted up to the window's size
  bool found_[kKeywordCount] = {};
  bool sawEquals_ = false;
  Key key_ = Key::kWidth;
  bool openedQuote_ = false;
  size_t closingQuote_ = std::string::npos;
  std::string path_;
  NumberReader number_;
};

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr size_t kByteOrderMarkLength = 3;

// Splits a file into lines as its bytes arrive and applies each line.
class LineSplitter {
 public:
  LineSplitter(CameraKey cameraKey, RunSettings& run) : cameraKey_(cameraKey), run_(run) {}

  // False as soon as a line stops the tool.
  bool add(char c) {
    if (markMatched_ == kByteOrderMarkLength) return addToLine(c);
    if (c == kByteOrderMark[markMatched_]) {
      ++markMatched_;
      return true;
    }
    // Not a byte order mark after all: the bytes held back are text.
    const size_t held = markMatched_;
    markMatched_ = kByteOrderMarkLength;
    for (size_t i = 0; i < held; ++i) {
      if (!addToLine(kByteOrderMark[i])) return false;
    }
    return addToLine(c);
  }

  // A last line without a line end still counts.
  bool finish() { return add('\n'); }

 private:
  bool addToLine(char c) {
    if (!line_) {
      if (isWhiteSpace(c)) return true;  // between lines
      line_.emplace(cameraKey_);
      textState_ = Text::kEmpty;
    }
    if (c == '\n') {
      const bool ignored = textState_ == Text::kEmpty || textState_ == Text::kComment;
      const bool applied = ignored || line_->finish(run_);
      line_.reset();
      return applied;
    }
    switch (textState_) {
      case Text::kEmpty:
        if (c == '#') {
          textState_ = Text::kComment;
          return true;
        }
        [[fallthrough]];
      case Text::kSetting:
        if (c == '\0') {
          textState_ = textState_ == Text::kEmpty ? Text::kComment : Text::kEnded;
          return true;
        }
        textState_ = Text::kSetting;
        return line_->add(c);
      case Text::kComment:
      case Text::kEnded: return true;
    }
    return true;
  }

  // kEmpty: no text yet. A line ignored as a whole (a comment, or a NUL
  // byte first) is kComment; kEnded: a NUL byte ended the text.
  enum class Text { kEmpty, kSetting, kComment, kEnded };

  CameraKey cameraKey_;
  RunSettings& run_;
  size_t markMatched_ = 0;
  std::optional<SettingLine> line_;
  Text textState_ = Text::kEmpty;
};

}  // namespace

bool readConfigFile(const std::string& path, CameraKey cameraKey) {
  if (path.empty()) return false;
  RunSettings& run = settings();
  FileHandle file;
  FileIdentity identity;
  if (!openForReading(path, file) || !identify(file, identity)) {
    writeLine(msg::kOpenConfigFailed);
    return false;
  }
  run.configFiles.push_back(identity);
  LineSplitter lines(cameraKey, run);
  char chunk[64 * 1024];
  bool applied = true;
  for (;;) {
    const int64_t got = readSome(file, chunk, sizeof chunk);
    if (got < 0) {
      writeLine(msg::kOpenConfigFailed);
      applied = false;
      break;
    }
    if (got == 0) {
      applied = lines.finish();
      break;
    }
    for (int64_t i = 0; i < got && applied; ++i) applied = lines.add(chunk[i]);
    if (!applied) break;
  }
  closeFile(file);  // read-only: nothing can be lost at close
  return applied;
}

uint32_t parseNumber(const std::string& value) {
  NumberReader number;
  for (char c : value) number.add(c);
  return number.value();
}

bool parseConfigLine(const std::string& line, CameraKey cameraKey) {
  SettingLine setting(cameraKey);
  for (char c : line) {
    if (!setting.add(c)) return false;
  }
  return setting.finish(settings());
}
