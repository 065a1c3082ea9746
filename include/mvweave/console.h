// Where a tool's text goes. Standard output carries the tool's own lines
// (messages, the verbose report, progress lines), which scripts parse;
// standard error carries the detail a person reads, "mvweave: " first, and
// the progress line on a terminal.
//
// Console text never enters a file the run reads or writes. The tools hold
// everything back until the command line is read; then, from the files the
// configuration names, where text goes is decided once, before any is
// released: when standard output is one of them (Output = "/dev/stdout", a
// shell redirection onto a camera file), the standard-output lines go to
// standard error instead, unchanged; when standard error is one of them,
// what would go there is dropped; when both are, only the exit status
// speaks. Bytes from paths and files that are no printable text are shown
// escaped, as \x1b.
#ifndef MVWEAVE_CONSOLE_H
#define MVWEAVE_CONSOLE_H

#include <cstdio>
#include <string>
#include <vector>

#include "mvweave/status.h"

namespace mvweave {

class Console {
 public:
  // A null stream takes nothing: Console(name, nullptr, nullptr) is silent.
  explicit Console(const char* toolName, std::FILE* out = stdout, std::FILE* err = stderr);
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  [[nodiscard]] const char* toolName() const { return toolName_; }

  // One line of the tool's own text on standard output.
  void line(const std::string& text);
  // The tool's own text as it stands, line ends included (the help text).
  void text(const char* text);
  // One line of detail on standard error: "mvweave: " and the text.
  void note(const std::string& text);
  // A line of detail about what a failure led to (an output removed): it
  // follows the report of the failure, or is written at release().
  void noteAfterReport(const std::string& text);
  // A problem's fixed message (none for a silent stop) and its detail, then
  // the notes about what it led to.
  void report(const Status& status);

  // Holds text back from now on, until release().
  void hold() { holding_ = true; }
  // Where text goes, decided before it is released (see above).
  void keepOutOfFiles(bool standardOutputIsOne, bool standardErrorIsOne);
  // Writes what was held back; from then on text goes straight out.
  void release();
  // Whether every standard-output line so far reached standard output (the
  // help and the version are all that such a run delivers).
  [[nodiscard]] bool deliveredAll() const;

  // The progress line: only on a terminal that is no file of the run.
  [[nodiscard]] bool showsProgress() const;
  [[nodiscard]] int terminalColumns() const;
  // Raw text for the progress line (carriage returns and padding).
  void drawProgress(const std::string& text);

 private:
  struct Held {
    bool toError;
    std::string text;
  };
  void write(bool toError, const std::string& text);

  const char* toolName_;
  std::FILE* out_;
  std::FILE* err_;
  bool holding_ = false;
  bool outIntoError_ = false;  // standard output is a file of the run
  bool errorDropped_ = false;  // standard error is a file of the run
  std::vector<Held> held_;
  std::vector<std::string> afterReport_;
};

// The text with every byte of a control character (C0, DEL, and C1 in
// UTF-8) and every byte that is no part of valid UTF-8 written as \xNN, and
// a backslash as \\ (where it is no path separator), so that no terminal
// obeys a byte from a file and the shown text reads back unambiguously.
// Printable UTF-8 (café.yuv) is shown as it is.
std::string printable(const std::string& text);

}  // namespace mvweave

#endif
