// Terminals, signals and the process, for POSIX systems and Windows.
#include "terminal.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <csignal>
#include <cstdlib>

namespace mvweave {

namespace {

// A signal handler reaches nothing but static storage, so this is the
// process's one piece of state outside any object: the signal that asked
// for the stop.
volatile std::sig_atomic_t stopSignal = 0;

}  // namespace

bool Interrupts::requested() const { return stopSignal != 0; }

#ifdef _WIN32

bool isTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

int terminalColumns(std::FILE* stream) {
  const HANDLE console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(console, &info)) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGBREAK};

// Windows runs the handler on a thread of its own, and resets it to the
// default as it calls it.
extern "C" void askToStop(int signal) {
  if (stopSignal != 0) std::_Exit(128 + signal);  // asked twice: no more waiting
  stopSignal = signal;
  std::signal(signal, askToStop);
}

}  // namespace

Interrupts::Interrupts() {
  stopSignal = 0;
  for (const int signal : kSignals) std::signal(signal, askToStop);
}

Interrupts::~Interrupts() {
  for (const int signal : kSignals) std::signal(signal, SIG_DFL);
}

void Interrupts::endAsSignalled() const { std::_Exit(128 + stopSignal); }

void readyProcess() {
  // The C runtime's own cap on open files: the largest value it accepts.
  // (Windows has no broken-pipe or file-size signal: such a write simply fails.)
  for (int limit = 8192; limit >= 512 && _setmaxstdio(limit) == -1; limit /= 2) {
  }
}

#else

bool isTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

int terminalColumns(std::FILE* stream) {
  struct winsize size {};
  if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr size_t kSignalCount = sizeof kSignals / sizeof kSignals[0];

// The actions to restore, in the same static storage.
struct sigaction previousActions[kSignalCount];

extern "C" void askToStop(int signal) {
  if (stopSignal != 0) {  // asked twice: no more waiting
    ::signal(signal, SIG_DFL);
    ::raise(signal);
    return;
  }
  stopSignal = signal;
}

}  // namespace

Interrupts::Interrupts() {
  stopSignal = 0;
  for (size_t i = 0; i < kSignalCount; ++i) {
    // Without SA_RESTART: a call that waits returns, and the run looks.
    struct sigaction action {};
    action.sa_handler = askToStop;
    sigemptyset(&action.sa_mask);
    if (::sigaction(kSignals[i], nullptr, &previousActions[i]) != 0 ||
        previousActions[i].sa_handler == SIG_IGN) {
      previousActions[i].sa_handler = SIG_IGN;
      continue;
    }
    ::sigaction(kSignals[i], &action, nullptr);
  }
}

Interrupts::~Interrupts() {
  for (size_t i = 0; i < kSignalCount; ++i) {
    if (previousActions[i].sa_handler != SIG_IGN) {
      ::sigaction(kSignals[i], &previousActions[i], nullptr);
    }
  }
}

void Interrupts::endAsSignalled() const {
  const int signal = stopSignal;
  ::signal(signal, SIG_DFL);
  ::raise(signal);
  std::_Exit(128 + signal);  // where the signal cannot end the process
}

void readyProcess() {
  for (int standard = 0; standard <= 2; ++standard) {
    // open() takes the lowest free descriptor, which is this one.
    if (::fcntl(standard, F_GETFD) < 0 && errno == EBADF) ::open("/dev/null", O_RDWR);
  }
  ::signal(SIGPIPE, SIG_IGN);
  ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit limit;
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == limit.rlim_max) return;
  limit.rlim_cur = limit.rlim_max;
  ::setrlimit(RLIMIT_NOFILE, &limit);  // a refusal only leaves the old limit
}

#endif

}  // namespace mvweave
