// The terminal a person watches a long run on: whether a stream is one and
// how wide it is; and the signals with which a person stops a run.
#ifndef MVWEAVE_CORE_TERMINAL_H
#define MVWEAVE_CORE_TERMINAL_H

#include <cstdio>
#include <string>

namespace mvweave {

bool isTerminal(std::FILE* stream);

// The width of the terminal behind a stream; 0 when it is not known.
int terminalColumns(std::FILE* stream);

// While one lives, an interrupt, termination or hang-up (SIGINT, SIGTERM,
// SIGHUP; Ctrl+C and Ctrl+Break on Windows) asks the run to stop instead of
// ending the process at once, so that the run can remove what it wrote; a
// call that waits is interrupted. The tool then ends as the signal would
// have ended it. A second signal ends the process at once. A signal that
// the process ignores (nohup, a background job) stays ignored. One at a
// time: the handlers reach the signal through the process's only static
// storage.
class Interrupts {
 public:
  Interrupts();
  ~Interrupts();
  Interrupts(const Interrupts&) = delete;
  Interrupts& operator=(const Interrupts&) = delete;

  [[nodiscard]] bool requested() const;
  // Ends the process as the signal that asked for the stop would have.
  [[noreturn]] void endAsSignalled() const;
};

}  // namespace mvweave

#endif
