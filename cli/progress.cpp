// Drawing and erasing the progress line.
#include "progress.h"

#include <cmath>
#include <cstdio>

namespace mvweave {

namespace {

constexpr std::chrono::milliseconds kFirstDraw{1000};
constexpr std::chrono::milliseconds kRedraw{100};

// 0:07, 12:34, 1:02:03.
std::string duration(double seconds) {
  const auto whole = static_cast<uint64_t>(std::llround(seconds));
  char text[32];
  if (whole >= 3600) {
    std::snprintf(text, sizeof text, "%llu:%02llu:%02llu",
                  static_cast<unsigned long long>(whole / 3600),
                  static_cast<unsigned long long>(whole / 60 % 60),
                  static_cast<unsigned long long>(whole % 60));
  } else {
    std::snprintf(text, sizeof text, "%llu:%02llu", static_cast<unsigned long long>(whole / 60),
                  static_cast<unsigned long long>(whole % 60));
  }
  return text;
}

// 812 B/s, 45.3 kB/s, 1021.7 MB/s, 2.4 GB/s.
std::string rate(double bytesPerSecond) {
  const char* units[] = {"B/s", "kB/s", "MB/s", "GB/s"};
  size_t unit = 0;
  for (; unit + 1 < sizeof units / sizeof units[0] && bytesPerSecond >= 1000; ++unit) {
    bytesPerSecond /= 1000;
  }
  char text[32];
  std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", bytesPerSecond, units[unit]);
  return text;
}

}  // namespace

Progress::Progress(Console& console, uint64_t totalFrames, uint32_t frameSize)
    : console_(console),
      shown_(console.showsProgress()),
      totalFrames_(totalFrames),
      frameSize_(frameSize),
      start_(Clock::now()),
      nextDraw_(start_ + kFirstDraw) {}

void Progress::frameDone() {
  ++framesDone_;
  if (!shown_) return;
  const Clock::time_point now = Clock::now();
  if (now < nextDraw_) return;
  nextDraw_ = now + kRedraw;
  std::string text = line(std::chrono::duration<double>(now - start_).count());
  // Spaces cover what a longer line before left.
  if (drawnLength_ > text.size()) text.append(drawnLength_ - text.size(), ' ');
  // One column short of the width: a line that fills the last column wraps
  // on some terminals.
  const int columns = console_.terminalColumns();
  if (columns > 1 && text.size() >= static_cast<size_t>(columns)) text.resize(columns - 1);
  console_.drawProgress("\r" + text);
  drawnLength_ = text.size();
}

void Progress::erase() {
  if (drawnLength_ == 0) return;
  console_.drawProgress(erasure());
  drawnLength_ = 0;
}

std::string Progress::erasure() const { return "\r" + std::string(drawnLength_, ' ') + "\r"; }

uint64_t Progress::percent() const {
  if (totalFrames_ == 0) return 100;
  return static_cast<uint64_t>(100.0L * framesDone_ / totalFrames_);
}

std::string Progress::line(double seconds) const {
  const double bytesPerSecond = static_cast<double>(framesDone_) * frameSize_ / seconds;
  const double framesPerSecond = static_cast<double>(framesDone_) / seconds;
  const uint64_t left = totalFrames_ > framesDone_ ? totalFrames_ - framesDone_ : 0;
  char text[160];
  std::snprintf(
      text, sizeof text, "%s: %llu of %llu frames (%llu%%), %s, %s left", console_.toolName(),
      static_cast<unsigned long long>(framesDone_), static_cast<unsigned long long>(totalFrames_),
      static_cast<unsigned long long>(percent()), rate(bytesPerSecond).c_str(),
      framesPerSecond > 0 ? duration(static_cast<double>(left) / framesPerSecond).c_str() : "?");
  return text;
}

}  // namespace mvweave
