// Runs in process on a file layer that fails on demand, or that reads and
// writes every frame: what the runs do when a call of the system fails, is
// interrupted or moves less than asked.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "file_layers.h"
#include "mvweave/mvweave.h"

namespace mvweave {
namespace {

using Call = TestFileSystem::Call;
using How = TestFileSystem::How;

// "c0f00000000\n": frame f of camera c, 12 bytes, a 4x2 picture.
std::string frames(int camera, int count, int first = 0) {
  std::string text;
  char frame[16];
  for (int f = first; f < first + count; ++f) {
    std::snprintf(frame, sizeof frame, "c%df%08d\n", camera, f);
    text += frame;
  }
  return text;
}
const std::string kWoven = frames(0, 1) + frames(1, 1) + frames(0, 1, 1) + frames(1, 1, 1) +
                           frames(0, 1, 2) + frames(1, 1, 2);
const std::string kZeros(12, '\0');
const std::string kRemoved = "(removed)";

class FaultsTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = scratchFolder() / ("mvfaults-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder_);
    write("cam0.yuv", frames(0, 3));
    write("cam1.yuv", frames(1, 3));
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  [[nodiscard]] std::string path(const std::string& name) const {
    return (folder_ / name).string();
  }
  void write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path(name), std::ios::binary) << bytes;
  }
  // The file's bytes, or kRemoved.
  [[nodiscard]] std::string read(const std::string& name) const {
    std::ifstream file(path(name), std::ios::binary);
    if (!file) return kRemoved;
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  }

  // 4x2 pictures, GOPLength 1, NumGOP 2: three frames of each camera.
  [[nodiscard]] Request settings(const std::string& sequence,
                                 const std::vector<std::string>& cameras) const {
    Request request;
    request.sequence = sequence[0] == '/' ? sequence : path(sequence);
    for (const std::string& camera : cameras) {
      request.cameras.push_back(camera[0] == '/' ? camera : path(camera));
    }
    request.width = 4;
    request.height = 2;
    request.gopLength = 1;
    request.numGop = 2;
    return request;
  }

