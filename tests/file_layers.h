// File layers for tests, wrapped around the system's own, as leveldb's
// EnvWrapper and its fault-injection Env are: one that never moves frames
// inside the kernel, so that they are read and written through the program,
// and one that fails any call on demand.
#ifndef MVWEAVE_TESTS_FILE_LAYERS_H
#define MVWEAVE_TESTS_FILE_LAYERS_H

#include <cstddef>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "mvweave/file_system.h"

namespace mvweave {

// Where the in-process tests write their files: memory where the system has
// it (no disk's journal to wait for), else the temporary folder.
inline std::filesystem::path scratchFolder() {
  std::error_code error;
  if (std::filesystem::is_directory("/dev/shm", error)) return "/dev/shm";
  return std::filesystem::temp_directory_path();
}

// Hands every call on to another file layer.
class ForwardingFileSystem : public FileSystem {
 public:
  explicit ForwardingFileSystem(FileSystem& target) : target_(target) {}

  OsError openToRead(const std::string& path, FileHandle& handle) override {
    return target_.openToRead(path, handle);
  }
  OsError openToWrite(const std::string& path, FileHandle& handle) override {
    return target_.openToWrite(path, handle);
  }
  OsError identify(FileHandle handle, FileInfo& info) override {
    return target_.identify(handle, info);
  }
  OsError identify(const std::string& path, FileIdentity& identity) override {
    return target_.identify(path, identity);
  }
  OsError read(FileHandle handle, char* buffer, size_t size, size_t& got) override {
    return target_.read(handle, buffer, size, got);
  }
  OsError write(FileHandle handle, const char* data, size_t size, size_t& put) override {
    return target_.write(handle, data, size, put);
  }
  OsError readAt(FileHandle handle, uint64_t offset, char* buffer, size_t size,
                 size_t& got) override {
    return target_.readAt(handle, offset, buffer, size, got);
  }
  OsError seek(FileHandle handle, uint64_t offset) override { return target_.seek(handle, offset); }
  OsError truncate(FileHandle handle) override { return target_.truncate(handle); }
  KernelMove kernelMoveBetween(const FileIdentity& from, const FileIdentity& to) override {
    return target_.kernelMoveBetween(from, to);
  }
  OsError moveInKernel(KernelMove how, FileHandle from, FileHandle to, size_t size,
                       size_t& moved) override {
    return target_.moveInKernel(how, from, to, size, moved);
  }
  OsError close(FileHandle handle) override { return target_.close(handle); }

 private:
  FileSystem& target_;
};

// Frames are read into the program and written from it, never moved inside
// the kernel: the path that systems without such calls take.
class ReadAndWriteFileSystem : public ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  KernelMove kernelMoveBetween(const FileIdentity&, const FileIdentity&) override {
    return KernelMove::kNone;
  }
};

// Fails the calls planned for it: the nth call of a kind (counted from 1),
// or that one and every later one, with an error number, by moving half the
// bytes asked ("short") or by moving none ("zero").
class FaultyFileSystem : public ForwardingFileSystem {
 public:
  enum class Call { kOpen, kRead, kReadAt, kWrite, kSeek, kTruncate, kMoveInKernel, kClose };
  struct Fault {
    enum class Kind { kError, kShort, kZero } kind = Kind::kError;
    OsError error = 0;
  };
  static Fault error(OsError error) { return {Fault::Kind::kError, error}; }
  static Fault shortened() { return {Fault::Kind::kShort, 0}; }
  static Fault nothing() { return {Fault::Kind::kZero, 0}; }

  using ForwardingFileSystem::ForwardingFileSystem;

  void fail(Call call, unsigned occurrence, Fault fault, bool onward = false) {
    plans_[call].push_back({occurrence, onward, fault});
  }

  OsError openToRead(const std::string& path, FileHandle& handle) override {
    size_t none = 0;
    return faulty(Call::kOpen, none,
                  [&] { return ForwardingFileSystem::openToRead(path, handle); });
  }
  OsError openToWrite(const std::string& path, FileHandle& handle) override {
    size_t none = 0;
    return faulty(Call::kOpen, none,
                  [&] { return ForwardingFileSystem::openToWrite(path, handle); });
  }
  OsError read(FileHandle handle, char* buffer, size_t size, size_t& got) override {
    got = 0;
    return faulty(Call::kRead, size,
                  [&] { return ForwardingFileSystem::read(handle, buffer, size, got); });
  }
  OsError write(FileHandle handle, const char* data, size_t size, size_t& put) override {
    put = 0;
    return faulty(Call::kWrite, size,
                  [&] { return ForwardingFileSystem::write(handle, data, size, put); });
  }
  OsError readAt(FileHandle handle, uint64_t offset, char* buffer, size_t size,
                 size_t& got) override {
    got = 0;
    return faulty(Call::kReadAt, size,
                  [&] { return ForwardingFileSystem::readAt(handle, offset, buffer, size, got); });
  }
  OsError seek(FileHandle handle, uint64_t offset) override {
    size_t none = 0;
    return faulty(Call::kSeek, none, [&] { return ForwardingFileSystem::seek(handle, offset); });
  }
  OsError truncate(FileHandle handle) override {
    size_t none = 0;
    return faulty(Call::kTruncate, none, [&] { return ForwardingFileSystem::truncate(handle); });
  }
  OsError moveInKernel(KernelMove how, FileHandle from, FileHandle to, size_t size,
                       size_t& moved) override {
    moved = 0;
    return faulty(Call::kMoveInKernel, size,
                  [&] { return ForwardingFileSystem::moveInKernel(how, from, to, size, moved); });
  }
  OsError close(FileHandle handle) override {
    size_t none = 0;
    // A failed close still lets the descriptor go, as on Linux.
    const OsError error = ForwardingFileSystem::close(handle);
    return faulty(Call::kClose, none, [error] { return error; });
  }

 private:
  struct Plan {
    unsigned occurrence;
    bool onward;
    Fault fault;
  };

  // Counts the call and makes it as planned: failed, made for fewer bytes,
  // or made as asked.
  template <typename Make>
  OsError faulty(Call call, size_t& size, Make make) {
    const unsigned count = ++counts_[call];
    for (const Plan& plan : plans_[call]) {
      if (count != plan.occurrence && !(plan.onward && count > plan.occurrence)) continue;
      switch (plan.fault.kind) {
        case Fault::Kind::kError: return plan.fault.error;
        case Fault::Kind::kZero: return 0;
        case Fault::Kind::kShort: size = size > 1 ? size / 2 : size; break;
      }
    }
    return make();
  }

  std::map<Call, std::vector<Plan>> plans_;
  std::map<Call, unsigned> counts_;
};

}  // namespace mvweave

#endif
