// The keywords of the configuration language and the taking apart of one
// setting line.
#include "setting_line.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

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

Problem SettingLine::finish(RunSettings& settings, const std::string& file, uint64_t line) {
  if (!sawEquals_) return Problem::kNoEquals;
  if (isPath()) {
    PathSource source{file, line, closingQuote_ != std::string::npos};
    if (key_ == kCameraPathKey) {
      settings.addCameraPath(pathValue(), std::move(source));
    } else {
      settings.setSequencePath(pathValue(), std::move(source));
    }
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

namespace {

std::string lowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// Edits (insert, delete, change, swap two neighbours) from one text to the
// other; short texts only.
size_t editDistance(std::string_view a, std::string_view b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

}  // namespace

// A keyword the key holds but for the case of its letters, else one within
// two edits of the whole key.
std::string SettingLine::closeKeyword() const {
  const std::string key = keyText();
  const std::string lowerKey = lowerCase(key);
  std::string_view closest;
  size_t closestDistance = 3;
  for (size_t k = 0; k < kKeywordCount; ++k) {
    const std::string_view keyword = keywordAt(k).text;
    if (lowerKey.find(lowerCase(keyword)) != std::string::npos) {
      return "; did you mean \"" + std::string(keyword) + "\"? (keys are case-sensitive)";
    }
    const size_t distance = editDistance(key, keyword);
    if (key.size() >= 3 && distance < closestDistance) {
      closest = keyword;
      closestDistance = distance;
    }
  }
  if (closest.empty()) return std::string();
  return "; did you mean \"" + std::string(closest) + "\"?";
}

std::string describeLineProblem(Problem problem, const SettingLine& line) {
  if (problem == Problem::kUnknownKey) {
    return "unknown key \"" + line.keyText() + "\"" + line.closeKeyword();
  }
  if (problem == Problem::kNoEquals) return "no '=' in this line";
  return std::string();
}

}  // namespace mvweave
