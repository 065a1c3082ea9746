// Windows implementation of the file calls: C runtime descriptors opened in
// binary mode, 64-bit positioning, and file identities taken from the system
// (volume serial number and file index), since names say nothing about links.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>

#include "file_system.h"

namespace mvweave {

namespace {

// _read and _write take an unsigned int count.
constexpr size_t kMaxCall = size_t{1} << 30;

bool isDirectoryHandle(int fd) {
  struct _stat64 info;
  return _fstat64(fd, &info) == 0 && (info.st_mode & _S_IFMT) == _S_IFDIR;
}

}  // namespace

namespace {

// Windows refuses to open a directory with "Permission denied"; say what it is.
OsError openError(const std::string& path) {
  const OsError error = errno;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  const bool directory =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return error == EACCES && directory ? EISDIR : error;
}

}  // namespace

OsError openForReading(const std::string& path, FileHandle& handle) {
  const int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
  if (fd < 0) return openError(path);
  if (isDirectoryHandle(fd)) {
    _close(fd);
    return EISDIR;
  }
  handle = fd;
  return 0;
}

OsError openForWriting(const std::string& path, FileHandle& handle) {
  const int fd =
      _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
  if (fd < 0) return openError(path);
  handle = fd;
  return 0;
}

OsError identify(FileHandle handle, FileIdentity& identity) {
  const HANDLE system = reinterpret_cast<HANDLE>(_get_osfhandle(handle));
  if (system == INVALID_HANDLE_VALUE) return EBADF;
  identity = FileIdentity{};
  // Pipes have no identity to compare on Windows; consoles and devices never count.
  if (GetFileType(system) != FILE_TYPE_DISK) return 0;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(system, &info)) return EIO;
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) identity.kind = FileKind::kRegular;
  identity.device = info.dwVolumeSerialNumber;
  identity.index = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  return 0;
}

OsError fileSize(FileHandle handle, uint64_t& bytes) {
  struct _stat64 info;
  if (_fstat64(handle, &info) != 0) return errno;
  bytes = static_cast<uint64_t>(info.st_size);
  return 0;
}

OsError readAt(FileHandle handle, uint64_t offset, char* buffer, size_t size, size_t& got) {
  got = 0;
  const __int64 kept = _lseeki64(handle, 0, SEEK_CUR);
  if (kept < 0 || _lseeki64(handle, static_cast<__int64>(offset), SEEK_SET) < 0) return errno;
  OsError error = 0;
  while (got < size) {
    const int result =
        _read(handle, buffer + got, static_cast<unsigned>((std::min)(size - got, kMaxCall)));
    if (result <= 0) {
      if (result < 0) error = errno;
      break;
    }
    got += static_cast<size_t>(result);
  }
  if (_lseeki64(handle, kept, SEEK_SET) < 0 && error == 0) error = errno;
  return error;
}

OsError truncateIfRegular(FileHandle handle, const FileIdentity& identity) {
  if (identity.kind != FileKind::kRegular) return 0;
  return _chsize_s(handle, 0);
}

SeekResult seekFromStart(FileHandle handle, uint64_t offset, OsError& error) {
  const HANDLE system = reinterpret_cast<HANDLE>(_get_osfhandle(handle));
  if (GetFileType(system) != FILE_TYPE_DISK) return SeekResult::kUnseekable;
  if (offset > static_cast<uint64_t>(INT64_MAX)) return SeekResult::kPastAnyEnd;
  if (_lseeki64(handle, static_cast<__int64>(offset), SEEK_SET) >= 0) return SeekResult::kDone;
  if (errno == EINVAL) return SeekResult::kPastAnyEnd;
  error = errno;
  return SeekResult::kFailed;
}

OsError readSome(FileHandle handle, char* buffer, size_t size, size_t& moved) {
  const int got = _read(handle, buffer, static_cast<unsigned>(size < kMaxCall ? size : kMaxCall));
  if (got < 0) return errno;
  moved = static_cast<size_t>(got);
  return 0;
}

OsError writeSome(FileHandle handle, const char* buffer, size_t size, size_t& moved) {
  const int put = _write(handle, buffer, static_cast<unsigned>(size < kMaxCall ? size : kMaxCall));
  if (put < 0) return errno;
  moved = static_cast<size_t>(put);
  return 0;
}

OsError closeFile(FileHandle handle) { return _close(handle) == 0 ? 0 : errno; }

// Windows has no such calls for C runtime descriptors: frames are read and
// written.
KernelMove kernelMoveBetween(const FileIdentity&, const FileIdentity&) { return KernelMove::kNone; }

OsError moveInKernel(KernelMove, FileHandle, FileHandle, size_t, size_t&) { return ENOSYS; }

bool isTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

OsError identifyStream(std::FILE* stream, FileIdentity& identity) {
  return identify(_fileno(stream), identity);
}

int terminalColumns(std::FILE* stream) {
  const HANDLE console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(console, &info)) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

// Windows runs a Ctrl+C handler on a thread of its own; the progress line is
// left to the console there.
void writeOnInterrupt(const std::string&) {}

void adviseSequential(FileHandle) {}

void prepareProcess() {
  // The C runtime's own cap on open files: the largest value it accepts.
  // (Windows has no broken-pipe or file-size signal: such a write simply fails.)
  for (int limit = 8192; limit >= 512 && _setmaxstdio(limit) == -1; limit /= 2) {
  }
}

}  // namespace mvweave
