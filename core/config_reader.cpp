// Reads configuration files into a Configuration, one whole line at a time.
// A line may be 1 MiB long: a file that is no configuration at all (a raw
// video passed by mistake) is refused at its first line, at a cost of no
// more memory than that.
#include "mvweave/configuration.h"

#include "packing.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

namespace mvweave {

namespace {

constexpr size_t kLongestLine = size_t{1} << 20;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// A key, and the number of the request it sets: FirstFrm, or one that may
// be left unset (neither for the two path keys).
struct Keyword {
  std::string_view text;
  uint32_t Request::*number;
  std::optional<uint32_t> Request::*picture;
};

// After the two path keys, in this order: GOPLength is tested before
// NumGOP, so a key such as NumGOPLength counts as GOPLength. Neither picture
// format key holds another keyword. Packing, last, takes a name.
constexpr Keyword kKeywords[] = {
    {"Input", nullptr, nullptr},
    {"Output", nullptr, nullptr},
    {"FirstFrm", &Request::firstFrm, nullptr},
    {"GOPLength", nullptr, &Request::gopLength},
    {"NumGOP", nullptr, &Request::numGop},
    {"NumFrm", nullptr, &Request::numFrm},
    {"Width", nullptr, &Request::width},
    {"Height", nullptr, &Request::height},
    {"ChromaFormat", nullptr, &Request::chromaFormat},
    {"BitDepth", nullptr, &Request::bitDepth},
    {"Packing", nullptr, nullptr},
};
constexpr size_t kKeywordCount = sizeof kKeywords / sizeof kKeywords[0];
constexpr size_t kCameraKey = 0;  // in the tool's order
constexpr size_t kPackingKey = kKeywordCount - 1;

// The keyword at a place in the tool's order: its camera key comes first.
const Keyword& keywordAt(size_t place, InterleavedFile interleaved) {
  const bool swapped = interleaved == InterleavedFile::kRead && place < 2;
  return kKeywords[swapped ? 1 - place : place];
}

// White space as the POSIX locale classifies it: space, \t \n \v \f \r.
bool isWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string trimmed(const std::string& text) {
  const auto first = std::find_if_not(text.begin(), text.end(), isWhiteSpace);
  const auto last = std::find_if_not(text.rbegin(), text.rend(), isWhiteSpace).base();
  return first < last ? std::string(first, last) : std::string();
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// What a user may not have meant by a number value whose digits stand
// between `firstDigit` and `end`: no digits, digits followed by more than a
// comment ("1,920", "1 920"), a number that was clamped; empty for a plain
// number (Width = 352 # pixels).
std::string numberProblem(const std::string& text, size_t firstDigit, size_t end, bool clamped) {
  if (text.empty()) return "has no number";
  size_t after = end;
  while (after < text.size() && isWhiteSpace(text[after])) ++after;
  const bool commentOnly = after == text.size() || (after > end && !isDigit(text[after]));
  if (end == firstDigit || !commentOnly) return "is not a number";
  return clamped ? "is beyond the 32-bit numbers" : "";
}

// A number value as atoi reads it: optional sign, then decimal digits up to
// the first other character (none gives 0); clamped to [-2147483648,
// 4294967295] and kept as its low 32 bits. `problem`: see numberProblem().
uint32_t numberOf(const std::string& value, std::string& problem) {
  const std::string text = trimmed(value);
  size_t i = text.empty() || (text[0] != '+' && text[0] != '-') ? 0 : 1;
  const size_t firstDigit = i;
  int64_t magnitude = 0;
  for (; i < text.size() && isDigit(text[i]); ++i) {
    magnitude = std::min<int64_t>(magnitude * 10 + (text[i] - '0'), int64_t{UINT32_MAX} + 1);
  }
  const int64_t number = !text.empty() && text[0] == '-' ? -magnitude : magnitude;
  const int64_t clamped = std::clamp<int64_t>(number, INT32_MIN, UINT32_MAX);
  problem = numberProblem(text, firstDigit, i, clamped != number);
  return static_cast<uint32_t>(clamped);
}

// The value as a note shows it: at most 64 bytes, cut between characters.
std::string shownValue(const std::string& value) {
  constexpr size_t kShown = 64;
  std::string shown = trimmed(value);
  if (shown.size() <= kShown) return shown;
  size_t end = kShown;
  while (end > 0 && (static_cast<unsigned char>(shown[end]) & 0xc0) == 0x80) --end;
  return shown.substr(0, end) + "...";
}

// What the last line of a number key was read as, when it held no plain
// number; in the order of those lines.
void noteNumber(const std::string& keyword, const std::string& key, const std::string& value,
                uint32_t number, const std::string& problem, const std::string& file, uint64_t line,
                Configuration& configuration) {
  auto& notes = configuration.numberNotes;
  notes.erase(std::remove_if(notes.begin(), notes.end(),
                             [&keyword](const auto& note) { return note.first == keyword; }),
              notes.end());
  if (problem.empty()) return;
  const std::string shown =
      trimmed(key) + (trimmed(value).empty() ? "" : " = " + shownValue(value));
  notes.emplace_back(keyword, Note{Note::Kind::kNote,
                                   file,
                                   {},
                                   line,
                                   shown + " " + problem + ": read as " + std::to_string(number)});
}

std::string lowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
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

// Words users try for a key, and the key they mean.
constexpr std::string_view kGuesses[][2] = {
    {"frames", "NumFrm"},       {"numframes", "NumFrm"},    {"framecount", "NumFrm"},
    {"firstframe", "FirstFrm"}, {"startframe", "FirstFrm"}, {"goplen", "GOPLength"},
    {"gopsize", "GOPLength"},
};

// "; did you mean "Width"?" for a key that holds a keyword but for the case
// of its letters, a word users try for one, or a key within two edits of
// one; empty otherwise.
std::string closeKeyword(const std::string& key) {
  for (const auto& guess : kGuesses) {
    if (lowerCase(key) == guess[0]) return "; did you mean \"" + std::string(guess[1]) + "\"?";
  }
  std::string_view closest;
  size_t closestDistance = 3;
  for (const Keyword& keyword : kKeywords) {
    if (lowerCase(key).find(lowerCase(keyword.text)) != std::string::npos) {
      return "; did you mean \"" + std::string(keyword.text) + "\"? (keys are case-sensitive)";
    }
    const size_t distance = key.size() < 3 ? closestDistance : editDistance(key, keyword.text);
    if (distance < closestDistance) {
      closest = keyword.text;
      closestDistance = distance;
    }
  }
  return closest.empty() ? std::string() : "; did you mean \"" + std::string(closest) + "\"?";
}

Status unknownKey(const std::string& key, const std::string& file, uint64_t line) {
  constexpr size_t kShownKey = 64;
  const std::string shown = trimmed(key.substr(0, kShownKey));
  return problemAtLine(
      Problem::kUnknownKey, file, line,
      "unknown key \"" + shown + (key.size() > kShownKey ? "...\"" : "\"") + closeKeyword(shown));
}

// The place in the tool's order of the first keyword that the key holds;
// kKeywordCount for none.
size_t placeOf(const std::string& key, InterleavedFile interleaved) {
  size_t place = 0;
  while (place < kKeywordCount &&
         key.find(keywordAt(place, interleaved).text) == std::string::npos) {
    ++place;
  }
  return place;
}

// What stands between the first and the last double quote; `quoted` is
// false when there are no two.
std::string pathOf(const std::string& value, bool& quoted) {
  const size_t first = value.find('"');
  const size_t last = value.rfind('"');
  quoted = first != last;
  return quoted ? value.substr(first + 1, last - first - 1) : std::string();
}

// Names users try for a packing, in lower case without '-', '_' or spaces,
// and the packing they mean.
constexpr std::string_view kPackingGuesses[][2] = {
    {"sbs", "side-by-side"},        {"sidebyside", "side-by-side"}, {"leftright", "side-by-side"},
    {"tb", "top-bottom"},           {"tab", "top-bottom"},          {"topbottom", "top-bottom"},
    {"topandbottom", "top-bottom"}, {"overunder", "top-bottom"},    {"frame", "frames"},
};

// "; did you mean "side-by-side"?" for a name users try, one in other
// letter case, or a grid written with a capital X; empty otherwise.
std::string closePacking(const std::string& word) {
  std::string plain;
  for (const char c : lowerCase(word)) {
    if (c != '-' && c != '_' && c != ' ') plain.push_back(c);
  }
  for (const auto& guess : kPackingGuesses) {
    if (plain == guess[0]) return "; did you mean \"" + std::string(guess[1]) + "\"?";
  }
  Packing packing;
  if (!packingNamed(lowerCase(word), packing)) return {};
  return "; did you mean \"" + nameOf(packing) + "\"?";
}

// The first word of the value, without double quotes around it, names a
// packing; anything else is refused, as a key would be: a run packed other
// than meant writes a sequence no encoder reads as meant.
Status applyPacking(const std::string& value, Request& request, const std::string& file,
                    uint64_t line) {
  std::string word = trimmed(value);
  word = word.substr(
      0, static_cast<size_t>(std::find_if(word.begin(), word.end(), isWhiteSpace) - word.begin()));
  if (word.size() >= 2 && word.front() == '"' && word.back() == '"') {
    word = word.substr(1, word.size() - 2);
  }
  Packing packing;
  if (packingNamed(word, packing)) {
    request.packing = packing;
    return {};
  }
  return problemAtLine(
      Problem::kUnknownKey, file, line,
      "Packing" + (trimmed(value).empty() ? " without a value" : " = " + shownValue(value)) +
          " is none of frames, side-by-side, top-bottom or a grid CxR, such "
          "as 2x2 (columns x rows)" +
          closePacking(word));
}

// Applies one setting line; `place` is its key's place in the tool's order.
Status applyLine(const std::string& text, InterleavedFile interleaved, Configuration& configuration,
                 const std::string& file, uint64_t line, size_t& place) {
  place = kKeywordCount;
  const size_t equals = text.find('=');
  if (equals == std::string::npos) {
    return problemAtLine(Problem::kNoEquals, file, line, "no '=' in this line");
  }
  const std::string key = text.substr(0, equals);
  const std::string value = text.substr(equals + 1);
  place = placeOf(key, interleaved);
  if (place == kKeywordCount) return unknownKey(key, file, line);
  if (place == kPackingKey) return applyPacking(value, configuration.request, file, line);
  const Keyword& keyword = keywordAt(place, interleaved);
  if (keyword.number != nullptr || keyword.picture != nullptr) {
    std::string problem;
    const uint32_t number = numberOf(value, problem);
    if (keyword.number != nullptr) configuration.request.*keyword.number = number;
    if (keyword.picture != nullptr) configuration.request.*keyword.picture = number;
    noteNumber(std::string(keyword.text), key, value, number, problem, file, line, configuration);
    return {};
  }
  bool quoted = false;
  std::string path = pathOf(value, quoted);
  if (!path.empty()) configuration.pathsNamed.push_back(path);
  if (place == kCameraKey) {
    configuration.addCamera({std::move(path), file, line, quoted});
  } else {
    configuration.setSequencePath({std::move(path), file, line, quoted});
  }
  return {};
}

// The path of a path line, noted and nothing applied; nothing for any
// other line.
void notePath(const std::string& text, InterleavedFile interleaved, Configuration& configuration) {
  const size_t equals = text.find('=');
  if (equals == std::string::npos || placeOf(text.substr(0, equals), interleaved) >= 2) return;
  bool quoted = false;
  std::string path = pathOf(text.substr(equals + 1), quoted);
  if (!path.empty()) configuration.pathsNamed.push_back(std::move(path));
}

// "1, 2, 3 and 4", the first few of them.
std::string lineList(const std::vector<uint64_t>& lines) {
  constexpr size_t kNamed = 5;
  std::string text;
  for (size_t i = 0; i < lines.size() && i < kNamed; ++i) {
    text += (i == 0 ? "" : i + 1 == lines.size() ? " and " : ", ") + std::to_string(lines[i]);
  }
  if (lines.size() > kNamed) text += " and " + std::to_string(lines.size() - kNamed) + " more";
  return text;
}

// A file that gives the one-path key on several lines, where the camera
// key stands `cameraLines` ("line 4", "no line of any file").
Status otherToolsConfiguration(const ConfigFile& file, InterleavedFile interleaved,
                               const std::string& cameraLines) {
  const bool merge = interleaved == InterleavedFile::kWritten;
  const std::string sequenceKey(keywordAt(1, interleaved).text);
  const std::string cameraKey(keywordAt(kCameraKey, interleaved).text);
  return problemNaming(Problem::kConfigForOtherTool, merge ? "mvunweave" : "mvweave", file.path,
                       sequenceKey + " on lines " + lineList(file.sequenceLines) + ", " +
                           cameraKey + " on " + cameraLines + ": a configuration for " +
                           (merge ? "mvunweave" : "mvweave") + ", which takes one " + sequenceKey +
                           " line for each camera");
}

// Splits a file into lines as its bytes arrive, and applies each. From the
// first line that stops the tool on, the rest is read for its paths only:
// console text is kept out of those files too.
class LineReader {
 public:
  LineReader(const std::string& path, InterleavedFile interleaved, Configuration& configuration,
             ConfigReading reading)
      : path_(path),
        interleaved_(interleaved),
        configuration_(configuration),
        pathsOnly_(reading == ConfigReading::kPathsOnly) {}

  // False when the rest of the file is not worth reading: it holds a NUL
  // byte after a stop, so it is no text (a video named by mistake).
  bool add(const char* bytes, size_t size) {
    for (size_t i = 0; i < size; ++i) {
      const char c = bytes[i];
      const bool crlf = c == '\n' && afterCarriageReturn_;
      afterCarriageReturn_ = c == '\r';
      if (crlf) continue;  // the line ended at its carriage return
      if (c == '\n' || c == '\r') {
        endLine();
      } else if (c == '\0' && pathsOnly_) {
        return false;
      } else if (line_.size() < kLongestLine) {
        line_.push_back(c);
      } else if (!skippingLine_) {
        skippingLine_ = true;
        stop(problemAtLine(Problem::kLineTooLong, path_, lineNumber_ + 1,
                           "the line is longer than " + std::to_string(kLongestLine) +
                               " bytes, more than a configuration file may hold"));
      }
    }
    return true;
  }

  // A last line without a line end still counts. Then the file as a whole:
  // the sequence's key on several lines and the camera key on one is the
  // other tool's configuration, which would overwrite what it means to read.
  Status finish() {
    if (!line_.empty()) endLine();
    if (!stopped_.ok()) return stopped_;
    const ConfigFile& file = configuration_.files.back();
    if (file.sequenceLines.size() < 2 || file.cameraLines.size() != 1) return {};
    return otherToolsConfiguration(file, interleaved_,
                                   "line " + std::to_string(file.cameraLines[0]));
  }

 private:
  void stop(Status status) {
    if (stopped_.ok()) stopped_ = std::move(status);
    pathsOnly_ = true;
  }

  void endLine() {
    ++lineNumber_;
    std::string text;
    text.swap(line_);
    if (skippingLine_) {
      skippingLine_ = false;
      return;
    }
    if (lineNumber_ == 1 && text.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0) {
      text.erase(0, kByteOrderMark.size());
    }
    text.resize(std::min(text.find('\0'), text.size()));
    const size_t start = std::min(text.size(), text.find_first_not_of(" \t\n\v\f\r"));
    if (start == text.size() || text[start] == '#') return;
    if (pathsOnly_) {
      notePath(text.substr(start), interleaved_, configuration_);
      return;
    }
    size_t place = 0;
    Status status =
        applyLine(text.substr(start), interleaved_, configuration_, path_, lineNumber_, place);
    ConfigFile& file = configuration_.files.back();
    if (place == kCameraKey) file.cameraLines.push_back(lineNumber_);
    if (place == 1) file.sequenceLines.push_back(lineNumber_);
    if (!status.ok()) stop(std::move(status));
  }

  const std::string& path_;
  const InterleavedFile interleaved_;
  Configuration& configuration_;
  bool pathsOnly_;
  Status stopped_;  // the first line that stopped the tool
  std::string line_;
  uint64_t lineNumber_ = 0;  // lines ended so far
  bool afterCarriageReturn_ = false;
  bool skippingLine_ = false;  // the rest of a line over the limit
};

}  // namespace

Status readConfigFile(FileSystem& files, const std::string& path, InterleavedFile interleaved,
                      Configuration& configuration, ConfigReading reading) {
  if (path.empty()) {
    return problemWith(Problem::kEmptyConfigPath, "", 0,
                       "an empty argument is no configuration file path");
  }
  OpenFile file;  // read only: nothing can be lost at close
  FileInfo info;
  if (const OsError error = openToRead(files, path, file, info)) {
    return problemWith(Problem::kOpenConfig, path, error);
  }
  configuration.files.push_back({path, info.identity, {}, {}});
  LineReader lines(path, interleaved, configuration, reading);
  std::vector<char> chunk(size_t{64} * 1024);
  for (;;) {
    if (files.stopRequested()) return problemWith(Problem::kStopped);
    size_t got = 0;
    if (const OsError error = files.read(file.get(), chunk.data(), chunk.size(), got)) {
      return problemWith(Problem::kOpenConfig, path, error);
    }
    if (got == 0 || !lines.add(chunk.data(), got)) return lines.finish();
  }
}

Status checkConfigurationsAreForTool(const Configuration& configuration,
                                     InterleavedFile interleaved) {
  std::string cameraLines = "no line of any file";
  size_t cameraLineCount = 0;
  for (const ConfigFile& file : configuration.files) {
    cameraLineCount += file.cameraLines.size();
    if (!file.cameraLines.empty()) {
      cameraLines = "line " + std::to_string(file.cameraLines[0]) + " of " + file.path + " alone";
    }
  }
  if (cameraLineCount > 1) return {};
  for (const ConfigFile& file : configuration.files) {
    if (file.sequenceLines.size() >= 2) {
      return otherToolsConfiguration(file, interleaved, cameraLines);
    }
  }
  return {};
}

Status readConfigFiles(FileSystem& files, const std::vector<std::string>& paths,
                       InterleavedFile interleaved, Configuration& configuration) {
  for (const std::string& path : paths) {
    if (Status status = readConfigFile(files, path, interleaved, configuration); !status.ok()) {
      return status;
    }
  }
  return checkConfigurationsAreForTool(configuration, interleaved);
}

}  // namespace mvweave
