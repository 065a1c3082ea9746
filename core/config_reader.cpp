// Reads configuration files into the settings. A file is read in chunks and
// split into lines as its bytes arrive; each line is handed to a SettingLine
// character by character and never stored whole, so a file that is not a
// configuration at all (a raw video passed by mistake) costs no memory and
// is refused at its first line. White space before a line (blank lines,
// indentation, line ends) is skipped, a line whose text begins with '#' is a
// comment, a NUL byte ends a line's text, and a UTF-8 byte order mark at the
// very start of the file is ignored.
#include "config_reader.h"

#include <optional>
#include <vector>

namespace mvweave {

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr size_t kByteOrderMarkLength = 3;

// Splits a file into lines as its bytes arrive and applies each line.
class LineSplitter {
 public:
  LineSplitter(const std::string& path, Interleaved interleaved, RunSettings& settings)
      : path_(path), interleaved_(interleaved), settings_(settings) {}

  // What stops the tool, once a line does; kNone until then.
  [[nodiscard]] const Status& status() const { return status_; }

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
  // A line ends at a line feed, a carriage return and line feed, or a
  // carriage return alone (as in classic Mac files).
  bool addToLine(char c) {
    const bool crlf = c == '\n' && afterCarriageReturn_;
    afterCarriageReturn_ = c == '\r';
    if (crlf) return true;  // ended at its carriage return
    const bool lineEnd = c == '\n' || c == '\r';
    if (lineEnd) ++lineNumber_;
    if (!line_) {
      if (isWhiteSpace(c)) return true;  // between lines
      line_.emplace(interleaved_);
      textState_ = Text::kEmpty;
      settingLine_ = lineNumber_ + 1;
    }
    return lineEnd ? endLine() : addText(c);
  }

  bool endLine() {
    const bool ignored = textState_ == Text::kEmpty || textState_ == Text::kComment;
    const bool goOn =
        accept(ignored ? Problem::kNone : line_->finish(settings_, path_, settingLine_));
    line_.reset();
    return goOn;
  }

  // A '#' first makes the line a comment; a NUL byte ends its text.
  bool addText(char c) {
    if (textState_ == Text::kComment || textState_ == Text::kEnded) return true;
    if (textState_ == Text::kEmpty && c == '#') {
      textState_ = Text::kComment;
      return true;
    }
    if (c == '\0') {
      textState_ = textState_ == Text::kEmpty ? Text::kComment : Text::kEnded;
      return true;
    }
    textState_ = Text::kSetting;
    return accept(line_->add(c));
  }

  // Records what stops the tool; false when something does.
  bool accept(Problem problem) {
    if (problem == Problem::kNone) return true;
    status_ = problemAtLine(problem, path_, settingLine_, describeLineProblem(problem, *line_));
    return false;
  }

  // kEmpty: no text yet. A line ignored as a whole (a comment, or a NUL
  // byte first) is kComment; kEnded: a NUL byte ended the text.
  enum class Text { kEmpty, kSetting, kComment, kEnded };

  const std::string& path_;
  Interleaved interleaved_;
  RunSettings& settings_;
  Status status_;
  size_t markMatched_ = 0;
  bool afterCarriageReturn_ = false;
  uint64_t lineNumber_ = 0;   // line ends seen
  uint64_t settingLine_ = 0;  // the number of the line being read, from 1
  std::optional<SettingLine> line_;
  Text textState_ = Text::kEmpty;
};

}  // namespace

Status readConfigFile(FileSystem& files, const std::string& path, Interleaved interleaved,
                      RunSettings& settings, FileIdentity& identity) {
  if (path.empty()) {
    return problemWith(Problem::kEmptyConfigPath, "", 0,
                       "an empty argument is no configuration file path");
  }
  OpenFile file;  // read only: nothing can be lost at close
  FileInfo info;
  OsError error = openToRead(files, path, file, info);
  if (error != 0) return problemWith(Problem::kOpenConfig, path, error);
  identity = info.identity;

  LineSplitter lines(path, interleaved, settings);
  std::vector<char> chunk(size_t{64} * 1024);
  for (;;) {
    size_t got = 0;
    if ((error = files.read(file.get(), chunk.data(), chunk.size(), got)) != 0) {
      return problemWith(Problem::kOpenConfig, path, error);
    }
    if (got == 0) break;
    for (size_t i = 0; i < got; ++i) {
      if (!lines.add(chunk[i])) return lines.status();
    }
  }
  lines.finish();
  return lines.status();
}

}  // namespace mvweave
