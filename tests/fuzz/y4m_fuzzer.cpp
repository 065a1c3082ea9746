// Feeds fuzzed Y4M files (a header line, FRAME lines and pictures) to the
// reader that both tools use, from a file and from a pipe, and checks what
// must hold for any input: both give the same frames or fail the same way,
// from the same start frame, and the header the tools would write from
// what was read stays within the longest line and reads back as itself.
//
// An input is one byte giving the start frame (modulo 8), then the file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "frame_source.h"
#include "layout_record.h"
#include "picture_checks.h"
#include "picture_format.h"
#include "y4m.h"

namespace {

using mvweave::FrameSource;
using mvweave::Status;

constexpr const char kFilePath[] = "fuzz.y4m";
constexpr uint32_t kLargestFrame = 1 << 16;  // larger pictures add nothing but time
constexpr int kMostFrames = 64;
char folder[] = "/tmp/mvfuzz-y4m.XXXXXX";

void removeFolder() {
  std::remove(kFilePath);
  rmdir(folder);
}

void check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "y4m_fuzzer: %s\n", what);
  std::abort();
}

std::string describe(const Status& status) {
  return "problem " + std::to_string(static_cast<int>(status.problem)) + " " + status.detail;
}

// The frame size of a readable Y4M source, 0 when it has none.
uint32_t frameSizeOf(const FrameSource& source) {
  mvweave::PictureFormat format;
  uint32_t frameSize = 0;
  if (!mvweave::formatOfY4mHeader(*source.y4m(), format) ||
      !mvweave::frameSizeOf(format, frameSize).ok() || frameSize > kLargestFrame) {
    return 0;
  }
  return frameSize;
}

// Opens a source and reads its header.
Status openSource(mvweave::FileSystem& files, const std::string& path, FrameSource& source) {
  Status status = source.open(files, path);
  return status.ok() ? source.recogniseFormat() : status;
}

// What counting the frames of a file, by the rule of the walk, says the walk
// will give from `startFrame`: how many whole frames, or a failure.
std::string countedFrom(const FrameSource& source, uint32_t frameSize, uint64_t startFrame) {
  mvweave::FrameCount count;
  const uint64_t enough = startFrame + kMostFrames;
  if (!source.countFrames(frameSize, enough, enough, count).ok()) return "fails";
  if (!count.known) return "unknown";
  return std::to_string(count.frames > startFrame ? count.frames - startFrame : 0);
}

// The frames from the start frame on, as text, and how they ended; `failed`
// tells whether a frame line failed.
std::string readFrames(FrameSource& source, uint32_t frameSize, uint64_t startFrame, bool& failed) {
  failed = true;
  if (Status status = source.skipFrames(startFrame, frameSize); !status.ok()) {
    return "skip: " + describe(status);
  }
  std::string frames;
  std::vector<char> frame(frameSize);
  for (int i = 0; i < kMostFrames; ++i) {
    bool present = false;
    if (Status status = source.beginFrame(present); !status.ok()) {
      return frames + "frame line: " + describe(status);
    }
    size_t got = 0;
    if (Status status = present ? source.readBytes(frame.data(), frame.size(), got) : Status{};
        !status.ok()) {
      failed = false;
      return frames + "read: " + describe(status);
    }
    frames += "frame " + std::string(frame.data(), got) + "\n";
    if (source.endFrame(got, frameSize)) break;
  }
  failed = false;
  return frames + "ended";
}

// Everything the reader gives, as text: the frames and how it ended; from a
// file, the count must have foretold the frames or the failure.
std::string readAll(const std::string& path, uint64_t startFrame) {
  const auto files = mvweave::makeSystemFileSystem();
  FrameSource source;
  if (Status status = openSource(*files, path, source); !status.ok()) {
    return "open: " + describe(status);
  }
  if (!source.y4m()) return "raw";
  const uint32_t frameSize = frameSizeOf(source);
  if (frameSize == 0) return "no frame size";
  const std::string counted = countedFrom(source, frameSize, startFrame);
  bool failed = false;
  const std::string frames = readFrames(source, frameSize, startFrame, failed);
  if (counted != "unknown" && frames.rfind("read: ") == std::string::npos) {
    check(failed ? counted == "fails" : counted == std::to_string(source.framesRead()),
          "the count and the walk disagree");
  }
  return "header " + mvweave::y4mHeaderLine(*source.y4m()) + frames;
}

