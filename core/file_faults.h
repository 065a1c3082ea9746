// Faults on demand, for tests: in the build of the core made with
// MVWEAVE_FAULTS, every system call of the file layer first asks here
// whether it is to fail. The environment variable MVWEAVE_FAULTS plans
// the faults, as a comma-separated list of
//
//   CALL:OCCURRENCE:HOW
//
// CALL is open, read, pread, write, lseek, ftruncate, close,
// copy_file_range, splice or sendfile; OCCURRENCE counts the calls of that
// kind from 1 (3: the third call only; 3+: the third and every later one);
// HOW is an errno name (EIO, ENOSPC, EINTR, EXDEV, EINVAL, ...), "short"
// (the call is made for half the bytes asked, at least one) or "zero" (the
// call moves nothing and returns 0). For example
//
//   MVWEAVE_FAULTS=write:2:ENOSPC,close:1:EIO mvweave views.cfg
//
// Ordinary builds have none of this; tests/file_faults.cpp reads the plan.
#ifndef MVWEAVE_CORE_FILE_FAULTS_H
#define MVWEAVE_CORE_FILE_FAULTS_H

#include <cstddef>

namespace mvweave {

enum class SystemCall {
  kOpen,
  kRead,
  kPread,
  kWrite,
  kLseek,
  kFtruncate,
  kClose,
  kCopyFileRange,
  kSplice,
  kSendfile,
};

struct Fault {
  enum class Kind { kNone, kError, kShort, kZero };
  Kind kind = Kind::kNone;
  int error = 0;
};

// Counts one call of the kind and tells what is planned for it.
Fault plannedFault(SystemCall call);

}  // namespace mvweave

#endif
