// Runs both tools' runs on many random layouts, in process through the
// library, and checks what they write against a model of the interleaved
// layout written here from its position table, independently of the walk
// and of positionOf: where frame f of camera c lands.
//   f = 0:           c
//   1 <= f <= G*L:   N + (g-1)*N*L + c*L + (f-1) mod L,   g = (f-1)/L + 1
//   T <= f < F:      N*T + c*(F-T) + (f-T),               T = 1 + G*L
// Each layout runs twice: with frames moved inside the kernel where the
// system can, and read and written through the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "file_layers.h"
#include "mvweave/mvweave.h"

namespace fs = std::filesystem;
using Bytes = std::vector<char>;

namespace mvweave {
namespace {

struct Model {
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

Model randomModel(std::mt19937& random, uint32_t maxFirstFrm) {
  auto upTo = [&random](uint32_t most) { return static_cast<uint32_t>(random() % (most + 1)); };
  return Model{upTo(5), upTo(6), upTo(4), upTo(40), 1 + upTo(6), 1 + upTo(4), upTo(maxFirstFrm)};
}

Bytes readFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
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

// A frame count from two more than needed to three fewer (not below zero).
uint64_t shortenedSometimes(std::mt19937& random, uint64_t needed) {
  const uint64_t change = random() % 6;
  return needed + 2 > change ? needed + 2 - change : 0;
}

class LayoutTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = scratchFolder() / ("mvlayout-" + std::to_string(std::random_device{}()) + "-" +
                                 testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  // One run, with each file layer in turn; the sequence's bytes must come
  // out the same either way.
  Status run(const Model& model, const std::string& sequence,
             const std::vector<std::string>& cameras, InterleavedFile interleaved) {
    Request request;
    request.sequence = (folder_ / sequence).string();
    for (const std::string& camera : cameras)
      request.cameras.push_back((folder_ / camera).string());
    request.firstFrm = model.firstFrm;
    request.gopLength = model.gopLength;
    request.numGop = model.numGop;
    request.numFrm = model.numFrm;
    request.width = model.width;
    request.height = model.height;
    Observer silent;
    TestFileSystem readAndWrite(*files_, false);
    FileSystem* const layers[] = {files_.get(), &readAndWrite};
    Status status;
    for (FileSystem* layer : layers) {
      status = interleaved == InterleavedFile::kWritten ? merge(request, silent, *layer)
                                                        : split(request, silent, *layer);
      if (!status.ok()) return status;
    }
    return status;
  }

  static std::vector<std::string> names(uint32_t count, const char* stem) {
    std::vector<std::string> names;
    for (uint32_t c = 0; c < count; ++c) names.push_back(stem + std::to_string(c) + ".yuv");
    return names;
  }

  std::unique_ptr<FileSystem> files_ = makeSystemFileSystem();
  fs::path folder_;
};

// Every frame of the merged file sits where the position table puts it, taken
// from index FirstFrm + f of its camera file (zeros past a short file's end);
// and splitting it with the same layout gives back every camera as merged.
TEST_F(LayoutTest, MergePlacesEveryFrameByThePositionTableAndSplitUndoesIt) {
  std::mt19937 random(1);
  for (int trial = 0; trial < 1500; ++trial) {
    const Model model = randomModel(random, 3);
    const uint64_t frameSize = model.frameSize();
    const std::vector<std::string> cameraNames = names(model.cameras, "cam");
    std::vector<Bytes> cameras;
    for (const std::string& name : cameraNames) {
      // Mostly long enough, sometimes short by a few frames.
      const uint64_t frames = shortenedSometimes(random, model.firstFrm + model.framesPerCamera());
      cameras.push_back(randomBytes(random, frames * frameSize));
      writeFile(folder_ / name, cameras.back());
    }
    ASSERT_TRUE(run(model, "multiview.yuv", cameraNames, InterleavedFile::kWritten).ok())
        << model.describe();

    Bytes expected(model.cameras * model.framesPerCamera() * frameSize);
    for (uint32_t c = 0; c < model.cameras; ++c) {
      for (uint64_t f = 0; f < model.framesPerCamera(); ++f) {
        const Bytes frame = frameOf(cameras[c], model.firstFrm + f, frameSize);
        const auto at = static_cast<std::ptrdiff_t>(model.positionOf(c, f) * frameSize);
        std::copy(frame.begin(), frame.end(), expected.begin() + at);
      }
    }
    ASSERT_EQ(readFile(folder_ / "multiview.yuv"), expected) << model.describe();

    Model split = model;
    split.firstFrm = 0;
    const std::vector<std::string> backNames = names(model.cameras, "back");
    ASSERT_TRUE(run(split, "multiview.yuv", backNames, InterleavedFile::kRead).ok())
        << model.describe();
    for (uint32_t c = 0; c < model.cameras; ++c) {
      Bytes merged;
      for (uint64_t f = 0; f < model.framesPerCamera(); ++f) {
        const Bytes frame = frameOf(cameras[c], model.firstFrm + f, frameSize);
        merged.insert(merged.end(), frame.begin(), frame.end());
      }
      ASSERT_EQ(readFile(folder_ / backNames[c]), merged) << model.describe() << " camera " << c;
    }
  }
}

// Every camera file of a split holds, as frame f, the frame the position
// table names, counted after FirstFrm x N skipped frames; and the library's
// positionOf agrees with the table.
TEST_F(LayoutTest, SplitTakesEveryFrameByThePositionTable) {
  std::mt19937 random(2);
  for (int trial = 0; trial < 1000; ++trial) {
    const Model model = randomModel(random, 2);
    const uint64_t frameSize = model.frameSize();
    const uint64_t skipped = uint64_t{model.firstFrm} * model.cameras;
    const uint64_t frames =
        shortenedSometimes(random, skipped + model.cameras * model.framesPerCamera());
    const Bytes sequence = randomBytes(random, frames * frameSize);
    writeFile(folder_ / "multiview.yuv", sequence);
    const std::vector<std::string> cameraNames = names(model.cameras, "cam");
    ASSERT_TRUE(run(model, "multiview.yuv", cameraNames, InterleavedFile::kRead).ok())
        << model.describe();

    const Layout layout{model.cameras, model.gopLength, model.numGop, model.numFrm};
    for (uint32_t c = 0; c < model.cameras; ++c) {
      Bytes expected;
      for (uint64_t f = 0; f < model.framesPerCamera(); ++f) {
        const Bytes frame = frameOf(sequence, skipped + model.positionOf(c, f), frameSize);
        expected.insert(expected.end(), frame.begin(), frame.end());
        uint64_t position = 0;
        ASSERT_TRUE(positionOf(layout, c, f, position));
        ASSERT_EQ(position, model.positionOf(c, f)) << model.describe();
      }
      ASSERT_EQ(readFile(folder_ / cameraNames[c]), expected)
          << model.describe() << " camera " << c;
    }
  }
}

}  // namespace
}  // namespace mvweave
