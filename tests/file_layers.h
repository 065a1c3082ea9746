// A file layer for tests, wrapped around the system's own as leveldb's
// fault-injection Env is: it fails any call on demand, and without kernel
// moves it makes the runs read and write every frame through the program.
#ifndef MVWEAVE_TESTS_FILE_LAYERS_H
#define MVWEAVE_TESTS_FILE_LAYERS_H

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <algorithm>
#include <cerrno>
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

// Fails the calls planned for it. A fault is chosen by the kind of call and
// the file (the end of its path, "cam0.yuv"; empty for every file), and for
// reads, writes and kernel moves by how far into the file they are, never
// by how many calls came before it: moving a call elsewhere in the code
// keeps a test meaningful. The call fails with an error number, moves half
// the bytes asked, moves none, or is stopped as a signal would stop it
// (stopRequested() is true from then on, the call fails with ECANCELED).
class TestFileSystem : public FileSystem {
 public:
  enum class Call {
    kOpen,
    kIdentify,
    kRead,
    kReadAt,
    kWrite,
    kSeek,
    kTruncate,
    kMoveInKernel,
    kClose,
    kRemove
  };
  enum class How { kError, kHalf, kNothing, kStop };
  struct Fault {
    Call call;
    const char* file;  // the end of the file's path; "": any file
    How how;
    OsError error = 0;
    // Reads, writes and moves once this many bytes of the file have moved;
    // seeks and reads at an offset from this offset on.
    uint64_t fromByte = 0;
    bool once = false;  // only the first call it matches
  };

  explicit TestFileSystem(FileSystem& system, bool kernelMoves = true)
      : system_(system), kernelMoves_(kernelMoves) {}
  void plan(const Fault& fault) { faults_.push_back({fault, false}); }

  OsError openToRead(const std::string& path, FileHandle& handle) override {
    return opened(path, handle, made(Call::kOpen, {path}, [&](size_t) {
                    return system_.openToRead(path, handle);
                  }));
  }
  OsError openToWrite(const std::string& path, FileHandle& handle, OutputName& name) override {
    return opened(path, handle, made(Call::kOpen, {path}, [&](size_t) {
                    return system_.openToWrite(path, handle, name);
                  }));
  }
  OsError identify(FileHandle handle, FileInfo& info) override {
    return made(Call::kIdentify, {pathOf(handle)},
                [&](size_t) { return system_.identify(handle, info); });
  }
  OsError identify(const std::string& path, FileInfo& info) override {
    return made(Call::kIdentify, {path}, [&](size_t) { return system_.identify(path, info); });
  }
  OsError read(FileHandle handle, char* buffer, size_t size, size_t& got) override {
    got = 0;
    return moved(
        handle, got,
        made(
            Call::kRead, {pathOf(handle)},
            [&](size_t n) { return system_.read(handle, buffer, n, got); }, size, moved_[handle]));
  }
  OsError write(FileHandle handle, const char* data, size_t size, size_t& put) override {
    put = 0;
    return moved(
        handle, put,
        made(
            Call::kWrite, {pathOf(handle)},
            [&](size_t n) { return system_.write(handle, data, n, put); }, size, moved_[handle]));
  }
  OsError readAt(FileHandle handle, uint64_t offset, char* buffer, size_t size,
                 size_t& got) override {
    got = 0;
    return made(
        Call::kReadAt, {pathOf(handle)},
        [&](size_t n) { return system_.readAt(handle, offset, buffer, n, got); }, size, offset);
  }
  OsError seek(FileHandle handle, uint64_t offset) override {
    return made(
        Call::kSeek, {pathOf(handle)}, [&](size_t) { return system_.seek(handle, offset); }, 0,
        offset);
  }
  OsError truncate(FileHandle handle) override {
    return made(Call::kTruncate, {pathOf(handle)},
                [&](size_t) { return system_.truncate(handle); });
  }
  KernelMove kernelMoveBetween(const FileIdentity& from, const FileIdentity& to) override {
    return kernelMoves_ ? system_.kernelMoveBetween(from, to) : KernelMove::kNone;
  }
  OsError moveInKernel(KernelMove how, FileHandle from, FileHandle to, size_t size,
                       size_t& movedNow) override {
    movedNow = 0;
    moves_.push_back(how);
    const OsError error = made(
        Call::kMoveInKernel, {pathOf(from), pathOf(to)},
        [&](size_t n) { return system_.moveInKernel(how, from, to, n, movedNow); }, size,
        std::max(moved_[from], moved_[to]));
    if (error == 0) moved_[from] += movedNow;
    return moved(to, movedNow, error);
  }
  OsError close(FileHandle handle) override {
    const std::string path = pathOf(handle);
    paths_.erase(handle);
    moved_.erase(handle);
    // A failed close still lets the descriptor go, as on Linux.
    const OsError error = system_.close(handle);
    return made(Call::kClose, {path}, [error](size_t) { return error; });
  }
  OsError remove(const std::string& path, const std::string& file,
                 const FileIdentity& identity) override {
    return made(Call::kRemove, {path},
                [&](size_t) { return system_.remove(path, file, identity); });
  }
  bool stopRequested() override { return stopped_ || system_.stopRequested(); }

  // The kind of every kernel move asked for, in order.
  [[nodiscard]] const std::vector<KernelMove>& kernelMoves() const { return moves_; }

 private:
  struct Planned {
    Fault fault;
    bool spent;
  };

  static bool endsWith(const std::string& path, const std::string& end) {
    return path.size() >= end.size() &&
           path.compare(path.size() - end.size(), end.size(), end) == 0;
  }
  [[nodiscard]] std::string pathOf(FileHandle handle) const {
    const auto found = paths_.find(handle);
    return found == paths_.end() ? std::string() : found->second;
  }
  OsError opened(const std::string& path, FileHandle handle, OsError error) {
    if (error == 0) paths_[handle] = path;
    return error;
  }
  OsError moved(FileHandle handle, size_t bytes, OsError error) {
    if (error == 0) moved_[handle] += bytes;
    return error;
  }

  // Makes the call as planned: failed, made for fewer bytes, made for none,
  // stopped, or made as asked.
  template <typename Make>
  OsError made(Call call, const std::vector<std::string>& paths, Make make, size_t size = 0,
               uint64_t at = 0) {
    for (Planned& planned : faults_) {
      const Fault& fault = planned.fault;
      bool matches = false;
      for (const std::string& path : paths) matches = matches || endsWith(path, fault.file);
      if (planned.spent || fault.call != call || !matches || at < fault.fromByte) continue;
      planned.spent = fault.once;
      switch (fault.how) {
        case How::kError: return fault.error;
        case How::kNothing: return 0;
        case How::kStop: stopped_ = true; return ECANCELED;
        case How::kHalf: size = size > 1 ? size / 2 : size; break;
      }
    }
    return make(size);
  }

  FileSystem& system_;
  const bool kernelMoves_;
  std::vector<Planned> faults_;
  std::map<FileHandle, std::string> paths_;  // of the files open now
  std::map<FileHandle, uint64_t> moved_;     // bytes read, written or moved, by file
  std::vector<KernelMove> moves_;
  bool stopped_ = false;
};

}  // namespace mvweave

#endif
