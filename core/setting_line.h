// One line of a configuration file, taken apart as its characters arrive:
// the key is tested against the keywords as it grows, and of the value only
// what a setting needs is kept (a path, or the state of a number being
// read). A line of any length costs no memory of its own unless it is a
// path. The two tools differ only in which path key is the camera list: that
// key is tested first.
#ifndef MVWEAVE_CORE_SETTING_LINE_H
#define MVWEAVE_CORE_SETTING_LINE_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "run_settings.h"
#include "status.h"

namespace mvweave {

struct Keyword;

// White space as the POSIX locale classifies it: space, \t \n \v \f \r.
inline bool isWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Reads a number value as its characters arrive, as the standard atoi does
// on the trimmed value: optional white space and sign, then decimal digits up
// to the first other character (none gives 0).
class NumberReader {
 public:
  void add(char c);

  // Clamped to [-2147483648, 4294967295] and kept as its low 32 bits.
  [[nodiscard]] uint32_t value() const;

 private:
  enum class Phase { kSpace, kDigits, kDone } phase_ = Phase::kSpace;
  bool negative_ = false;
  int64_t magnitude_ = 0;
};

// One setting line, fed character by character (its line end and anything
// after a NUL byte excluded). add() and finish() return the problem that
// stops the tool, kNone while all is well.
class SettingLine {
 public:
  // mvweave's Input lines are its cameras, mvunweave's Output lines.
  explicit SettingLine(Interleaved interleaved) : mergeKeys_(interleaved == Interleaved::kOutput) {}

  Problem add(char c);
  // Applies the line, read from `file` at `line` (kept with a path value).
  Problem finish(RunSettings& settings, const std::string& file, uint64_t line);

  // The key as written, trimmed, for messages; long keys are cut.
  [[nodiscard]] std::string keyText() const;
  // "; did you mean "Width"?" for a key close to a keyword; empty otherwise.
  [[nodiscard]] std::string closeKeyword() const;

  static constexpr size_t kKeywordCount = 10;
  static constexpr size_t kLongestKeyword = 12;

 private:
  // The keyword at a place in the tool's order.
  [[nodiscard]] const Keyword& keywordAt(size_t position) const;
  void addToKey(char c);
  bool chooseKey();
  [[nodiscard]] bool isPath() const;
  void addToPath(char c);
  std::string pathValue();

  static constexpr size_t kKeyTextLimit = 64;

  bool mergeKeys_;
  std::string keyStart_;  // at most kKeyTextLimit characters
  char window_[kLongestKeyword] = {};
  size_t keyLength_ = 0;  // counted up to the window's size
  bool found_[kKeywordCount] = {};
  bool sawEquals_ = false;
  size_t key_ = kKeywordCount;  // the keyword chosen, as its place in the order
  bool openedQuote_ = false;
  size_t closingQuote_ = std::string::npos;
  std::string path_;
  NumberReader number_;
};

// What a person reads about a line's problem: 'unknown key "Widht"'.
std::string describeLineProblem(Problem problem, const SettingLine& line);

}  // namespace mvweave

#endif
