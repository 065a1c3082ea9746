// POSIX implementation of the file calls: plain descriptors, 64-bit offsets.
#include <fcntl.h>
#ifdef __linux__
#include <linux/fs.h>
#endif
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/sendfile.h>
#endif

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>

#include "file_faults.h"
#include "file_system.h"

namespace mvweave {

namespace {

// Every call that opens, positions, moves or closes data goes through here,
// so that the build made for fault tests (file_faults.h) can make it fail
// on demand. `count` is the byte count the call is made for.
template <typename Function>
auto systemCall(SystemCall call, size_t& count, Function function) -> decltype(function()) {
#ifdef MVWEAVE_FAULTS
  const Fault fault = plannedFault(call);
  switch (fault.kind) {
    case Fault::Kind::kError: errno = fault.error; return -1;
    case Fault::Kind::kZero: return 0;
    case Fault::Kind::kShort: count = count > 1 ? count / 2 : count; break;
    case Fault::Kind::kNone: break;
  }
#else
  (void)call;
  (void)count;
#endif
  return function();
}

// For calls that move no bytes.
template <typename Function>
auto systemCall(SystemCall call, Function function) -> decltype(function()) {
  size_t none = 0;
  return systemCall(call, none, function);
}

// The same, made again when a signal interrupts it.
template <typename Function>
auto retryingCall(SystemCall call, size_t& count, Function function) -> decltype(function()) {
  for (;;) {
    const auto result = systemCall(call, count, function);
    if (result >= 0 || errno != EINTR) return result;
  }
}

template <typename Function>
auto retryingCall(SystemCall call, Function function) -> decltype(function()) {
  size_t none = 0;
  return retryingCall(call, none, function);
}

// One call moves at most this much; larger requests are split by the callers'
// loops (Linux caps a call a little below 2 GiB anyway).
constexpr size_t kMaxCall = size_t{1} << 30;

OsError openWith(const std::string& path, int flags, FileHandle& handle) {
  const int fd = retryingCall(SystemCall::kOpen,
                              [&] { return ::open(path.c_str(), flags | O_CLOEXEC, 0666); });
  if (fd < 0) return errno;
  handle = fd;
  return 0;
}

}  // namespace

OsError openForReading(const std::string& path, FileHandle& handle) {
  FileHandle fd = kNoFile;
  if (const OsError error = openWith(path, O_RDONLY, fd)) return error;
  struct stat info;
  const OsError error = ::fstat(fd, &info) != 0 ? errno : S_ISDIR(info.st_mode) ? EISDIR : 0;
  if (error != 0) {
    ::close(fd);
    return error;
  }
  handle = fd;
  return 0;
}

OsError openForWriting(const std::string& path, FileHandle& handle) {
  return openWith(path, O_WRONLY | O_CREAT, handle);
}

OsError identify(FileHandle handle, FileIdentity& identity) {
  struct stat info;
  if (::fstat(handle, &info) != 0) return errno;
  identity = FileIdentity{};
  if (S_ISREG(info.st_mode)) {
    identity.kind = FileKind::kRegular;
  } else if (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode)) {
    identity.kind = FileKind::kPipe;
  } else if (S_ISBLK(info.st_mode)) {
    identity.kind = FileKind::kBlockDevice;
    identity.rawDevice = static_cast<uint64_t>(info.st_rdev);
  }
  identity.device = static_cast<uint64_t>(info.st_dev);
  identity.index = static_cast<uint64_t>(info.st_ino);
  return 0;
}

OsError fileSize(FileHandle handle, uint64_t& bytes) {
  struct stat info;
  if (::fstat(handle, &info) != 0) return errno;
  bytes = static_cast<uint64_t>(info.st_size);
#ifdef BLKGETSIZE64
  if (S_ISBLK(info.st_mode) && ::ioctl(handle, BLKGETSIZE64, &bytes) != 0) return errno;
#endif
  return 0;
}

OsError readAt(FileHandle handle, uint64_t offset, char* buffer, size_t size, size_t& got) {
  got = 0;
  while (got < size) {
    size_t count = std::min(size - got, kMaxCall);
    const ssize_t result = retryingCall(SystemCall::kPread, count, [&] {
      return ::pread(handle, buffer + got, count, static_cast<off_t>(offset + got));
    });
    if (result < 0) return errno;
    if (result == 0) break;
    got += static_cast<size_t>(result);
  }
  return 0;
}

OsError truncateIfRegular(FileHandle handle, const FileIdentity& identity) {
  if (identity.kind != FileKind::kRegular) return 0;
  const int result = retryingCall(SystemCall::kFtruncate, [&] { return ::ftruncate(handle, 0); });
  return result == 0 ? 0 : errno;
}

