// The operating system's file calls that a run makes, behind one small
// abstract class, as leveldb's Env and ninja's DiskInterface are: the run is
// given a FileSystem by reference, so that tests can hand it one that fails
// any call on demand. Raw handles, no buffering of their own (a frame is one
// call); every call that can fail returns the system's error number, 0 when
// it succeeded. file_system_posix.cpp implements it for Linux and other
// POSIX systems, file_system_windows.cpp for Windows.
#ifndef MVWEAVE_FILE_SYSTEM_H
#define MVWEAVE_FILE_SYSTEM_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace mvweave {

using FileHandle = int;
constexpr FileHandle kNoFile = -1;
constexpr FileHandle kStandardOutput = 1;
constexpr FileHandle kStandardError = 2;
using OsError = int;  // errno values; 0 for success

// The error of a path that names a standard stream (/dev/stdout) that was
// closed when the process started: nothing is there to read or write.
constexpr OsError kClosedAtStart = -1;
// The system's text for an error, or what kClosedAtStart means.
std::string describeOsError(OsError error);

// What a handle refers to, to tell whether two handles reach one file:
// regular files and pipes (named or not, and sockets) by device and index,
// block and character devices by the device they stand for. Folders, the
// null device and anything else are never the same as another file.
enum class FileKind { kRegular, kPipe, kBlockDevice, kCharacterDevice, kDirectory, kOther };

struct FileIdentity {
  FileKind kind = FileKind::kOther;
  uint64_t device = 0;
  uint64_t index = 0;
  uint64_t rawDevice = 0;  // the device a block or character device stands for
};

// One regular file or one block device: such a file must not take the
// frames of two outputs.
bool isSameStoredFile(const FileIdentity& a, const FileIdentity& b);
// Writing through one changes what the other reads: a stored file or a pipe.
bool isSameFileOrPipe(const FileIdentity& a, const FileIdentity& b);
// Text written to one shows among the bytes of the other: a stored file, a
// pipe, or a character device such as a terminal.
bool isSameStream(const FileIdentity& a, const FileIdentity& b);

// What an open file is, and where reading or writing it starts.
struct FileInfo {
  FileIdentity identity;
  // Seeking works (regular files, block devices); `offset` is where the
  // handle stands: 0 for a file opened by its name, the caller's own offset
  // for a descriptor the process was given (Input = "/dev/stdin").
  bool seekable = false;
  uint64_t offset = 0;
  // The length in bytes, where the system knows it: regular files and block
  // devices, but not the files of /proc and /sys, whose sizes say nothing.
  bool lengthKnown = false;
  uint64_t length = 0;
  // A descriptor the process was given: its offset and append mode are the
  // caller's, and the tool never truncates it (the shell's > already has).
  bool received = false;
};

// What opening a file for writing found: whether the call made the file,
// and the file's own name, to remove it by: the path, or where the path's
// symbolic links lead (an output made through a link to a missing file is
// the link's target, made by the run).
struct OutputName {
  bool created = false;
  std::string file;
};

