// Runs the real programs on random settings and checks what they write
// against a model of the interleaved layout written here from its position
// table, independently of the walk: where frame f of camera c lands.
//   f = 0:           c
//   1 <= f <= G*L:   N + (g-1)*N*L + c*L + (f-1) mod L,   g = (f-1)/L + 1
//   T <= f < F:      N*T + c*(F-T) + (f-T),               T = 1 + G*L
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Bytes = std::vector<char>;

namespace {

// Emulated runs (a Windows build under wine) start processes a hundred times
// slower; they try fewer layouts.
#ifndef LAYOUT_TRIAL_DIVISOR
#define LAYOUT_TRIAL_DIVISOR 1
#endif
constexpr int trials(int count) { return count / LAYOUT_TRIAL_DIVISOR; }

struct Layout {
  uint32_t cameras, gopLength, numGop, numFrm, width, height, firstFrm;

  [[nodiscard]] uint64_t tailStart() const { return 1 + uint64_t{numGop} * gopLength; }
  [[nodiscard]] uint64_t framesPerCamera() const { return std::max<uint64_t>(numFrm, tailStart()); }
  [[nodiscard]] uint64_t frameSize() const {
    return uint64_t{width} * height + uint64_t{width} * height / 2;
  }

  [[nodiscard]] uint64_t positionOf(uint64_t c, uint64_t f) const {
    const uint64_t n = cameras, l = gopLength, t = tailStart();
    if (f == 0) return c;
    if (f < t) return n + ((f - 1) / l) * n * l + c * l + (f - 1) % l;
    return n * t + c * (numFrm - t) + (f - t);
  }

