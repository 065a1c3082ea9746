// Runs in process on a file layer that fails on demand, and on one that
// reads and writes every frame: what the runs do when a call of the system
// fails, is interrupted or moves less than asked.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "file_layers.h"
#include "mvweave/mvweave.h"

namespace fs = std::filesystem;
using Call = mvweave::FaultyFileSystem::Call;

namespace mvweave {
namespace {

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

class FaultsTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ =
        scratchFolder() / ("mvfaults-" + std::to_string(std::random_device{}()) + "-" +
                                     testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string path(const std::string& name) const { return (folder_ / name).string(); }
  void write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path(name), std::ios::binary) << bytes;
  }
  std::string read(const std::string& name) const {
    std::ifstream file(path(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  }

  // 4x2 pictures, GOPLength 1, NumGOP 2: three frames of each camera.
  RunSettings settings(const std::string& sequence, const std::vector<std::string>& cameras) const {
    RunSettings settings;
    settings.sequencePath.path = path(sequence);
    for (const std::string& camera : cameras)
      settings.cameraPaths.push_back(pathGiven(path(camera)));
    settings.width = 4;
    settings.height = 2;
    settings.gopLength = 1;
    settings.numGop = 2;
    return settings;
  }

  Status weave(const RunSettings& settings, FileSystem& files) {
    return mvweave::weave(settings, files, silent_);
  }

  std::unique_ptr<FileSystem> system_ = makeSystemFileSystem();
  FaultyFileSystem faulty_{*system_};
  Console silent_{"test", nullptr, nullptr};
  fs::path folder_;
};

// A close that fails loses written data: the run fails, and of several
// failing closes the first is the one told.
TEST_F(FaultsTest, FailedClosesFailTheRun) {
  write("cam0.yuv", frames(0, 3));
  write("cam1.yuv", frames(1, 3));
  faulty_.fail(Call::kClose, 1, FaultyFileSystem::error(EIO));
  Status status = weave(settings("out.yuv", {"cam0.yuv", "cam1.yuv"}), faulty_);
  EXPECT_EQ(status.problem, Problem::kWrite);
  EXPECT_EQ(status.osError, EIO);

  write("multiview.yuv", frames(0, 1) + frames(1, 1) + frames(2, 1));
  FaultyFileSystem twoFail(*system_);
  twoFail.fail(Call::kClose, 1, FaultyFileSystem::error(EIO));
  twoFail.fail(Call::kClose, 2, FaultyFileSystem::error(ENOSPC));
  RunSettings split = settings("multiview.yuv", {"back0.yuv", "back1.yuv", "back2.yuv"});
  split.numGop = 0;
  status = unweave(split, twoFail, silent_);
  EXPECT_EQ(status.problem, Problem::kWrite);
  EXPECT_EQ(status.osError, EIO);
  EXPECT_EQ(status.subject, path("back0.yuv") + " (camera 0)");
}

// A configuration file whose reading fails is no shorter file.
TEST_F(FaultsTest, AFailedReadOfAConfigurationFileStopsTheTool) {
  write("views.cfg", std::string(100000, '#') + "\nWidth = 4\n");
  faulty_.fail(Call::kRead, 2, FaultyFileSystem::error(EIO));
  RunSettings settings;
  const Status status =
      readConfigFile(faulty_, path("views.cfg"), InterleavedFile::kWritten, settings);
  EXPECT_EQ(status.problem, Problem::kOpenConfig);
  EXPECT_EQ(status.osError, EIO);
  EXPECT_EQ(settings.width, 640u);
}

// The kernel moves nothing (some files show it nothing): read has the last
// word, a frame at a time, never more; and where the kernel fails, read and
// write take over. From files and from a pipe alike.
TEST_F(FaultsTest, KernelMovesThatGiveNothingOrFailFallBackToReading) {
  write("cam0.yuv", frames(0, 3));
  write("cam1.yuv", frames(1, 3));
  const std::string expected = frames(0, 1) + frames(1, 1) + frames(0, 1, 1) + frames(1, 1, 1) +
                               frames(0, 1, 2) + frames(1, 1, 2);
  faulty_.fail(Call::kMoveInKernel, 1, FaultyFileSystem::nothing(), true);
  ASSERT_TRUE(weave(settings("files.yuv", {"cam0.yuv", "cam1.yuv"}), faulty_).ok());
  EXPECT_EQ(read("files.yuv"), expected);

  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  const std::string camera1 = frames(1, 3);
  ASSERT_EQ(::write(ends[1], camera1.data(), camera1.size()), static_cast<ssize_t>(camera1.size()));
  ::close(ends[1]);
  RunSettings fromPipe = settings("pipe.yuv", {"cam0.yuv"});
  fromPipe.cameraPaths.push_back(pathGiven("/dev/fd/" + std::to_string(ends[0])));
  FaultyFileSystem pipeGivesNothing(*system_);
  pipeGivesNothing.fail(Call::kMoveInKernel, 1, FaultyFileSystem::nothing(), true);
  EXPECT_TRUE(weave(fromPipe, pipeGivesNothing).ok());
  ::close(ends[0]);
  EXPECT_EQ(read("pipe.yuv"), expected);

  FaultyFileSystem failsAtTheSecond(*system_);
  failsAtTheSecond.fail(Call::kMoveInKernel, 2, FaultyFileSystem::error(EIO));
  ASSERT_TRUE(weave(settings("failing.yuv", {"cam0.yuv", "cam1.yuv"}), failsAtTheSecond).ok());
  EXPECT_EQ(read("failing.yuv"), expected);
}

// Seeks counted from 1: one as each camera is opened (back to its start
// after its first bytes were read), then the move to FirstFrm, camera 0's
// first. A failing seek is a read error; EINVAL means beyond the largest
// file there can be: nothing there, zeros.
TEST_F(FaultsTest, FailedSeeks) {
  write("cam0.yuv", frames(0, 3));
  write("cam1.yuv", frames(1, 3));
  RunSettings fromFrame1 = settings("out.yuv", {"cam0.yuv", "cam1.yuv"});
  fromFrame1.firstFrm = 1;
  fromFrame1.numGop = 1;
  faulty_.fail(Call::kSeek, 3, FaultyFileSystem::error(EIO));
  const Status status = weave(fromFrame1, faulty_);
  EXPECT_EQ(status.problem, Problem::kRead);
  EXPECT_EQ(status.osError, EIO);

  FaultyFileSystem beyond(*system_);
  beyond.fail(Call::kSeek, 3, FaultyFileSystem::error(EINVAL));
  ASSERT_TRUE(weave(fromFrame1, beyond).ok());
  EXPECT_EQ(read("out.yuv"),
            std::string(12, '\0') + frames(1, 1, 1) + std::string(12, '\0') + frames(1, 1, 2));
}

// An output that cannot be emptied, and a Y4M header that cannot be
// written, fail the run although no frame has been written yet.
TEST_F(FaultsTest, FailedTruncationsAndHeaders) {
  write("cam0.yuv", frames(0, 2));
  write("out.yuv", "from an earlier run\n");
  RunSettings raw = settings("out.yuv", {"cam0.yuv"});
  raw.numGop = 1;
  faulty_.fail(Call::kTruncate, 1, FaultyFileSystem::error(EIO));
  Status status = weave(raw, faulty_);
  EXPECT_EQ(status.problem, Problem::kCreateOutput);
  EXPECT_EQ(status.osError, EIO);
  EXPECT_EQ(read("out.yuv"), "from an earlier run\n");

  FaultyFileSystem headerFails(*system_);
  headerFails.fail(Call::kWrite, 1, FaultyFileSystem::error(ENOSPC));
  RunSettings y4m = settings("out.y4m", {"cam0.yuv"});
  y4m.numGop = 1;
  status = weave(y4m, headerFails);
  EXPECT_EQ(status.problem, Problem::kWrite);
  EXPECT_EQ(status.osError, ENOSPC);
  EXPECT_EQ(read("out.y4m"), "");
}

// Frames read and written: a write that takes half the bytes is carried
// on; one that takes none fails the run.
TEST_F(FaultsTest, ShortAndEmptyWrites) {
  write("cam0.yuv", frames(0, 3));
  write("cam1.yuv", frames(1, 3));
  ReadAndWriteFileSystem readAndWrite(*system_);
  FaultyFileSystem halves(readAndWrite);
  halves.fail(Call::kWrite, 2, FaultyFileSystem::shortened(), true);
  ASSERT_TRUE(weave(settings("short.yuv", {"cam0.yuv", "cam1.yuv"}), halves).ok());
  EXPECT_EQ(read("short.yuv"), frames(0, 1) + frames(1, 1) + frames(0, 1, 1) + frames(1, 1, 1) +
                                   frames(0, 1, 2) + frames(1, 1, 2));

  FaultyFileSystem none(readAndWrite);
  none.fail(Call::kWrite, 3, FaultyFileSystem::nothing());
  const Status status = weave(settings("zero.yuv", {"cam0.yuv", "cam1.yuv"}), none);
  EXPECT_EQ(status.problem, Problem::kWrite);
  EXPECT_EQ(status.detail, "the system took no bytes");
}

// Frames read and written give what frames moved inside the kernel give:
// Y4M cameras with frame parameters into a Y4M file, a pipe of small frames
// read ahead, a short camera, and a split into Y4M cameras from FirstFrm on.
TEST_F(FaultsTest, ReadingAndWritingGivesWhatKernelMovesGive) {
  std::string y4m = "YUV4MPEG2 W4 H2 F30:1 Ip A1:1 C420jpeg XCOLORRANGE=FULL\n";
  for (int f = 0; f < 4; ++f) y4m += "FRAME Ixyz\n" + frames(0, 1, f);
  write("cam0.y4m", y4m);
  write("short.yuv", frames(1, 2));
  ReadAndWriteFileSystem readAndWrite(*system_);
  for (const std::string sequence : {"multiview.y4m", "multiview.yuv"}) {
    std::string outputs[2];
    FileSystem* const layers[] = {system_.get(), &readAndWrite};
    for (int layer = 0; layer < 2; ++layer) {
      int ends[2];
      ASSERT_EQ(pipe(ends), 0);
      const std::string small = frames(2, 3);
      ASSERT_EQ(::write(ends[1], small.data(), small.size()), static_cast<ssize_t>(small.size()));
      ::close(ends[1]);
      RunSettings merge = settings(sequence, {"cam0.y4m", "short.yuv"});
      merge.cameraPaths.push_back(pathGiven("/dev/fd/" + std::to_string(ends[0])));
      EXPECT_TRUE(mvweave::weave(merge, *layers[layer], silent_).ok()) << sequence;
      ::close(ends[0]);
      RunSettings split = settings(sequence, {"back0.y4m", "back1.yuv"});
      split.firstFrm = 1;
      split.numGop = 0;
      EXPECT_TRUE(unweave(split, *layers[layer], silent_).ok()) << sequence;
      outputs[layer] = read(sequence) + read("back0.y4m") + read("back1.yuv");
    }
    EXPECT_EQ(outputs[0], outputs[1]) << sequence;
    EXPECT_NE(outputs[0].find(frames(2, 1, 2)), std::string::npos) << sequence;
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
  const itimerval stop{};
  const auto files = makeSystemFileSystem();
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);

  std::thread writer([&] {
    blockAlarm();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(::write(ends[1], "x", 1), 1);
  });
  ASSERT_EQ(setitimer(ITIMER_REAL, &every, nullptr), 0);
  char got = 0;
  size_t count = 0;
  EXPECT_EQ(files->read(ends[0], &got, 1, count), 0);
  EXPECT_EQ(count, 1u);
  writer.join();

  const std::string full(static_cast<size_t>(fcntl(ends[1], F_GETPIPE_SZ)), 'y');
  ASSERT_EQ(::write(ends[1], full.data(), full.size()), static_cast<ssize_t>(full.size()));
  std::thread reader([&] {
    blockAlarm();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::string drained(full.size(), '\0');
    EXPECT_EQ(::read(ends[0], &drained[0], drained.size()), static_cast<ssize_t>(full.size()));
  });
  EXPECT_EQ(files->write(ends[1], "z", 1, count), 0);
  EXPECT_EQ(count, 1u);
  reader.join();

  setitimer(ITIMER_REAL, &stop, nullptr);
  sigaction(SIGALRM, &previous, nullptr);
  ::close(ends[0]);
  ::close(ends[1]);
}

}  // namespace
}  // namespace mvweave
