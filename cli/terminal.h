// The terminal a person watches a long run on: whether a stream is one and
// how wide it is; the signals with which a person stops a run; and the
// process the tools run in.
#ifndef MVWEAVE_CLI_TERMINAL_H
#define MVWEAVE_CLI_TERMINAL_H

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

// Readies a tool's process, after its file system is made: closed standard
// streams are opened on the null device (else the first files opened would
// take their places and receive console text); writing to a pipe whose
// reader has gone and writing past the file-size limit become ordinary write
// errors instead of signals that end the process without a word; and the
// number of files the process may hold open is raised as far as the system
// allows, so that rigs with many cameras work.
void readyProcess();

}  // namespace mvweave

#endif