  [[nodiscard]] std::string describe() const {
    return "N=" + std::to_string(cameras) + " L=" + std::to_string(gopLength) +
           " G=" + std::to_string(numGop) + " F=" + std::to_string(numFrm) + " " +
           std::to_string(width) + "x" + std::to_string(height) +
           " FirstFrm=" + std::to_string(firstFrm);
  }
};

Bytes readFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const Bytes& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

Bytes randomBytes(std::mt19937& random, uint64_t count) {
  Bytes bytes(count);
  for (char& byte : bytes) byte = static_cast<char>(random());
  return bytes;
}

// Frame `index` of a file, zeros where the file has no more bytes.
Bytes frameOf(const Bytes& file, uint64_t index, uint64_t frameSize) {
  Bytes frame(frameSize, 0);
  for (uint64_t i = 0; i < frameSize && index * frameSize + i < file.size(); ++i)
    frame[i] = file[index * frameSize + i];
  return frame;
}

class LayoutTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ =
        fs::temp_directory_path() / ("mvlayout-" + std::to_string(std::random_device{}()) + "-" +
                                     testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  // Writes the configuration and runs one tool in the test folder; its status.
  int run(const char* program, const Layout& layout, const std::string& sequence,
          const std::vector<std::string>& cameras, bool camerasAreInputs) {
    std::ofstream config(folder_ / "run.cfg");
    config << (camerasAreInputs ? "Output" : "Input") << " = \"" << sequence << "\"\n";
    for (const std::string& camera : cameras)
      config << (camerasAreInputs ? "Input" : "Output") << " = \"" << camera << "\"\n";
    config << "FirstFrm = " << layout.firstFrm << "\nGOPLength = " << layout.gopLength
           << "\nNumGOP = " << layout.numGop << "\nNumFrm = " << layout.numFrm
           << "\nWidth = " << layout.width << "\nHeight = " << layout.height << "\n";
    config.close();
#ifdef _WIN32
    // Built on a POSIX host and run under wine, the program path is the
    // host's; wine shows the host's root as drive Z:.
    const std::string drive = program[0] == '/' ? "Z:" : "";
    const std::string command =
        "cd /d \"" + folder_.string() + "\" && \"" + drive + program + "\" run.cfg > console.txt";
    return std::system(command.c_str());
#else
    const std::string command =
        "cd \"" + folder_.string() + "\" && \"" + program + "\" run.cfg > console.txt";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  }

  static std::vector<std::string> cameraNames(uint32_t count, const char* stem) {
    std::vector<std::string> names;
    for (uint32_t c = 0; c < count; ++c) names.push_back(stem + std::to_string(c) + ".yuv");
    return names;
  }

  fs::path folder_;
};

Layout randomLayout(std::mt19937& random, uint32_t maxFirstFrm) {
  auto upTo = [&random](uint32_t most) { return static_cast<uint32_t>(random() % (most + 1)); };
  return Layout{upTo(5), upTo(6), upTo(4), upTo(40), 1 + upTo(6), 1 + upTo(4), upTo(maxFirstFrm)};
}

// A frame count from two more than needed to three fewer (not below zero).
uint64_t shortenedSometimes(std::mt19937& random, uint64_t needed) {
  const uint64_t change = random() % 6;
  return needed + 2 > change ? needed + 2 - change : 0;
}

// Merging camera files that hold exactly the frames the layout takes, then
// splitting the result, gives every camera file back byte for byte.
TEST_F(LayoutTest, MergeThenSplitGivesEveryCameraBack) {
  std::mt19937 random(20261208);
  for (int trial = 0; trial < trials(300); ++trial) {
    const Layout layout = randomLayout(random, 0);
    const std::vector<std::string> originals = cameraNames(layout.cameras, "cam");
    const std::vector<std::string> returned = cameraNames(layout.cameras, "back");
    for (const std::string& name : originals) {
      writeFile(folder_ / name, randomBytes(random, layout.framesPerCamera() * layout.frameSize()));
    }
    ASSERT_EQ(run(MVWEAVE_PROGRAM, layout, "multiview.yuv", originals, true), 1)
        << layout.describe();
    EXPECT_EQ(fs::file_size(folder_ / "multiview.yuv"),
              layout.cameras * layout.framesPerCamera() * layout.frameSize())
        << layout.describe();
    ASSERT_EQ(run(MVUNWEAVE_PROGRAM, layout, "multiview.yuv", returned, false), 1)
        << layout.describe();
    for (uint32_t c = 0; c < layout.cameras; ++c) {
      ASSERT_EQ(readFile(folder_ / returned[c]), readFile(folder_ / originals[c]))
          << layout.describe() << " camera " << c;
    }
  }
}

// Every frame of the merged file sits where the position table puts it, taken
// from index FirstFrm + f of its camera file (zeros past a short file's end).
TEST_F(LayoutTest, MergePlacesEveryFrameByThePositionTable) {
  std::mt19937 random(1);
  for (int trial = 0; trial < trials(1500); ++trial) {
    const Layout layout = randomLayout(random, 3);
    const uint64_t frameSize = layout.frameSize();
    const std::vector<std::string> names = cameraNames(layout.cameras, "cam");
    std::vector<Bytes> cameras;
    for (const std::string& name : names) {
      // Mostly long enough, sometimes short by a few frames.
      const uint64_t frames =
          shortenedSometimes(random, layout.firstFrm + layout.framesPerCamera());
      cameras.push_back(randomBytes(random, frames * frameSize));
      writeFile(folder_ / name, cameras.back());
    }
    ASSERT_EQ(run(MVWEAVE_PROGRAM, layout, "multiview.yuv", names, true), 1) << layout.describe();

    Bytes expected(layout.cameras * layout.framesPerCamera() * frameSize);
    for (uint32_t c = 0; c < layout.cameras; ++c) {
      for (uint64_t f = 0; f < layout.framesPerCamera(); ++f) {
        const Bytes frame = frameOf(cameras[c], layout.firstFrm + f, frameSize);
        const auto at = static_cast<std::ptrdiff_t>(layout.positionOf(c, f) * frameSize);
        std::copy(frame.begin(), frame.end(), expected.begin() + at);
      }
    }
    ASSERT_EQ(readFile(folder_ / "multiview.yuv"), expected) << layout.describe();
  }
}

// Every camera file of a split holds, as frame f, the frame the position
// table names, counted after FirstFrm x N skipped frames.
TEST_F(LayoutTest, SplitTakesEveryFrameByThePositionTable) {
  std::mt19937 random(2);
  for (int trial = 0; trial < trials(1000); ++trial) {
    const Layout layout = randomLayout(random, 2);
    const uint64_t frameSize = layout.frameSize();
    const uint64_t skipped = uint64_t{layout.firstFrm} * layout.cameras;
    const uint64_t frames =
        shortenedSometimes(random, skipped + layout.cameras * layout.framesPerCamera());
    const Bytes sequence = randomBytes(random, frames * frameSize);
    writeFile(folder_ / "multiview.yuv", sequence);
    const std::vector<std::string> names = cameraNames(layout.cameras, "cam");
    ASSERT_EQ(run(MVUNWEAVE_PROGRAM, layout, "multiview.yuv", names, false), 1)
        << layout.describe();

    for (uint32_t c = 0; c < layout.cameras; ++c) {
      Bytes expected;
      for (uint64_t f = 0; f < layout.framesPerCamera(); ++f) {
        const Bytes frame = frameOf(sequence, skipped + layout.positionOf(c, f), frameSize);
        expected.insert(expected.end(), frame.begin(), frame.end());
      }
      ASSERT_EQ(readFile(folder_ / names[c]), expected) << layout.describe() << " camera " << c;
    }
  }
}

}  // namespace