// The same bytes through a pipe, written whole before they are read.
std::string readAllFromPipe(const std::string& bytes, uint64_t startFrame) {
  int ends[2];
  check(pipe(ends) == 0, "no pipe");
  const bool written =
      write(ends[1], bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  close(ends[1]);
  check(written, "the pipe took less than it holds");
  std::string result = readAll("/dev/fd/" + std::to_string(ends[0]), startFrame);
  close(ends[0]);
  return result;
}

// A layout record the reader takes reads back as itself once written; any
// other is refused, without a crash.
void checkLayoutRecord(const mvweave::Y4mHeader& header) {
  mvweave::LayoutRecord record;
  std::string reason;
  if (mvweave::findLayoutRecord(header, record, reason) != mvweave::RecordFound::kRecord) return;
  mvweave::Y4mHeader written = header;
  mvweave::putLayoutRecord(record, written);
  const std::string line = mvweave::y4mHeaderLine(written);
  mvweave::Y4mHeader again;
  check(mvweave::parseY4mHeader(line.substr(mvweave::kY4mSignatureLength,
                                            line.size() - mvweave::kY4mSignatureLength - 1),
                                again, reason),
        "a header with a record does not read back");
  mvweave::LayoutRecord back;
  check(mvweave::findLayoutRecord(again, back, reason) == mvweave::RecordFound::kRecord &&
            back.cameras == record.cameras && back.gopLength == record.gopLength &&
            back.numGop == record.numGop && back.numFrm == record.numFrm &&
            back.firstFrm == record.firstFrm && back.camera == record.camera &&
            back.packing.has_value() == record.packing.has_value() &&
            (!back.packing || (back.packing->columns == record.packing->columns &&
                               back.packing->rows == record.packing->rows)),
        "a layout record reads back otherwise");
}

void checkWrittenHeader(const std::string& path) {
  const auto files = mvweave::makeSystemFileSystem();
  FrameSource source;
  if (!openSource(*files, path, source).ok() || !source.y4m()) return;
  mvweave::PictureFormat format;
  if (!mvweave::formatOfY4mHeader(*source.y4m(), format)) return;
  const std::string line = mvweave::y4mHeaderLine(mvweave::y4mOutputHeader(
      format.width, format.height, format.chroma, format.bitDepth, &*source.y4m()));
  check(line.size() <= mvweave::kY4mLongestLine, "a written header is too long");
  check(line.compare(0, mvweave::kY4mSignatureLength, mvweave::kY4mSignature) == 0,
        "a written header lacks the signature");
  mvweave::Y4mHeader again;
  std::string reason;
  check(mvweave::parseY4mHeader(line.substr(mvweave::kY4mSignatureLength,
                                            line.size() - mvweave::kY4mSignatureLength - 1),
                                again, reason),
        "a written header does not read back");
  check(again.width == format.width && again.height == format.height,
        "a written header reads back as another size");
  check(mvweave::y4mHeaderLine(again) == line, "a written header reads back otherwise");
  checkLayoutRecord(*source.y4m());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!mkdtemp(folder) || chdir(folder) != 0) std::abort();
  std::atexit(removeFolder);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint64_t startFrame = data[0] % 8;
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::FILE* file = std::fopen(kFilePath, "wb");
  check(file != nullptr, "cannot write the input file");
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  check(std::fclose(file) == 0 && written, "cannot write the input file");

  const std::string fromFile = readAll(kFilePath, startFrame);
  // A pipe holds 64 KiB before its writer would wait for the reader.
  if (bytes.size() <= 65536) {
    check(readAllFromPipe(bytes, startFrame) == fromFile, "a pipe and a file give other frames");
  }
  checkWrittenHeader(kFilePath);
  return 0;
}
