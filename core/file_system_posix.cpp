// POSIX implementation of the file layer: plain descriptors, 64-bit offsets.
#include <fcntl.h>
#ifdef __linux__
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/sendfile.h>
#include <sys/vfs.h>
#endif
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <set>
#include <utility>

#include "mvweave/file_system.h"

namespace mvweave {

namespace {

// One call moves at most this much; larger requests are split by the callers'
// loops (Linux caps a call a little below 2 GiB anyway).
constexpr size_t kMaxCall = size_t{1} << 30;

std::string realFolder(const std::string& folder) {
  char* const real = ::realpath(folder.c_str(), nullptr);
  if (real == nullptr) return std::string();
  std::string result = real;
  std::free(real);
  return result;
}

std::string joined(std::string folder, const std::string& name) {
  folder += '/';
  folder += name;
  return folder;
}

// The folder a path's last name is in, resolved; `name` is that name.
std::string folderOf(const std::string& path, std::string& name) {
  const size_t slash = path.rfind('/');
  name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (slash == std::string::npos) return realFolder(".");
  return realFolder(slash == 0 ? "/" : path.substr(0, slash));
}

// Where the symbolic links of a path's last name lead, link after link, to
// a file or to nothing; the path itself when it is no link.
std::string linkTarget(const std::string& path) {
  std::string current = path;
  for (int links = 0; links < 40; ++links) {
    char target[PATH_MAX];
    const ssize_t length = ::readlink(current.c_str(), target, sizeof target - 1);
    if (length <= 0) return current;
    std::string next(target, static_cast<size_t>(length));
    const size_t slash = current.rfind('/');
    if (next[0] != '/' && slash != std::string::npos) next.insert(0, current, 0, slash + 1);
    current = next;
  }
  return current;
}

bool isDescriptorFolder(const std::string& folder) {
  return folder == realFolder("/proc/self/fd") || folder == realFolder("/proc/thread-self/fd") ||
         folder == realFolder("/dev/fd");
}

// Whether a path reaches one of the process's own descriptors: through
// /dev/fd, /proc/self/fd or /proc/thread-self/fd, to which /dev/stdout and
// the like lead, under any spelling and through any symbolic link. The
// folders are resolved, never the last name, which opening would follow to
// a new description of the file.
bool namesDescriptor(const std::string& path, int& descriptor) {
  std::string current = path;
  for (int links = 0; links < 40; ++links) {
    std::string name;
    const std::string folder = folderOf(current, name);
    if (folder.empty() || name.empty() || name == "." || name == "..") return false;
    if (isDescriptorFolder(folder) && name.size() <= 9 &&
        name.find_first_not_of("0123456789") == std::string::npos) {
      descriptor = std::stoi(name);
      return true;
    }
    char target[PATH_MAX];
    const ssize_t length = ::readlink(joined(folder, name).c_str(), target, sizeof target - 1);
    if (length < 0) return false;
    current.assign(target, static_cast<size_t>(length));
    if (current[0] != '/') current = joined(folder, current);
  }
  return false;
}

// Files whose size says nothing about what they hold.
bool isPseudoFileSystem(int fd) {
#ifdef __linux__
  struct statfs info;
  if (::fstatfs(fd, &info) != 0) return false;
  switch (static_cast<unsigned long>(info.f_type)) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
    case BPF_FS_MAGIC:
    case PSTOREFS_MAGIC:
    case EFIVARFS_MAGIC: return true;
    default: return false;
  }
#else
  (void)fd;
  return false;
#endif
}

class PosixFileSystem final : public FileSystem {
 public:
  explicit PosixFileSystem(StopCheck stopRequested) : stopRequested_(std::move(stopRequested)) {
    for (int standard = 0; standard < 3; ++standard) {
      closedAtStart_[standard] = ::fcntl(standard, F_GETFD) < 0 && errno == EBADF;
    }
    struct stat device;
    if (::stat("/dev/null", &device) == 0) nullDevice_ = static_cast<uint64_t>(device.st_rdev);
    // /dev/tty stands for the controlling terminal, which one of the
    // standard streams may be.
    if (::stat("/dev/tty", &device) != 0) return;
    ttyDevice_ = static_cast<uint64_t>(device.st_rdev);
    for (int standard = 0; standard < 3; ++standard) {
      if (::tcgetpgrp(standard) >= 0 && ::fstat(standard, &device) == 0) {
        controllingTerminal_ = static_cast<uint64_t>(device.st_rdev);
      }
    }
  }

  OsError openToRead(const std::string& path, FileHandle& handle) override {
    if (int given = 0; namesDescriptor(path, given)) return takeGiven(given, O_WRONLY, handle);
    FileHandle fd = kNoFile;
    if (const OsError error = openWith(path, O_RDONLY, fd)) return error;
    if (const OsError error = refuseDirectory(fd)) {
      (void)close(fd);
      return error;
    }
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    handle = fd;
    return 0;
  }

