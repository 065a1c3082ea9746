// Where a tool's text goes. Standard output carries the tool's own lines
// (messages, the verbose report, progress lines), which scripts parse;
// standard error carries the detail a person reads, "mvweave: " first, and
// the progress line on a terminal.
//
// Console text never enters an output file. Everything is held back until
// the run has opened its outputs (or the tool ends without a run): when an
// output is the same file or pipe as standard output (Output =
// "/dev/stdout", or a shell redirection onto the output file), the
// standard-output lines go to standard error instead, unchanged; when an
// output is the same file as standard error, what would go there is
// dropped. Control bytes from paths and files are shown escaped, as \x1b.
#ifndef MVWEAVE_CORE_CONSOLE_H
#define MVWEAVE_CORE_CONSOLE_H

#include <cstdio>
#include <string>
#include <vector>

#include "file_system.h"

namespace mvweave {

class Console {
 public:
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

  // Notes that a file is written: console text is kept out of it.
  void keepOutOf(const FileIdentity& output);
  // Writes what was held back; from then on text goes straight out.
  void release();

  // The progress line: only on a terminal that is no output of the run.
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
  FileIdentity outIdentity_;
  FileIdentity errIdentity_;
  bool holding_ = true;
  bool outIntoError_ = false;  // an output is standard output
  bool errorDropped_ = false;  // an output is standard error
  std::vector<Held> held_;
};

// The text with every control byte (below 0x20, and 0x7f) written as \xNN.
std::string printable(const std::string& text);

}  // namespace mvweave

#endif
