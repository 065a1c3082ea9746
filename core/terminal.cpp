// Terminals and signals, for POSIX systems and Windows.
#include "terminal.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <csignal>

namespace mvweave {

#ifdef _WIN32

bool isTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

int terminalColumns(std::FILE* stream) {
  const HANDLE console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(console, &info)) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

// Windows runs a Ctrl+C handler on a thread of its own; the progress line is
// left to the console there.
InterruptText::InterruptText() = default;
InterruptText::~InterruptText() = default;
void InterruptText::set(const std::string&) {}

#else

bool isTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

int terminalColumns(std::FILE* stream) {
  struct winsize size {};
  if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// A signal handler reaches nothing but static storage, so this is the
// process's one piece of state outside any object. The text is published
// before its length: the handler reads the length, then only the bytes that
// length covers.
char interruptText[InterruptText::kLongest];
volatile std::sig_atomic_t interruptTextLength = 0;
struct sigaction previousActions[sizeof kSignals / sizeof kSignals[0]];

extern "C" void writeAndEnd(int signal) {
  const auto length = static_cast<size_t>(interruptTextLength);
  std::atomic_signal_fence(std::memory_order_acquire);
  if (length > 0 && ::write(STDERR_FILENO, interruptText, length) < 0) {
    // Nothing more can be done about a terminal that has gone.
  }
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

}  // namespace

InterruptText::InterruptText() {
  interruptTextLength = 0;
  for (size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i) {
    struct sigaction action {};
    action.sa_handler = writeAndEnd;
    sigemptyset(&action.sa_mask);
    if (::sigaction(kSignals[i], nullptr, &previousActions[i]) != 0 ||
        previousActions[i].sa_handler == SIG_IGN) {
      previousActions[i].sa_handler = SIG_IGN;
      continue;
    }
    ::sigaction(kSignals[i], &action, nullptr);
  }
}

InterruptText::~InterruptText() {
  for (size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i) {
    if (previousActions[i].sa_handler != SIG_IGN)
      ::sigaction(kSignals[i], &previousActions[i], nullptr);
  }
  interruptTextLength = 0;
}

void InterruptText::set(const std::string& text) {
  interruptTextLength = 0;
  std::atomic_signal_fence(std::memory_order_release);
  const size_t length = std::min(text.size(), kLongest);
  std::copy_n(text.data(), length, interruptText);
  std::atomic_signal_fence(std::memory_order_release);
  interruptTextLength = static_cast<std::sig_atomic_t>(length);
}

#endif

}  // namespace mvweave
