// POSIX implementation of the file calls: plain descriptors, 64-bit offsets.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>

#include "file_system.h"

namespace {

// One call moves at most this much; larger requests are split by the callers'
// loops (Linux caps a call a little below 2 GiB anyway).
constexpr size_t kMaxCall = size_t{1} << 30;

}  // namespace

bool openForReading(const std::string& path, FileHandle& handle) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  struct stat info;
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    return false;
  }
  handle = fd;
  return true;
}

bool openForWriting(const std::string& path, FileHandle& handle) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  handle = fd;
  return true;
}

bool identify(FileHandle handle, FileIdentity& identity) {
  struct stat info;
  if (::fstat(handle, &info) != 0) return false;
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
  return true;
}

bool truncateIfRegular(FileHandle handle, const FileIdentity& identity) {
  if (identity.kind != FileKind::kRegular) return true;
  int result;
  do {
    result = ::ftruncate(handle, 0);
  } while (result != 0 && errno == EINTR);
  return result == 0;
}

SeekResult seekFromStart(FileHandle handle, uint64_t offset) {
  static_assert(sizeof(off_t) == 8, "large file support is required");
  if (offset > static_cast<uint64_t>(INT64_MAX)) return SeekResult::kPastAnyEnd;
  if (::lseek(handle, static_cast<off_t>(offset), SEEK_SET) >= 0) return SeekResult::kDone;
  if (errno == ESPIPE) return SeekResult::kUnseekable;
  // Beyond the largest file the file system can hold: nothing there to read.
  if (errno == EINVAL) return SeekResult::kPastAnyEnd;
  return SeekResult::kFailed;
}

int64_t readSome(FileHandle handle, char* buffer, size_t size) {
  if (size > kMaxCall) size = kMaxCall;
  ssize_t got;
  do {
    got = ::read(handle, buffer, size);
  } while (got < 0 && errno == EINTR);
  return got;
}

int64_t writeSome(FileHandle handle, const char* buffer, size_t size) {
  if (size > kMaxCall) size = kMaxCall;
  ssize_t put;
  do {
    put = ::write(handle, buffer, size);
  } while (put < 0 && errno == EINTR);
  return put;
}

bool closeFile(FileHandle handle) {
  // After an interrupted close the descriptor is gone on Linux: no retry.
  return ::close(handle) == 0 || errno == EINTR;
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
