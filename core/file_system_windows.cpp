// Windows implementation of the file layer: C runtime descriptors opened in
// binary mode, 64-bit offsets, and file identities taken from the system
// (volume serial number and file index), since names say nothing about links.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <utility>

#include "mvweave/file_system.h"

namespace mvweave {

namespace {

// _read and _write take an unsigned int count.
constexpr size_t kMaxCall = size_t{1} << 30;

bool isDirectoryHandle(int fd) {
  struct _stat64 info;
  return _fstat64(fd, &info) == 0 && (info.st_mode & _S_IFMT) == _S_IFDIR;
}

// Windows refuses to open a directory with "Permission denied"; say what it is.
OsError openError(const std::string& path) {
  const OsError error = errno;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  const bool directory =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return error == EACCES && directory ? EISDIR : error;
}

// Pipes have no identity to compare on Windows; consoles and devices never
// count.
OsError identityOf(HANDLE system, FileIdentity& identity) {
  identity = FileIdentity{};
  if (GetFileType(system) != FILE_TYPE_DISK) return 0;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(system, &info)) return EIO;
  const bool folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  identity.kind = folder ? FileKind::kDirectory : FileKind::kRegular;
  identity.device = info.dwVolumeSerialNumber;
  identity.index = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  return 0;
}

class WindowsFileSystem final : public FileSystem {
 public:
  explicit WindowsFileSystem(StopCheck stopRequested) : stopRequested_(std::move(stopRequested)) {}

  OsError openToRead(const std::string& path, FileHandle& handle) override {
    const int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) return openError(path);
    if (isDirectoryHandle(fd)) {
      _close(fd);
      return EISDIR;
    }
    handle = fd;
    return 0;
  }

  OsError openToWrite(const std::string& path, FileHandle& handle, OutputName& name) override {
    const int flags = _O_WRONLY | _O_CREAT | _O_BINARY | _O_NOINHERIT;
    int fd = _open(path.c_str(), flags | _O_EXCL, _S_IREAD | _S_IWRITE);
    name = OutputName{fd >= 0, path};
    if (fd < 0 && errno == EEXIST) fd = _open(path.c_str(), flags, _S_IREAD | _S_IWRITE);
    if (fd < 0) return openError(path);
    handle = fd;
    return 0;
  }

  OsError identify(FileHandle handle, FileInfo& info) override {
    const HANDLE system = reinterpret_cast<HANDLE>(_get_osfhandle(handle));
    if (system == INVALID_HANDLE_VALUE) return EBADF;
    info = FileInfo{};
    if (const OsError error = identityOf(system, info.identity)) return error;
    info.seekable = GetFileType(system) == FILE_TYPE_DISK;
    const __int64 position = info.seekable ? _lseeki64(handle, 0, SEEK_CUR) : -1;
    info.seekable = position >= 0;
    info.offset = info.seekable ? static_cast<uint64_t>(position) : 0;
    struct _stat64 status;
    info.lengthKnown = info.identity.kind == FileKind::kRegular && _fstat64(handle, &status) == 0;
    if (info.lengthKnown) info.length = static_cast<uint64_t>(status.st_size);
    return 0;
  }

  OsError identify(const std::string& path, FileInfo& info) override {
    // Opened for its attributes only: nothing is read, written or locked.
    const HANDLE system =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (system == INVALID_HANDLE_VALUE) return ENOENT;
    info = FileInfo{};
    OsError error = identityOf(system, info.identity);
    LARGE_INTEGER size;
    info.lengthKnown =
        error == 0 && info.identity.kind == FileKind::kRegular && GetFileSizeEx(system, &size) != 0;
    if (info.lengthKnown) info.length = static_cast<uint64_t>(size.QuadPart);
    CloseHandle(system);
    return error;
  }

  OsError read(FileHandle handle, char* buffer, size_t size, size_t& got) override {
    const int result = _read(handle, buffer, static_cast<unsigned>((std::min)(size, kMaxCall)));
    if (result < 0) return errno;
    got = static_cast<size_t>(result);
    return 0;
  }

  OsError write(FileHandle handle, const char* data, size_t size, size_t& put) override {
    const int result = _write(handle, data, static_cast<unsigned>((std::min)(size, kMaxCall)));
    if (result < 0) return errno;
    put = static_cast<size_t>(result);
    return 0;
  }

  // The C runtime has no pread: the offset is kept and restored.
  OsError readAt(FileHandle handle, uint64_t offset, char* buffer, size_t size,
                 size_t& got) override {
    got = 0;
    const __int64 kept = _lseeki64(handle, 0, SEEK_CUR);
    if (kept < 0 || _lseeki64(handle, static_cast<__int64>(offset), SEEK_SET) < 0) return errno;
    OsError error = 0;
    while (got < size) {
      size_t part = 0;
      if ((error = read(handle, buffer + got, size - got, part)) != 0 || part == 0) break;
      got += part;
    }
    if (_lseeki64(handle, kept, SEEK_SET) < 0 && error == 0) error = errno;
    return error;
  }

  OsError seek(FileHandle handle, uint64_t offset) override {
    const HANDLE system = reinterpret_cast<HANDLE>(_get_osfhandle(handle));
    if (GetFileType(system) != FILE_TYPE_DISK) return ESPIPE;
    if (offset > static_cast<uint64_t>(INT64_MAX)) return EINVAL;
    return _lseeki64(handle, static_cast<__int64>(offset), SEEK_SET) >= 0 ? 0 : errno;
  }

  OsError truncate(FileHandle handle) override { return _chsize_s(handle, 0); }

  // Windows has no such calls for C runtime descriptors: frames are read and
  // written.
  KernelMove kernelMoveBetween(const FileIdentity&, const FileIdentity&) override {
    return KernelMove::kNone;
  }

  OsError moveInKernel(KernelMove, FileHandle, FileHandle, size_t, size_t&) override {
    return ENOSYS;
  }

  OsError close(FileHandle handle) override { return _close(handle) == 0 ? 0 : errno; }
  // Outputs are never made through links here: `file` is `path`.
  OsError remove(const std::string& path, const std::string& file,
                 const FileIdentity& identity) override {
    FileInfo now;
    if (const OsError error = this->identify(path, now)) return error;
    if (!isSameStoredFile(now.identity, identity)) return ENOENT;
    return _unlink(file.c_str()) == 0 ? 0 : errno;
  }

  // Calls are not interrupted here: the stop is seen once a frame.
  bool stopRequested() override { return stopRequested_ && stopRequested_(); }

 private:
  const StopCheck stopRequested_;
};

}  // namespace

std::unique_ptr<FileSystem> makeSystemFileSystem(StopCheck stopRequested) {
  return std::make_unique<WindowsFileSystem>(std::move(stopRequested));
}

}  // namespace mvweave