  // A name that exists may be a symbolic link to no file yet: the file made
  // where it leads is the run's own, as one made at the name itself.
  OsError openToWrite(const std::string& path, FileHandle& handle, OutputName& name) override {
    name = OutputName{false, path};
    if (int given = 0; namesDescriptor(path, given)) return takeGiven(given, O_RDONLY, handle);
    const int makeNew = O_WRONLY | O_CREAT | O_EXCL;
    OsError error = openWith(path, makeNew, handle);
    if (error == EEXIST) {
      name.file = linkTarget(path);
      error = name.file == path ? EEXIST : openWith(name.file, makeNew, handle);
    }
    name.created = error == 0;
    if (error != EEXIST) return error;
    return openWith(path, O_WRONLY | O_CREAT, handle);
  }

  OsError identify(FileHandle handle, FileInfo& info) override {
    struct stat status;
    if (::fstat(handle, &status) != 0) return errno;
    info = FileInfo{};
    info.identity = identityOf(status);
    const off_t position = ::lseek(handle, 0, SEEK_CUR);
    info.seekable = position >= 0;
    info.offset = info.seekable ? static_cast<uint64_t>(position) : 0;
    info.received = given_.count(handle) != 0;
    const bool stored = S_ISREG(status.st_mode) || S_ISBLK(status.st_mode);
    info.lengthKnown = stored && !isPseudoFileSystem(handle);
    info.length = static_cast<uint64_t>(status.st_size);
#ifdef BLKGETSIZE64
    if (S_ISBLK(status.st_mode) && ::ioctl(handle, BLKGETSIZE64, &info.length) != 0) return errno;
#endif
    return 0;
  }

  OsError identify(const std::string& path, FileInfo& info) override {
    struct stat status;
    int given = 0;
    const bool received = namesDescriptor(path, given);
    if (received) {
      if (given < 3 && closedAtStart_[given]) return kClosedAtStart;
      if (own_.count(given) != 0 || ::fstat(given, &status) != 0) return EBADF;
    } else if (::stat(path.c_str(), &status) != 0) {
      return errno;
    }
    info = FileInfo{};
    info.identity = identityOf(status);
    info.received = received;
    info.lengthKnown = S_ISREG(status.st_mode);
    info.length = static_cast<uint64_t>(status.st_size);
    return 0;
  }

  OsError read(FileHandle handle, char* buffer, size_t size, size_t& got) override {
    const size_t count = std::min(size, kMaxCall);
    const ssize_t result = retrying([&] { return ::read(handle, buffer, count); });
    if (result < 0) return errno;
    got = static_cast<size_t>(result);
    return 0;
  }

  OsError write(FileHandle handle, const char* data, size_t size, size_t& put) override {
    const size_t count = std::min(size, kMaxCall);
    const ssize_t result = retrying([&] { return ::write(handle, data, count); });
    if (result < 0) return errno;
    put = static_cast<size_t>(result);
    return 0;
  }

  OsError readAt(FileHandle handle, uint64_t offset, char* buffer, size_t size,
                 size_t& got) override {
    got = 0;
    while (got < size) {
      const size_t count = std::min(size - got, kMaxCall);
      const ssize_t result = retrying(
          [&] { return ::pread(handle, buffer + got, count, static_cast<off_t>(offset + got)); });
      if (result < 0) return errno;
      if (result == 0) break;
      got += static_cast<size_t>(result);
    }
    return 0;
  }

  OsError seek(FileHandle handle, uint64_t offset) override {
    static_assert(sizeof(off_t) == 8, "large file support is required");
    if (offset > static_cast<uint64_t>(INT64_MAX)) return EINVAL;
    return ::lseek(handle, static_cast<off_t>(offset), SEEK_SET) >= 0 ? 0 : errno;
  }

  OsError truncate(FileHandle handle) override {
    const int result = retrying([&] { return ::ftruncate(handle, 0); });
    return result == 0 ? 0 : errno;
  }

  KernelMove kernelMoveBetween(const FileIdentity& from, const FileIdentity& to) override {
#ifdef __linux__
    if (from.kind == FileKind::kPipe || to.kind == FileKind::kPipe) return KernelMove::kSplice;
    if (from.kind != FileKind::kRegular) return KernelMove::kNone;
    return to.kind == FileKind::kRegular ? KernelMove::kCopyFileRange : KernelMove::kSendfile;
#else
    (void)from;
    (void)to;
    return KernelMove::kNone;
#endif
  }

  OsError moveInKernel(KernelMove how, FileHandle from, FileHandle to, size_t size,
                       size_t& moved) override {
#ifdef __linux__
    size = std::min(size, kMaxCall);
    ssize_t result = -1;
    switch (how) {
      case KernelMove::kCopyFileRange:
        result = retrying([&] { return ::copy_file_range(from, nullptr, to, nullptr, size, 0); });
        break;
      case KernelMove::kSplice:
        result =
            retrying([&] { return ::splice(from, nullptr, to, nullptr, size, SPLICE_F_MOVE); });
        break;
      case KernelMove::kSendfile:
        result = retrying([&] { return ::sendfile(to, from, nullptr, size); });
        break;
      case KernelMove::kNone: return ENOSYS;
    }
    if (result < 0) return errno;
    moved = static_cast<size_t>(result);
    return 0;
#else
    (void)how;
    (void)from;
    (void)to;
    (void)size;
    (void)moved;
    return ENOSYS;
#endif
  }

