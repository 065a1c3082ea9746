// What both platforms' file layers share: error texts, comparing
// identities, and opening a file together with what it is.
#include "mvweave/file_system.h"

#include <cerrno>
#include <cstring>

namespace mvweave {

std::string describeOsError(OsError error) {
  if (error == kClosedAtStart) return "the stream was closed when the tool started";
  if (error == ECANCELED) return "stopped";
  return std::strerror(error);
}

bool isSameStoredFile(const FileIdentity& a, const FileIdentity& b) {
  if (a.kind != b.kind) return false;
  if (a.kind == FileKind::kBlockDevice) return a.rawDevice == b.rawDevice;
  return a.kind == FileKind::kRegular && a.device == b.device && a.index == b.index;
}

bool isSameFileOrPipe(const FileIdentity& a, const FileIdentity& b) {
  return isSameStoredFile(a, b) || (a.kind == FileKind::kPipe && b.kind == FileKind::kPipe &&
                                    a.device == b.device && a.index == b.index);
}

bool isSameStream(const FileIdentity& a, const FileIdentity& b) {
  return isSameFileOrPipe(a, b) ||
         (a.kind == FileKind::kCharacterDevice && b.kind == FileKind::kCharacterDevice &&
          a.rawDevice == b.rawDevice);
}

namespace {

template <typename Open>
OsError openAndIdentify(FileSystem& files, Open open, OpenFile& file, FileInfo& info) {
  FileHandle handle = kNoFile;
  if (const OsError error = open(handle)) return error;
  file = OpenFile(files, handle);
  return files.identify(handle, info);
}

}  // namespace

OsError openToRead(FileSystem& files, const std::string& path, OpenFile& file, FileInfo& info) {
  return openAndIdentify(
      files, [&](FileHandle& handle) { return files.openToRead(path, handle); }, file, info);
}

OsError openToWrite(FileSystem& files, const std::string& path, OpenFile& file, FileInfo& info,
                    OutputName& name) {
  return openAndIdentify(
      files, [&](FileHandle& handle) { return files.openToWrite(path, handle, name); }, file, info);
}

}  // namespace mvweave
