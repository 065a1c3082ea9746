// The terminal a person watches a long run on: whether a stream is one, how
// wide it is, and the text that takes the progress line away when the run
// is interrupted.
#ifndef MVWEAVE_CORE_TERMINAL_H
#define MVWEAVE_CORE_TERMINAL_H

#include <cstdio>
#include <string>

namespace mvweave {

bool isTerminal(std::FILE* stream);

// The width of the terminal behind a stream; 0 when it is not known.
int terminalColumns(std::FILE* stream);

// While one lives, an interrupt, termination or hang-up first writes the
// text set last to standard error (so that a progress line does not stay
// behind), then ends the process as the signal would have. A signal that the
// process ignores (nohup, a background job) stays ignored. One at a time:
// the handlers reach the text through the process's only static storage.
class InterruptText {
 public:
  InterruptText();
  ~InterruptText();
  InterruptText(const InterruptText&) = delete;
  InterruptText& operator=(const InterruptText&) = delete;

  // Longer texts are cut to the first kLongest bytes, never dropped.
  void set(const std::string& text);

  static constexpr size_t kLongest = 1024;
};

}  // namespace mvweave

#endif