  OsError close(FileHandle handle) override {
    own_.erase(handle);
    given_.erase(handle);
    // After an interrupted close the descriptor is gone on Linux: no retry.
    return ::close(handle) == 0 || errno == EINTR ? 0 : errno;
  }

  OsError remove(const std::string& path, const std::string& file,
                 const FileIdentity& identity) override {
    struct stat status;
    if (::stat(path.c_str(), &status) != 0) return errno;
    if (!isSameStoredFile(identityOf(status), identity)) return ENOENT;
    if (::lstat(file.c_str(), &status) != 0) return errno;
    if (!isSameStoredFile(identityOf(status), identity)) return ENOENT;
    return ::unlink(file.c_str()) == 0 ? 0 : errno;
  }

  bool stopRequested() override { return stopRequested_ && stopRequested_(); }

 private:
  // A call made again when a signal interrupts it, unless the caller asked
  // to stop: then it fails with ECANCELED, and so does every call after
  // (the signal that would interrupt one that waits has come already).
  template <typename Function>
  auto retrying(Function function) -> decltype(function()) {
    for (;;) {
      if (stopRequested()) {
        errno = ECANCELED;
        return -1;
      }
      const auto result = function();
      if (result >= 0 || errno != EINTR) return result;
    }
  }

  OsError openWith(const std::string& path, int flags, FileHandle& handle) {
    const int fd = retrying([&] { return ::open(path.c_str(), flags | O_CLOEXEC, 0666); });
    if (fd < 0) return errno;
    own_.insert(fd);
    handle = fd;
    return 0;
  }

  // A descriptor the process was given, used through a duplicate of it, so
  // that it shares the caller's offset and mode; one opened the wrong way
  // round (`refusedMode`), or a directory, fails now, before anything is
  // emptied. The tool's own files are no descriptors it was given.
  OsError takeGiven(int given, int refusedMode, FileHandle& handle) {
    if (given < 3 && closedAtStart_[given]) return kClosedAtStart;
    if (own_.count(given) != 0) return EBADF;
    const int mode = ::fcntl(given, F_GETFL);
    if (mode < 0) return errno;
    if ((mode & O_ACCMODE) == refusedMode) return EBADF;
    const int fd = ::fcntl(given, F_DUPFD_CLOEXEC, 3);
    if (fd < 0) return errno;
    own_.insert(fd);
    given_.insert(fd);
    if (const OsError error = refuseDirectory(fd)) {
      (void)close(fd);
      return error;
    }
    handle = fd;
    return 0;
  }

  static OsError refuseDirectory(int fd) {
    struct stat status;
    if (::fstat(fd, &status) != 0) return errno;
    return S_ISDIR(status.st_mode) ? EISDIR : 0;
  }

  [[nodiscard]] FileIdentity identityOf(const struct stat& status) const {
    FileIdentity identity;
    if (S_ISREG(status.st_mode)) {
      identity.kind = FileKind::kRegular;
    } else if (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode)) {
      identity.kind = FileKind::kPipe;
    } else if (S_ISBLK(status.st_mode)) {
      identity.kind = FileKind::kBlockDevice;
    } else if (S_ISDIR(status.st_mode)) {
      identity.kind = FileKind::kDirectory;
    } else if (S_ISCHR(status.st_mode) && static_cast<uint64_t>(status.st_rdev) != nullDevice_) {
      identity.kind = FileKind::kCharacterDevice;
    }
    identity.device = static_cast<uint64_t>(status.st_dev);
    identity.index = static_cast<uint64_t>(status.st_ino);
    identity.rawDevice = static_cast<uint64_t>(status.st_rdev);
    if (identity.kind == FileKind::kCharacterDevice && identity.rawDevice == ttyDevice_) {
      identity.rawDevice = controllingTerminal_;
    }
    return identity;
  }

  const StopCheck stopRequested_;
  bool closedAtStart_[3] = {};
  uint64_t nullDevice_ = UINT64_MAX;
  uint64_t ttyDevice_ = UINT64_MAX;            // /dev/tty
  uint64_t controllingTerminal_ = UINT64_MAX;  // what it stands for, when known
  std::set<int> own_;                          // descriptors this file layer opened
  std::set<int> given_;  // of those, duplicates of descriptors the process was given
};

}  // namespace

std::unique_ptr<FileSystem> makeSystemFileSystem(StopCheck stopRequested) {
  return std::make_unique<PosixFileSystem>(std::move(stopRequested));
}

}  // namespace mvweave
