// The few operating-system file calls the runs need, behind one small
// interface: open, identify, position, read, write, truncate and close raw
// files by handle, with no buffering of their own (a frame is one call), plus
// readying the process. Every call that can fail returns the system's error
// number, 0 when it succeeded. file_system_posix.cpp implements it for Linux
// and other POSIX systems, file_system_windows.cpp for Windows.
#ifndef MVWEAVE_CORE_FILE_SYSTEM_H
#define MVWEAVE_CORE_FILE_SYSTEM_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace mvweave {

using FileHandle = int;
constexpr FileHandle kNoFile = -1;
using OsError = int;  // errno values; 0 for success

// What a handle refers to, to tell whether two handles reach one file. Regular
// files and pipes (named or not) are told apart by device and index, block
// devices by the device they stand for. Character devices (/dev/null, a
// terminal) and anything else are never the same as another file.
enum class FileKind { kRegular, kPipe, kBlockDevice, kOther };

struct FileIdentity {
  FileKind kind = FileKind::kOther;
  uint64_t device = 0;
  uint64_t index = 0;
  uint64_t rawDevice = 0;  // the device a block device stands for
};

// True when both are one regular file or one block device: such a file must
// not take the frames of two outputs. Pipes and character devices may.
inline bool isSameStoredFile(const FileIdentity& a, const FileIdentity& b) {
  if (a.kind != b.kind) return false;
  if (a.kind == FileKind::kBlockDevice) return a.rawDevice == b.rawDevice;
  return a.kind == FileKind::kRegular && a.device == b.device && a.index == b.index;
}

// True when writing through one handle changes what the other reads: one
// stored file, or one pipe.
inline bool isSameFileOrPipe(const FileIdentity& a, const FileIdentity& b) {
  return isSameStoredFile(a, b) || (a.kind == FileKind::kPipe && b.kind == FileKind::kPipe &&
                                    a.device == b.device && a.index == b.index);
}

// Opens an existing file for reading. A directory counts as not openable
// (EISDIR).
OsError openForReading(const std::string& path, FileHandle& handle);

// Opens a file for writing, creating it when missing but keeping its
// contents, so the caller can still refuse it before truncating.
OsError openForWriting(const std::string& path, FileHandle& handle);

OsError identify(FileHandle handle, FileIdentity& identity);

// The length of a regular file or block device, in bytes.
OsError fileSize(FileHandle handle, uint64_t& bytes);

// Reads at an offset, leaving the file's own offset where it is; `got` is
// short only at the end of the file.
OsError readAt(FileHandle handle, uint64_t offset, char* buffer, size_t size, size_t& got);

// Empties a regular file; other files (devices, pipes) are left as they are.
OsError truncateIfRegular(FileHandle handle, const FileIdentity& identity);

enum class SeekResult { kDone, kUnseekable, kPastAnyEnd, kFailed };
SeekResult seekFromStart(FileHandle handle, uint64_t offset, OsError& error);

// One read or write call: `moved` is the byte count, 0 at the end of a file.
// Interrupted calls are repeated.
OsError readSome(FileHandle handle, char* buffer, size_t size, size_t& moved);
OsError writeSome(FileHandle handle, const char* buffer, size_t size, size_t& moved);

OsError closeFile(FileHandle handle);

// An open handle that closes itself when it goes out of scope. Closing can
// lose written data, so writers call close() and check it; the destructor
// only closes what a failed run leaves open.
class OpenFile {
 public:
  OpenFile() = default;
  explicit OpenFile(FileHandle handle) : handle_(handle) {}
  OpenFile(OpenFile&& other) noexcept : handle_(other.handle_) { other.handle_ = kNoFile; }
  OpenFile& operator=(OpenFile&& other) noexcept {
    if (this != &other) {
      close();
      handle_ = other.handle_;
      other.handle_ = kNoFile;
    }
    return *this;
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  ~OpenFile() { close(); }

  [[nodiscard]] FileHandle get() const { return handle_; }

  OsError close() {
    if (handle_ == kNoFile) return 0;
    const OsError error = closeFile(handle_);
    handle_ = kNoFile;
    return error;
  }

 private:
  FileHandle handle_ = kNoFile;
};

// Opens a file for reading, or for writing without emptying it, and tells
// what it is; `file` owns it from then on.
inline OsError openToRead(const std::string& path, OpenFile& file, FileIdentity& identity) {
  FileHandle handle = kNoFile;
  if (const OsError error = openForReading(path, handle)) return error;
  file = OpenFile(handle);
  return identify(handle, identity);
}

inline OsError openToWrite(const std::string& path, OpenFile& file, FileIdentity& identity) {
  FileHandle handle = kNoFile;
  if (const OsError error = openForWriting(path, handle)) return error;
  file = OpenFile(handle);
  return identify(handle, identity);
}

// How data can go from one file to another inside the kernel, never passing
// through the program: copy_file_range between regular files (which some
// file systems turn into a copy on the server or shared blocks), splice
// when either side is a pipe, sendfile from a regular file to anything
// else. kNone where the system has none of them, and in builds made to test
// the read-and-write path (MVWEAVE_READ_WRITE_ONLY).
enum class KernelMove { kNone, kCopyFileRange, kSplice, kSendfile };

KernelMove kernelMoveBetween(const FileIdentity& from, const FileIdentity& to);

// Moves up to `size` bytes, taking and advancing both files' own offsets,
// so that reads and writes that follow go on from the right place. `moved`
// is 0 when `from` has nothing more, for now. An error means that nothing
// moved: the caller reads and writes instead, which also tells a read error
// from a write error.
OsError moveInKernel(KernelMove kernelMove, FileHandle from, FileHandle to, size_t size,
                     size_t& moved);

bool isTerminal(std::FILE* stream);

OsError identifyStream(std::FILE* stream, FileIdentity& identity);

// The width of the terminal behind a stream; 0 when it is not known.
int terminalColumns(std::FILE* stream);

// Until called again, an interrupt, termination or hang-up first writes
// `text` to standard error (so that a progress line does not stay behind),
// then ends the process as the signal would have. An empty text writes
// nothing.
void writeOnInterrupt(const std::string& text);

void adviseSequential(FileHandle handle);

// Readies the process, first thing: standard input, output and error that
// were closed are opened on the null device (else the first files opened
// would take their places and receive console text); writing to a pipe whose
// reader has gone and writing past the file-size limit become ordinary write
// errors instead of signals that end the process without a word; and the
// number of files the process may hold open is raised as far as the system
// allows, so that rigs with many cameras work.
void prepareProcess();

}  // namespace mvweave

#endif
