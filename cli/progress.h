// The progress line of a long run, for a person watching a terminal: when
// standard error is a terminal and the walk has gone on for about a second,
// one line there, rewritten in place at most ten times a second and erased
// at the end: frames done of the total, percent, bytes per second and time
// left. It is cut to the terminal's width, so that it never wraps, and a run
// that is stopped erases it as it unwinds. Standard output is left alone,
// so scripts see nothing of it, and without a terminal (files, pipes, every
// test) it writes nothing at all.
#ifndef MVWEAVE_CLI_PROGRESS_H
#define MVWEAVE_CLI_PROGRESS_H

#include <chrono>
#include <cstdint>
#include <string>

#include "console.h"

namespace mvweave {

class Progress {
 public:
  Progress(Console& console, uint64_t totalFrames, uint32_t frameSize);
  ~Progress() { erase(); }
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // Counts one frame moved; redraws the line when it is due.
  void frameDone();

  // Takes the line away: before other console text, and at the end.
  void erase();

 private:
  using Clock = std::chrono::steady_clock;

  [[nodiscard]] std::string line(double seconds) const;
  [[nodiscard]] uint64_t percent() const;
  // What takes the line away: back to its start, spaces, back again.
  [[nodiscard]] std::string erasure() const;

  Console& console_;
  const bool shown_;  // standard error is a terminal
  const uint64_t totalFrames_;
  const uint32_t frameSize_;
  uint64_t framesDone_ = 0;
  const Clock::time_point start_;
  Clock::time_point nextDraw_;
  size_t drawnLength_ = 0;  // what is on the terminal now
};

}  // namespace mvweave

#endif