  // A descriptor that reads `bytes` and then the end, as a pipe gives them.
  static std::string pipeHolding(const std::string& bytes, int ends[2]) {
    EXPECT_EQ(pipe(ends), 0);
    EXPECT_EQ(::write(ends[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(ends[1]);
    return "/dev/fd/" + std::to_string(ends[0]);
  }

  std::unique_ptr<FileSystem> system_ = makeSystemFileSystem();
  Observer silent_;
  std::filesystem::path folder_;
};

// Each fault planted in a merge of two cameras: what the run reports, and
// what it leaves in its output. A run that fails once it has emptied its
// output removes it; one that fails before leaves the earlier output.
TEST_F(FaultsTest, AFailedCallFailsTheRunAndALessThanAskedOneIsCarriedOn) {
  enum Merge { kRaw, kFromFrame1, kReadAndWrite, kIntoY4m };
  const std::string kEarlier = "earlier\n";
  const struct {
    const char* what;
    TestFileSystem::Fault fault;
    Merge merge;
    Problem problem;
    OsError error;
    std::string written;
  } cases[] = {
      // clang-format off
      {"a close that loses data", {Call::kClose, "out.yuv", How::kError, EIO}, kRaw,
       Problem::kWrite, EIO, kRemoved},
      // The first bytes of a camera are read to tell its format, and given
      // back by a seek to its start: that seek failing fails the camera.
      {"a failed seek back over the first bytes", {Call::kSeek, "cam1.yuv", How::kError, EIO},
       kRaw, Problem::kOpenInput, EIO, kEarlier},
      {"a first read that fails", {Call::kRead, "cam1.yuv", How::kError, ECONNRESET, 0, true},
       kRaw, Problem::kOpenInput, ECONNRESET, kEarlier},
      {"a failed seek to FirstFrm", {Call::kSeek, "cam0.yuv", How::kError, EIO, 1}, kFromFrame1,
       Problem::kRead, EIO, kEarlier},
      {"a seek beyond any end: zeros", {Call::kSeek, "cam0.yuv", How::kError, EINVAL, 1},
       kFromFrame1, Problem::kNone, 0, kZeros + frames(1, 1, 1) + kZeros + frames(1, 1, 2)},
      {"an output that cannot be emptied", {Call::kTruncate, "out.yuv", How::kError, EIO}, kRaw,
       Problem::kCreateOutput, EIO, kEarlier},
      {"a Y4M header that cannot be written", {Call::kWrite, "out.y4m", How::kError, ENOSPC},
       kIntoY4m, Problem::kWrite, ENOSPC, kRemoved},
      {"writes that take half", {Call::kWrite, "out.yuv", How::kHalf, 0, 12}, kReadAndWrite,
       Problem::kNone, 0, kWoven},
      {"a write that takes nothing", {Call::kWrite, "out.yuv", How::kNothing, 0, 24, true},
       kReadAndWrite, Problem::kWrite, 0, kRemoved},
      {"a read error in the walk", {Call::kRead, "cam1.yuv", How::kError, EIO, 12}, kReadAndWrite,
       Problem::kRead, EIO, kRemoved},
      {"a stop in the walk", {Call::kWrite, "out.yuv", How::kStop, 0, 24}, kReadAndWrite,
       Problem::kStopped, 0, kRemoved},
      {"a stop in the first read", {Call::kRead, "cam1.yuv", How::kStop}, kRaw,
       Problem::kStopped, 0, kEarlier},
      // Some files show the kernel nothing: read has the last word, a frame
      // at a time; where the kernel fails, read and write take over.
      {"kernel moves that give nothing", {Call::kMoveInKernel, "", How::kNothing}, kRaw,
       Problem::kNone, 0, kWoven},
      {"a kernel move that fails", {Call::kMoveInKernel, "cam1.yuv", How::kError, EIO, 0, true},
       kRaw, Problem::kNone, 0, kWoven},
      // clang-format on
  };
  for (const auto& c : cases) {
    const char* const output = c.merge == kIntoY4m ? "out.y4m" : "out.yuv";
    write(output, kEarlier);
    TestFileSystem files(*system_, c.merge != kReadAndWrite);
    files.plan(c.fault);
    Request merge = settings(output, {"cam0.yuv", "cam1.yuv"});
    merge.firstFrm = c.merge == kFromFrame1 ? 1 : 0;
    merge.numGop = c.merge == kFromFrame1 ? 1 : 2;
    const Status status = mvweave::merge(merge, silent_, files);
    EXPECT_EQ(status.problem, c.problem) << c.what;
    EXPECT_EQ(status.osError, c.error) << c.what;
    EXPECT_EQ(read(output), c.written) << c.what;
  }
}

// Of several closes that fail, the first is the one told; a configuration
// file whose reading fails is no shorter file.
TEST_F(FaultsTest, TheFirstFailureIsTheOneTold) {
  write("multiview.yuv", frames(0, 1) + frames(1, 1) + frames(2, 1));
  TestFileSystem files(*system_);
  files.plan({Call::kClose, "back0.yuv", How::kError, EIO});
  files.plan({Call::kClose, "back1.yuv", How::kError, ENOSPC});
  Request split = settings("multiview.yuv", {"back0.yuv", "back1.yuv", "back2.yuv"});
  split.numGop = 0;
  Status status = mvweave::split(split, silent_, files);
  EXPECT_EQ(status.problem, Problem::kWrite);
  EXPECT_EQ(status.subject, path("back0.yuv"));
  EXPECT_EQ(status.camera, 0u);
  EXPECT_EQ(status.osError, EIO);
  EXPECT_EQ(read("back2.yuv"), kRemoved);

  write("views.cfg", std::string(100000, '#') + "\nWidth = 4\n");
  files.plan({Call::kRead, "views.cfg", How::kError, EIO, 65536});
  Configuration read;
  status = readConfigFile(files, path("views.cfg"), InterleavedFile::kWritten, read);
  EXPECT_EQ(status.problem, Problem::kOpenConfig);
  EXPECT_EQ(status.osError, EIO);
  EXPECT_FALSE(read.request.width);
}

// Frames read and written give what frames moved inside the kernel give,
// from a pipe of small frames read ahead too: Y4M cameras with frame
// parameters into a Y4M file, a short camera, a split into Y4M cameras from
// FirstFrm on; and kernel moves that give nothing from a pipe.
TEST_F(FaultsTest, ReadingAndWritingGivesWhatKernelMovesGive) {
  std::string y4m = "YUV4MPEG2 W4 H2 F30:1 Ip A1:1 C420jpeg XCOLORRANGE=FULL\n";
  for (int f = 0; f < 4; ++f) y4m += "FRAME Ixyz\n" + frames(0, 1, f);
  write("cam0.y4m", y4m);
  write("short.yuv", frames(1, 2));
  TestFileSystem readAndWrite(*system_, false);
  TestFileSystem givesNothing(*system_);
  givesNothing.plan({Call::kMoveInKernel, "", How::kNothing});
  for (const std::string sequence : {"multiview.y4m", "multiview.yuv"}) {
    std::string outputs[3];
    FileSystem* const layers[] = {system_.get(), &readAndWrite, &givesNothing};
    for (int layer = 0; layer < 3; ++layer) {
      int ends[2];
      const std::string pipe = pipeHolding(frames(2, 3), ends);
      EXPECT_TRUE(
          merge(settings(sequence, {"cam0.y4m", "short.yuv", pipe}), silent_, *layers[layer]).ok())
          << sequence;
      ::close(ends[0]);
      Request split = settings(sequence, {"back0.y4m", "back1.yuv", "back2.yuv"});
      split.firstFrm = 1;
      EXPECT_TRUE(mvweave::split(split, silent_, *layers[layer]).ok()) << sequence;
      outputs[layer] = read(sequence) + read("back0.y4m") + read("back1.yuv") + read("back2.yuv");
    }
    EXPECT_EQ(outputs[0], outputs[1]) << sequence;
    EXPECT_EQ(outputs[0], outputs[2]) << sequence;
    EXPECT_NE(outputs[0].find(frames(2, 1, 2)), std::string::npos) << sequence;
  }
}

// Frames move inside the kernel by the call the two files allow: between
// regular files copy_file_range, from a pipe splice (after the bytes read
// to tell its format go first), to a device sendfile; and a Y4M camera's
// lines, read in blocks, leave the frames to the kernel too, since what a
// block held beyond them was given back. Every output is what it should be.
TEST_F(FaultsTest, FramesMoveInsideTheKernelByWhatTheFilesAllow) {
  std::string y4m = "YUV4MPEG2 W4 H2 C420jpeg\n";
  for (int f = 0; f < 3; ++f) y4m += "FRAME X" + std::string(3000, 'a') + "\n" + frames(0, 1, f);
  write("cam0.y4m", y4m);
  int ends[2];
  const std::string pipe = pipeHolding(frames(1, 3), ends);
  const struct {
    const char* what;
    std::string output;
    std::vector<std::string> cameras;
    KernelMove move;
    std::string written;
  } cases[] = {
      {"file to file", "out.yuv", {"cam0.yuv", "cam1.yuv"}, KernelMove::kCopyFileRange, kWoven},
      {"from a pipe", "out.yuv", {pipe}, KernelMove::kSplice, frames(1, 3)},
      {"to a device", "/dev/null", {"cam0.yuv", "cam1.yuv"}, KernelMove::kSendfile, kRemoved},
      {"Y4M lines read in blocks",
       "out.yuv",
       {"cam0.y4m"},
       KernelMove::kCopyFileRange,
       frames(0, 3)},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(path("out.yuv"));
    TestFileSystem files(*system_);
    EXPECT_TRUE(merge(settings(c.output, c.cameras), silent_, files).ok()) << c.what;
    EXPECT_FALSE(files.kernelMoves().empty()) << c.what;
    for (const KernelMove move : files.kernelMoves()) EXPECT_EQ(move, c.move) << c.what;
    EXPECT_EQ(read("out.yuv"), c.written) << c.what;
  }
  ::close(ends[0]);
}

// Packed pictures, rows woven side by side or planes one over another:
// calls that move less than asked change nothing in what is written, one
// that fails fails the run, and what the run made goes, both ways.
TEST_F(FaultsTest, PackedPicturesComeWholeOrNotAtAll) {
  const struct {
    const char* what;
    TestFileSystem::Fault fault;
    Problem problem;
  } cases[] = {
      {"reads that take half", {Call::kRead, "", How::kHalf}, Problem::kNone},
      {"writes that take half", {Call::kWrite, "", How::kHalf}, Problem::kNone},
      {"kernel moves that give nothing", {Call::kMoveInKernel, "", How::kNothing}, Problem::kNone},
      {"a kernel move that fails",
       {Call::kMoveInKernel, "", How::kError, EIO, 0, true},
       Problem::kNone},
      {"a read error in the walk", {Call::kRead, "", How::kError, EIO, 12}, Problem::kRead},
      {"a full disk in the walk", {Call::kWrite, "", How::kError, ENOSPC, 12}, Problem::kWrite},
      {"a stop in the walk", {Call::kWrite, "", How::kStop, 0, 12}, Problem::kStopped},
  };
  for (const Packing::Kind kind : {Packing::Kind::kSideBySide, Packing::Kind::kTopBottom}) {
    Request merge = settings("packed.yuv", {"cam0.yuv", "cam1.yuv"});
    merge.packing = Packing{kind};
    ASSERT_TRUE(mvweave::merge(merge, silent_, *system_).ok());
    const std::string packed = read("packed.yuv");
    EXPECT_EQ(packed.size(), 3u * 24);
    Request split = settings("packed.yuv", {"back0.yuv", "back1.yuv"});
    split.packing = merge.packing;
    for (const auto& c : cases) {
      const std::string what =
          c.what + std::string(kind == Packing::Kind::kSideBySide ? ", side by side" : ", stacked");
      TestFileSystem mergeFiles(*system_, c.fault.call == Call::kMoveInKernel);
      mergeFiles.plan(c.fault);
      merge.sequence = path("again.yuv");
      EXPECT_EQ(mvweave::merge(merge, silent_, mergeFiles).problem, c.problem) << what;
      EXPECT_EQ(read("again.yuv"), c.problem == Problem::kNone ? packed : kRemoved) << what;
      TestFileSystem splitFiles(*system_, c.fault.call == Call::kMoveInKernel);
      splitFiles.plan(c.fault);
      EXPECT_EQ(mvweave::split(split, silent_, splitFiles).problem, c.problem) << what;
      const bool whole = c.problem == Problem::kNone;
      EXPECT_EQ(read("back0.yuv"), whole ? frames(0, 3) : kRemoved) << what;
      EXPECT_EQ(read("back1.yuv"), whole ? frames(1, 3) : kRemoved) << what;
    }
  }
}

extern "C" void ignoreAlarm(int) {}

// The alarm is for the test's own thread, blocked in the call.
void blockAlarm() {
  sigset_t alarm;
  sigemptyset(&alarm);
  sigaddset(&alarm, SIGALRM);
  pthread_sigmask(SIG_BLOCK, &alarm, nullptr);
}

// Every call that a signal interrupts is made again: the run goes on as if
// nothing happened. A blocked read from a pipe and a blocked write into a
// full one are interrupted every millisecond until the other end acts.
TEST(PosixFileSystem, MakesInterruptedCallsAgain) {
  struct sigaction action {};
  action.sa_handler = ignoreAlarm;  // without SA_RESTART: calls return EINTR
  struct sigaction previous {};
  ASSERT_EQ(sigaction(SIGALRM, &action, &previous), 0);
  const itimerval every{{0, 1000}, {0, 1000}};
  const auto files = makeSystemFileSystem();
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  const std::string full(static_cast<size_t>(fcntl(ends[1], F_GETPIPE_SZ)), 'y');
  const auto later = [](auto act) {
    return std::thread([act] {
      blockAlarm();
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      act();
    });
  };
  ASSERT_EQ(setitimer(ITIMER_REAL, &every, nullptr), 0);

  std::thread writer = later([&] { EXPECT_EQ(::write(ends[1], "x", 1), 1); });
  char got = 0;
  size_t count = 0;
  EXPECT_EQ(files->read(ends[0], &got, 1, count), 0);
  EXPECT_EQ(count, 1u);
  writer.join();

  ASSERT_EQ(::write(ends[1], full.data(), full.size()), static_cast<ssize_t>(full.size()));
  std::thread reader = later([&] {
    std::string drained(full.size(), '\0');
    EXPECT_EQ(::read(ends[0], &drained[0], drained.size()), static_cast<ssize_t>(full.size()));
  });
  EXPECT_EQ(files->write(ends[1], "z", 1, count), 0);
  EXPECT_EQ(count, 1u);
  reader.join();

  const itimerval stop{};
  setitimer(ITIMER_REAL, &stop, nullptr);
  sigaction(SIGALRM, &previous, nullptr);
  ::close(ends[0]);
  ::close(ends[1]);
}

}  // namespace
}  // namespace mvweave