// How data can go from one file to another inside the kernel, never passing
// through the program: copy_file_range between regular files (which some
// file systems turn into a copy on the server or shared blocks), splice when
// either side is a pipe, sendfile from a regular file to anything else.
enum class KernelMove { kNone, kCopyFileRange, kSplice, kSendfile };

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens an existing file for reading; a directory counts as not openable
  // (EISDIR). /dev/stdin, /dev/stdout, /dev/stderr, /dev/fd/N and
  // /proc/self/fd/N are the descriptors the process was given, used as they
  // are (their offset kept), never opened again by name.
  virtual OsError openToRead(const std::string& path, FileHandle& handle) = 0;
  // Opens a file for writing, creating it when missing but keeping its
  // contents, so that the run can still refuse it before truncating; `name`
  // tells whether this call made the file, and which file it is, so that a
  // run that does not complete can remove() what it made or emptied.
  virtual OsError openToWrite(const std::string& path, FileHandle& handle, OutputName& name) = 0;
  virtual OsError identify(FileHandle handle, FileInfo& info) = 0;
  // What a path names, without opening anything (the identity, the length
  // and whether it is a descriptor the process was given); ENOENT when
  // nothing.
  virtual OsError identify(const std::string& path, FileInfo& info) = 0;

  // One call each: `got` and `put` are the byte counts, 0 at the end of a
  // file. Interrupted calls are made again.
  virtual OsError read(FileHandle handle, char* buffer, size_t size, size_t& got) = 0;
  virtual OsError write(FileHandle handle, const char* data, size_t size, size_t& put) = 0;
  // Reads at an offset without moving the handle; `got` is short only at the
  // end of the file.
  virtual OsError readAt(FileHandle handle, uint64_t offset, char* buffer, size_t size,
                         size_t& got) = 0;
  // To an offset from the start of the file: ESPIPE where the file cannot
  // seek (a pipe), EINVAL beyond the largest file there can be.
  virtual OsError seek(FileHandle handle, uint64_t offset) = 0;
  virtual OsError truncate(FileHandle handle) = 0;

  // kNone where the system has no way between the two (or a test wants
  // frames read and written).
  virtual KernelMove kernelMoveBetween(const FileIdentity& from, const FileIdentity& to) = 0;
  // Moves up to `size` bytes, advancing both handles, so that reads and
  // writes that follow go on from the right place. `moved` is 0 when `from`
  // has nothing more, for now. An error means that nothing moved: the caller
  // reads and writes instead, which also tells a read error from a write
  // error (but ECANCELED, which stops the run).
  virtual OsError moveInKernel(KernelMove how, FileHandle from, FileHandle to, size_t size,
                               size_t& moved) = 0;

  virtual OsError close(FileHandle handle) = 0;
  // Removes the file `file` (an output's own name, as openToWrite() found
  // it for `path`) only while `path` still leads to the file `identity`
  // tells and the name `file` itself (not a link put there since) is that
  // file: ENOENT otherwise (that file is no longer at that name).
  virtual OsError remove(const std::string& path, const std::string& file,
                         const FileIdentity& identity) = 0;

  // Whether the caller asked the run to stop (a signal, Ctrl+C): asked once
  // a frame, and whenever a signal interrupts a call that waits (a read from
  // a pipe with nothing in it yet, the open of a FIFO), which then fails
  // with ECANCELED instead of being made again.
  virtual bool stopRequested() = 0;
};

// Asked when a signal interrupts a call; true stops the run.
using StopCheck = std::function<bool()>;

// The system's own file layer. It notes which standard streams are closed
// when it is made, so make it before anything opens a file. Without a stop
// check, interrupted calls are always made again.
std::unique_ptr<FileSystem> makeSystemFileSystem(StopCheck stopRequested = {});

// An open handle that closes itself when it goes out of scope. Closing can
// lose written data, so writers call close() and check it; the destructor
// only closes what a failed run leaves open.
class OpenFile {
 public:
  OpenFile() = default;
  OpenFile(FileSystem& files, FileHandle handle) : files_(&files), handle_(handle) {}
  OpenFile(OpenFile&& other) noexcept { *this = std::move(other); }
  OpenFile& operator=(OpenFile&& other) noexcept {
    if (this != &other) {
      (void)close();
      files_ = other.files_;
      handle_ = other.handle_;
      other.handle_ = kNoFile;
    }
    return *this;
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  ~OpenFile() { (void)close(); }

  [[nodiscard]] FileHandle get() const { return handle_; }

  [[nodiscard]] OsError close() {
    if (handle_ == kNoFile) return 0;
    const OsError error = files_->close(handle_);
    handle_ = kNoFile;
    return error;
  }

 private:
  FileSystem* files_ = nullptr;
  FileHandle handle_ = kNoFile;
};

// Opens a file to read, or to write without emptying it, and tells what it
// is; `file` owns it from then on.
OsError openToRead(FileSystem& files, const std::string& path, OpenFile& file, FileInfo& info);
OsError openToWrite(FileSystem& files, const std::string& path, OpenFile& file, FileInfo& info,
                    OutputName& name);

}  // namespace mvweave

#endif
