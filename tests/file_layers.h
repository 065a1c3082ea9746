// A file layer for tests, wrapped around the system's own as leveldb's
// fault-injection Env is: it fails any call on demand, and without kernel
// moves it makes the runs read and write every frame through the program.
#ifndef MVWEAVE_TESTS_FILE_LAYERS_H
#define MVWEAVE_TESTS_FILE_LAYERS_H

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <csignal>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "mvweave/file_system.h"

namespace mvweave {

// Where the in-process tests write their files: memory where the system has
// it (no disk's journal to wait for), else the temporary folder. A run gone
// wrong that writes without end meets a write error at 256 MiB a file
// instead of filling the memory.
inline std::filesystem::path scratchFolder() {
#ifndef _WIN32
  const rlimit limit{size_t{256} << 20, size_t{256} << 20};
  signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &limit);
#endif
  std::error_code error;
  if (std::filesystem::is_directory("/dev/shm", error)) return "/dev/shm";
  return std::filesystem::temp_directory_path();
}

// Fails the calls planned for it: the nth call of a kind (counted from 1),
// or that one and every later one, with an error number, by moving half the
// bytes asked, or by moving none.
class TestFileSystem : public FileSystem {
 public:
  enum class Call { kOpen, kRead, kReadAt, kWrite, kSeek, kTruncate, kMoveInKernel, kClose };
  enum class How { kError, kHalf, kNothing };
  struct Fault {
    Call call;
    unsigned occurrence;
    How how;
    OsError error;
    bool onward;  // and every later call of the kind
  };

  explicit TestFileSystem(FileSystem& system, bool kernelMoves = true)
      : system_(system), kernelMoves_(kernelMoves) {}
  void plan(const Fault& fault) { faults_.push_back(fault); }

  OsError openToRead(const std::string& path, FileHandle& handle) override {
    return made(Call::kOpen, [&](size_t) { return system_.openToRead(path, handle); });
  }
  OsError openToWrite(const std::string& path, FileHandle& handle, bool& created) override {
    return made(Call::kOpen, [&](size_t) { return system_.openToWrite(path, handle, created); });
  }
  OsError identify(FileHandle handle, FileInfo& info) override {
    return system_.identify(handle, info);
  }
  OsError identify(const std::string& path, FileIdentity& identity) override {
    return system_.identify(path, identity);
  }
  OsError read(FileHandle handle, char* buffer, size_t size, size_t& got) override {
    got = 0;
    return made(
        Call::kRead, [&](size_t n) { return system_.read(handle, buffer, n, got); }, size);
  }
  OsError write(FileHandle handle, const char* data, size_t size, size_t& put) override {
    put = 0;
    return made(
        Call::kWrite, [&](size_t n) { return system_.write(handle, data, n, put); }, size);
  }
  OsError readAt(FileHandle handle, uint64_t offset, char* buffer, size_t size,
                 size_t& got) override {
    got = 0;
    return made(
        Call::kReadAt, [&](size_t n) { return system_.readAt(handle, offset, buffer, n, got); },
        size);
  }
  OsError seek(FileHandle handle, uint64_t offset) override {
    return made(Call::kSeek, [&](size_t) { return system_.seek(handle, offset); });
  }
  OsError truncate(FileHandle handle) override {
    return made(Call::kTruncate, [&](size_t) { return system_.truncate(handle); });
  }
  KernelMove kernelMoveBetween(const FileIdentity& from, const FileIdentity& to) override {
    return kernelMoves_ ? system_.kernelMoveBetween(from, to) : KernelMove::kNone;
  }
  OsError moveInKernel(KernelMove how, FileHandle from, FileHandle to, size_t size,
                       size_t& moved) override {
    moved = 0;
    return made(
        Call::kMoveInKernel,
        [&](size_t n) { return system_.moveInKernel(how, from, to, n, moved); }, size);
  }
  OsError close(FileHandle handle) override {
    // A failed close still lets the descriptor go, as on Linux.
    const OsError error = system_.close(handle);
    return made(Call::kClose, [error](size_t) { return error; });
  }
  OsError remove(const std::string& path, const FileIdentity& identity) override {
    return system_.remove(path, identity);
  }

 private:
  // Counts the call and makes it as planned: failed, made for fewer bytes,
  // made for none, or made as asked.
  template <typename Make>
  OsError made(Call call, Make make, size_t size = 0) {
    const unsigned count = ++counts_[call];
    for (const Fault& fault : faults_) {
      if (fault.call != call ||
          !(count == fault.occurrence || (fault.onward && count > fault.occurrence))) {
        continue;
      }
      if (fault.how == How::kError) return fault.error;
      if (fault.how == How::kNothing) return 0;
      size = size > 1 ? size / 2 : size;
    }
    return make(size);
  }

  FileSystem& system_;
  const bool kernelMoves_;
  std::vector<Fault> faults_;
  std::map<Call, unsigned> counts_;
};

}  // namespace mvweave

#endif
