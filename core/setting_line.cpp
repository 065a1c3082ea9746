// The keywords of the configuration language and the taking apart of one
// setting line.
#include "setting_line.h"

#include <cstring>
#include <string_view>
#include <utility>

namespace mvweave {

struct Keyword {
  std::string_view text;
  uint32_t RunSettings::*number;  // null for the two path keys
  bool RunSettings::*given;       // where the picture keys are marked as given
};

namespace {

// The camera list key comes first, then the other path key, then these;
// "GOPLength" is tested before "NumGOP", so a key such as NumGOPLength counts
// as GOPLength. The picture format keys come last: neither name holds
// another keyword.
constexpr Keyword kMergePathKeywords[] = {{"Input", nullptr, nullptr},
                                          {"Output", nullptr, nullptr}};
constexpr Keyword kSplitPathKeywords[] = {{"Output", nullptr, nullptr},
                                          {"Input", nullptr, nullptr}};
constexpr Keyword kNumberKeywords[SettingLine::kKeywordCount - 2] = {
    {"FirstFrm", &RunSettings::firstFrm, nullptr},
    {"GOPLength", &RunSettings::gopLength, nullptr},
    {"NumGOP", &RunSettings::numGop, nullptr},
    {"NumFrm", &RunSettings::numFrm, nullptr},
    {"Width", &RunSettings::width, &RunSettings::widthGiven},
    {"Height", &RunSettings::height, &RunSettings::heightGiven},
    {"ChromaFormat", &RunSettings::chromaFormat, &RunSettings::chromaFormatGiven},
    {"BitDepth", &RunSettings::bitDepth, &RunSettings::bitDepthGiven},
};
constexpr size_t kCameraPathKey = 0;
constexpr size_t kSequencePathKey = 1;

}  // namespace

void NumberReader::add(char c) {
  constexpr int64_t kBeyond = int64_t{UINT32_MAX} + 1;
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

uint32_t NumberReader::value() const {
  int64_t number = negative_ ? -magnitude_ : magnitude_;
  if (number < INT32_MIN) number = INT32_MIN;
  if (number > int64_t{UINT32_MAX}) number = UINT32_MAX;
  return static_cast<uint32_t>(number);
}

const Keyword& SettingLine::keywordAt(size_t position) const {
  if (position >= 2) return kNumberKeywords[position - 2];
  return (mergeKeys_ ? kMergePathKeywords : kSplitPathKeywords)[position];
}

Problem SettingLine::add(char c) {
  if (!sawEquals_) {
    if (c != '=') {
      addToKey(c);
      return Problem::kNone;
    }
    sawEquals_ = true;
    return chooseKey() ? Problem::kNone : Problem::kUnknownKey;
  }
  if (isPath()) {
    addToPath(c);
  } else {
    number_.add(c);
  }
  return Problem::kNone;
}

Problem SettingLine::finish(RunSettings& settings) {
  if (!sawEquals_) return Problem::kNoEquals;
  if (key_ == kCameraPathKey) {
    settings.cameraPaths.push_back(pathValue());
  } else if (key_ == kSequencePathKey) {
    settings.sequencePath = pathValue();
  } else {
    const Keyword& keyword = keywordAt(key_);
    settings.*keyword.number = number_.value();
    if (keyword.given != nullptr) settings.*keyword.given = true;
  }
  return Problem::kNone;
}

std::string SettingLine::keyText() const {
  size_t first = 0;
  size_t last = keyStart_.size();
  while (first < last && isWhiteSpace(keyStart_[first])) ++first;
  while (last > first && isWhiteSpace(keyStart_[last - 1])) --last;
  return keyStart_.substr(first, last - first) + (keyStart_.size() == kKeyTextLimit ? "..." : "");
}

// A keyword is in the key when it ends at some character of it: the last
// few characters are kept, and compared when one could end a keyword.
void SettingLine::addToKey(char c) {
  if (keyStart_.size() < kKeyTextLimit) keyStart_.push_back(c);
  std::memmove(window_, window_ + 1, kLongestKeyword - 1);
  window_[kLongestKeyword - 1] = c;
  if (keyLength_ < kLongestKeyword) ++keyLength_;
  for (size_t k = 0; k < kKeywordCount; ++k) {
    const std::string_view keyword = keywordAt(k).text;
    if (keyword.back() == c && keyword.size() <= keyLength_ &&
        keyword == std::string_view(window_ + kLongestKeyword - keyword.size(), keyword.size())) {
      found_[k] = true;
    }
  }
}

// The first keyword of the tool's order that the key contains.
bool SettingLine::chooseKey() {
  for (size_t k = 0; k < kKeywordCount; ++k) {
    if (found_[k]) {
      key_ = k;
      return true;
    }
  }
  return false;
}

bool SettingLine::isPath() const { return key_ == kCameraPathKey || key_ == kSequencePathKey; }

// The path is the text strictly between the first and the last double
// quote: everything after the first is kept, then cut back to the last.
void SettingLine::addToPath(char c) {
  if (!openedQuote_) {
    openedQuote_ = c == '"';
    return;
  }
  if (c == '"') closingQuote_ = path_.size();
  path_.push_back(c);
}

std::string SettingLine::pathValue() {
  if (closingQuote_ == std::string::npos) return std::string();
  path_.resize(closingQuote_);
  return std::move(path_);
}

Status parseConfigLine(const std::string& line, CameraKey cameraKey, RunSettings& settings) {
  SettingLine setting(cameraKey);
  Problem problem = Problem::kNone;
  for (size_t i = 0; i < line.size() && problem == Problem::kNone; ++i) {
    problem = setting.add(line[i]);
  }
  if (problem == Problem::kNone) problem = setting.finish(settings);
  Status status = problemWith(problem);
  status.detail = describeLineProblem(problem, setting);
  return status;
}

std::string describeLineProblem(Problem problem, const SettingLine& line) {
  if (problem == Problem::kUnknownKey) return "unknown key \"" + line.keyText() + "\"";
  if (problem == Problem::kNoEquals) return "no '=' in this line";
  return std::string();
}

}  // namespace mvweave