SeekResult seekFromStart(FileHandle handle, uint64_t offset, OsError& error) {
  static_assert(sizeof(off_t) == 8, "large file support is required");
  if (offset > static_cast<uint64_t>(INT64_MAX)) return SeekResult::kPastAnyEnd;
  const off_t result = systemCall(
      SystemCall::kLseek, [&] { return ::lseek(handle, static_cast<off_t>(offset), SEEK_SET); });
  if (result >= 0) return SeekResult::kDone;
  if (errno == ESPIPE) return SeekResult::kUnseekable;
  // Beyond the largest file the file system can hold: nothing there to read.
  if (errno == EINVAL) return SeekResult::kPastAnyEnd;
  error = errno;
  return SeekResult::kFailed;
}

OsError readSome(FileHandle handle, char* buffer, size_t size, size_t& moved) {
  size_t count = std::min(size, kMaxCall);
  const ssize_t got =
      retryingCall(SystemCall::kRead, count, [&] { return ::read(handle, buffer, count); });
  if (got < 0) return errno;
  moved = static_cast<size_t>(got);
  return 0;
}

OsError writeSome(FileHandle handle, const char* buffer, size_t size, size_t& moved) {
  size_t count = std::min(size, kMaxCall);
  const ssize_t put =
      retryingCall(SystemCall::kWrite, count, [&] { return ::write(handle, buffer, count); });
  if (put < 0) return errno;
  moved = static_cast<size_t>(put);
  return 0;
}

OsError closeFile(FileHandle handle) {
  // After an interrupted close the descriptor is gone on Linux: no retry.
  const int result = systemCall(SystemCall::kClose, [&] { return ::close(handle); });
  return result == 0 || errno == EINTR ? 0 : errno;
}

KernelMove kernelMoveBetween(const FileIdentity& from, const FileIdentity& to) {
#if defined(__linux__) && !defined(MVWEAVE_READ_WRITE_ONLY)
  if (from.kind == FileKind::kPipe || to.kind == FileKind::kPipe) return KernelMove::kSplice;
  if (from.kind != FileKind::kRegular) return KernelMove::kNone;
  return to.kind == FileKind::kRegular ? KernelMove::kCopyFileRange : KernelMove::kSendfile;
#else
  (void)from;
  (void)to;
  return KernelMove::kNone;
#endif
}

OsError moveInKernel(KernelMove kernelMove, FileHandle from, FileHandle to, size_t size,
                     size_t& moved) {
#ifdef __linux__
  size = std::min(size, kMaxCall);
  ssize_t result = -1;
  switch (kernelMove) {
    case KernelMove::kCopyFileRange:
      result = retryingCall(SystemCall::kCopyFileRange, size,
                            [&] { return ::copy_file_range(from, nullptr, to, nullptr, size, 0); });
      break;
    case KernelMove::kSplice:
      result = retryingCall(SystemCall::kSplice, size, [&] {
        return ::splice(from, nullptr, to, nullptr, size, SPLICE_F_MOVE);
      });
      break;
    case KernelMove::kSendfile:
      result = retryingCall(SystemCall::kSendfile, size,
                            [&] { return ::sendfile(to, from, nullptr, size); });
      break;
    case KernelMove::kNone: return ENOSYS;
  }
  if (result < 0) return errno;
  moved = static_cast<size_t>(result);
  return 0;
#else
  (void)kernelMove;
  (void)from;
  (void)to;
  (void)size;
  (void)moved;
  return ENOSYS;
#endif
}

bool isTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

OsError identifyStream(std::FILE* stream, FileIdentity& identity) {
  return identify(::fileno(stream), identity);
}

int terminalColumns(std::FILE* stream) {
  struct winsize size {};
  if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

namespace {

// What a signal handler writes. A handler can reach nothing but static
// storage, so this is the process's one piece of state outside any object;
// the length is set last, so a handler never sees a half-copied text.
char interruptText[1024];
volatile std::sig_atomic_t interruptTextLength = 0;

extern "C" void writeAndEnd(int signal) {
  const auto length = static_cast<size_t>(interruptTextLength);
  if (length > 0 && ::write(STDERR_FILENO, interruptText, length) < 0) {
    // Nothing more can be done about a terminal that has gone.
  }
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

}  // namespace

void writeOnInterrupt(const std::string& text) {
  interruptTextLength = 0;
  const size_t length = text.size() < sizeof interruptText ? text.size() : 0;
  std::copy_n(text.data(), length, interruptText);
  interruptTextLength = static_cast<std::sig_atomic_t>(length);
  if (length == 0) return;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction previous {};
    // A signal that the caller ignores (nohup, a background job) stays ignored.
    if (::sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = writeAndEnd;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
  }
}

void adviseSequential(FileHandle handle) {
#ifdef POSIX_FADV_SEQUENTIAL
  ::posix_fadvise(handle, 0, 0, POSIX_FADV_SEQUENTIAL);
#else
  (void)handle;
#endif
}

void prepareProcess() {
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

}  // namespace mvweave
