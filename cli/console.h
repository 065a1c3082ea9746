// Where a tool's text goes, and the command line's observer of a run.
// Standard output carries the tool's own lines (messages, the verbose
// report, progress lines), which scripts parse; standard error carries the
// detail a person reads, "mvweave: " first, and the progress line on a
// terminal.
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
#ifndef MVWEAVE_CLI_CONSOLE_H
#define MVWEAVE_CLI_CONSOLE_H

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "mvweave/configuration.h"
#include "mvweave/observer.h"
#include "mvweave/status.h"

namespace mvweave {

class Progress;

class Console final : public Observer {
 public:
  // A null stream takes nothing: Console(name, tool, nullptr, nullptr) is
  // silent. `interleaved` is the tool's side, for the verbose report.
  Console(const char* toolName, InterleavedFile interleaved, std::FILE* out = stdout,
          std::FILE* err = stderr);
  ~Console() override;
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  [[nodiscard]] const char* toolName() const { return toolName_; }

  // One line of the tool's own text on standard output.
  void line(const std::string& text);
  // The tool's own text as it stands, line ends included (the help text).
  void text(const char* text);
  // One line of detail on standard error: "mvweave: " and the text.
  void note(const std::string& text);
  // A problem's fixed message (none for a silent stop) and its detail, then
  // the outputs its run removed.
  void report(const Status& status);

  // /V: the run's settings and one line per block.
  void setVerbose() { verbose_ = true; }

  // Holds text back from now on, until release().
  void hold() { holding_ = true; }
  // Where text goes, decided before it is released (see above).
  void keepOutOfFiles(bool standardOutputIsOne, bool standardErrorIsOne);
  // Writes what was held back (and the outputs a run removed, if no report
  // named them); from then on text goes straight out.
  void release();
  // Whether every standard-output line so far reached standard output (the
  // help and the version are all that such a run delivers).
  [[nodiscard]] bool deliveredAll() const;

  // The progress line: only on a terminal that is no file of the run.
  [[nodiscard]] bool showsProgress() const;
  [[nodiscard]] int terminalColumns() const;
  // Raw text for the progress line (carriage returns and padding).
  void drawProgress(const std::string& text);
  // Takes the progress line away, at the end of a run.
  void endProgress();

  // The run, as the command line shows it.
  void note(const Note& note) override;
  void reportSettings(const RunReport& report) override;
  [[nodiscard]] bool followsBlocks() const override { return verbose_; }
  void blockStarted(uint32_t block) override;
  void progress(uint64_t framesDone, uint64_t framesTotal, uint32_t frameSize) override;

 private:
  struct Held {
    bool toError;
    std::string text;
  };
  void write(bool toError, const std::string& text);

  const char* toolName_;
  const InterleavedFile interleaved_;
  std::FILE* out_;
  std::FILE* err_;
  bool verbose_ = false;
  bool holding_ = false;
  bool outIntoError_ = false;  // standard output is a file of the run
  bool errorDropped_ = false;  // standard error is a file of the run
  std::vector<Held> held_;
  std::vector<std::string> removed_;  // said after the failure that led to it
  std::unique_ptr<Progress> progress_;
};

// The text with every byte of a control character (C0, DEL, and C1 in
// UTF-8) and every byte that is no part of valid UTF-8 written as \xNN, and
// a backslash as \\ (where it is no path separator), so that no terminal
// obeys a byte from a file and the shown text reads back unambiguously.
// Printable UTF-8 (café.yuv) is shown as it is.
std::string printable(const std::string& text);

}  // namespace mvweave

#endif
