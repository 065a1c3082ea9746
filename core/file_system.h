// The few operating-system file calls the runs need, behind one small
// interface: open, identify, position, read, write, truncate and close raw
// files by handle, with no buffering of their own (a frame is one call), plus
// readying the process for many files and pipes. file_system_posix.cpp
// implements it for Linux and other POSIX systems, file_system_windows.cpp
// for Windows.
#ifndef MVWEAVE_CORE_FILE_SYSTEM_H
#define MVWEAVE_CORE_FILE_SYSTEM_H

#include <cstddef>
#include <cstdint>
#include <string>

using FileHandle = int;
constexpr FileHandle kNoFile = -1;

// What tells two open files apart: two handles name the same file when both
// are regular files with equal device and index.
struct FileIdentity {
  bool regular = false;
  uint64_t device = 0;
  uint64_t index = 0;
};

// Opens an existing file for reading. A directory counts as not openable.
bool openForReading(const std::string& path, FileHandle& handle);

// Opens a file for writing, creating it when missing but keeping its
// contents, so the caller can still refuse it before truncating.
bool openForWriting(const std::string& path, FileHandle& handle);

bool identify(FileHandle handle, FileIdentity& identity);

// Empties a regular file; other files (devices, pipes) are left as they are.
bool truncateIfRegular(FileHandle handle, const FileIdentity& identity);

enum class SeekResult { kDone, kUnseekable, kPastAnyEnd, kFailed };
SeekResult seekFromStart(FileHandle handle, uint64_t offset);

// One read or write call: the byte count moved, 0 at end of file, -1 on error.
// Interrupted calls are repeated.
int64_t readSome(FileHandle handle, char* buffer, size_t size);
int64_t writeSome(FileHandle handle, const char* buffer, size_t size);

bool closeFile(FileHandle handle);

// Tells the system that a file is read front to back.
void adviseSequential(FileHandle handle);

// Readies the process for a run: raises the number of files it may hold open
// as far as the system allows, so that rigs with many cameras work, and makes
// writing to a pipe whose reader has gone an ordinary write error rather than
// a signal that ends the process without a message.
void prepareProcess();

#endif
