#include "config_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "messages.h"
#include "run_settings.h"

namespace {

// The settings that differ from a fresh record, in a fixed compact form, so
// that each case states everything one line or file did.
std::string changes(const RunSettings& run) {
  const RunSettings fresh;
  std::string text;
  for (const std::string& path : run.cameraPaths) text += "camera[" + path + "] ";
  if (run.sequencePath != fresh.sequencePath) text += "sequence[" + run.sequencePath + "] ";
  const struct {
    const char* name;
    uint32_t value, initial;
  } numbers[] = {
      {"FirstFrm", run.firstFrm, fresh.firstFrm}, {"GOPLength", run.gopLength, fresh.gopLength},
      {"NumGOP", run.numGop, fresh.numGop},       {"NumFrm", run.numFrm, fresh.numFrm},
      {"Width", run.width, fresh.width},          {"Height", run.height, fresh.height}};
  for (const auto& number : numbers) {
    if (number.value != number.initial)
      text += std::string(number.name) + "=" + std::to_string(number.value) + " ";
  }
  if (!text.empty()) text.pop_back();
  return text;
}

struct LineCase {
  std::string line;
  CameraKey cameraKey;
  bool accepted;
  std::string changes;
  std::string output;
};

const std::string kUnknown = std::string(msg::kUnknownIdentifier) + "\n";
constexpr CameraKey kMerge = CameraKey::kInput;
constexpr CameraKey kSplit = CameraKey::kOutput;

TEST(ParseConfigLine, AppliesOneLine) {
  const LineCase cases[] = {
      // Path keys: between the first and the last double quote, nothing escaped.
      {"Input = \"cam0.yuv\"", kMerge, true, "camera[cam0.yuv]", ""},
      {"Output = \"out.yuv\"", kMerge, true, "sequence[out.yuv]", ""},
      {"Input = \"in.yuv\"", kSplit, true, "sequence[in.yuv]", ""},
      {"Output = \"cam0.yuv\"", kSplit, true, "camera[cam0.yuv]", ""},
      {"Input = \"a.yuv\" \"b.yuv\"", kMerge, true, "camera[a.yuv\" \"b.yuv]", ""},
      {"Input = \"a#b.yuv\" # see \"notes\"", kMerge, true, "camera[a#b.yuv\" # see \"notes]", ""},
      {"Input = cam0.yuv", kMerge, true, "camera[]", ""},
      {"Input = \"cam0.yuv", kMerge, true, "camera[]", ""},
      {"Input = \"\"", kMerge, true, "camera[]", ""},
      {"Input=\"C:\\video\\cam 0.yuv\"\r", kMerge, true, "camera[C:\\video\\cam 0.yuv]", ""},
      // Keywords are found as substrings, in each tool's order.
      {"InputFile = \"x\"", kMerge, true, "camera[x]", ""},
      {"OutputInput = \"x\"", kMerge, true, "camera[x]", ""},
      {"OutputInput = \"x\"", kSplit, true, "camera[x]", ""},
      {"NumGOPLength = 3", kMerge, true, "GOPLength=3", ""},
      {"my Width of picture = 3", kMerge, true, "Width=3", ""},
      {"width = 352", kMerge, false, "", kUnknown},
      {"= 352", kMerge, false, "", kUnknown},
      {"Width 352", kMerge, false, "", ""},
      // Numbers: trimmed, then converted like atoi, stored as 32 bits.
      {"Width = 352 # CIF", kMerge, true, "Width=352", ""},
      {"Height=288", kMerge, true, "Height=288", ""},
      {"Width = \"352\"", kMerge, true, "Width=0", ""},
      {"Width = CIF", kMerge, true, "Width=0", ""},
      {"Width = ", kMerge, true, "Width=0", ""},
      {"FirstFrm = -1", kMerge, true, "FirstFrm=4294967295", ""},
      {"FirstFrm = -2", kMerge, true, "FirstFrm=4294967294", ""},
      {"NumFrm = +25\r", kMerge, true, "NumFrm=25", ""},
      {"NumFrm = 4294967295", kMerge, true, "NumFrm=4294967295", ""},
      {"NumFrm = 9999999999", kMerge, true, "NumFrm=4294967295", ""},
      {"NumFrm = 99999999999999999999999", kMerge, true, "NumFrm=4294967295", ""},
      {"NumFrm = -2147483648", kMerge, true, "NumFrm=2147483648", ""},
      {"NumFrm = -9999999999", kMerge, true, "NumFrm=2147483648", ""},
      {"NumGOP = 0", kMerge, true, "NumGOP=0", ""},
      {"NumGOP = 12=3", kMerge, true, "NumGOP=12", ""},
  };
  for (const LineCase& c : cases) {
    settings() = RunSettings{};
    testing::internal::CaptureStdout();
    const bool accepted = parseConfigLine(c.line, c.cameraKey);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.output) << c.line;
    EXPECT_EQ(accepted, c.accepted) << c.line;
    EXPECT_EQ(changes(settings()), c.changes) << c.line;
  }
}

std::string writeTempFile(const std::string& name, const std::string& contents) {
  std::string path = testing::TempDir() + name;
  std::ofstream file(path, std::ios::binary);
  file << contents;
  return path;
}

struct FileCase {
  const char* what;
  std::string contents;
  bool accepted;
  std::string changes;
  std::string output;
};

TEST(ReadConfigFile, AppliesEveryLineInOrder) {
  const std::string longComment = "#" + std::string(5000, 'x') + "\n";
  const std::string longPath(3000, 'p');
  const FileCase cases[] = {
      {"empty file", "", true, "", ""},
      {"three cameras in line order", "Input = \"c0\"\nInput = \"c1\"\nInput = \"c2\"\n", true,
       "camera[c0] camera[c1] camera[c2]", ""},
      {"last value wins", "Width = 1\nWidth = 2\nOutput=\"a\"\nOutput=\"b\"", true,
       "sequence[b] Width=2", ""},
      {"comments, blank lines and indentation",
       "# Width = 1\n\n   \t# Width = 2\n  Width = 3\n\n\n\tHeight = 4\n", true, "Width=3 Height=4",
       ""},
      {"a number sign inside a line is text", "Width = 5 # Height = 6\n", true, "Width=5", ""},
      {"CRLF line ends", "Width = 7\r\nOutput = \"o.yuv\"\r\n", true, "sequence[o.yuv] Width=7",
       ""},
      {"last line without a line end", "Width = 8\nHeight = 9", true, "Width=8 Height=9", ""},
      {"a NUL byte ends the line", std::string("Width = 10\0Height = 11\nNumGOP = 3\n", 34), true,
       "NumGOP=3 Width=10", ""},
      {"a line that begins with NUL is skipped", std::string("\0Width = 1\nHeight = 12\n", 23),
       true, "Height=12", ""},
      {"a very long comment, then settings", longComment + "Width = 13\n", true, "Width=13", ""},
      {"a very long path", "Output = \"" + longPath + "\"\nWidth = 14\n", true,
       "sequence[" + longPath + "] Width=14", ""},
      {"settings before a failing line stay", "Width = 15\nwidth = 16\nHeight = 17\n", false,
       "Width=15", kUnknown},
      {"a line without equals fails silently", "Width = 18\nWidth 19\nHeight = 20\n", false,
       "Width=18", ""},
      {"a byte order mark before a comment", "\xEF\xBB\xBF# views\nWidth = 21\n", true, "Width=21",
       ""},
      {"a byte order mark alone", "\xEF\xBB\xBF", true, "", ""},
      {"a byte order mark only at the very start", "Width = 22\n\xEF\xBB\xBF# x\n", false,
       "Width=22", ""},
      {"half a byte order mark is text", "\xEF\xBB# x\n", false, "", ""},
      {"a keyword after a long key", std::string(70000, 'k') + "Height = 23\n", true, "Height=23",
       ""},
  };
  for (const FileCase& c : cases) {
    settings() = RunSettings{};
    const std::string path = writeTempFile("config_reader_test.cfg", c.contents);
    testing::internal::CaptureStdout();
    const bool accepted = readConfigFile(path, kMerge);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.output) << c.what;
    EXPECT_EQ(accepted, c.accepted) << c.what;
    EXPECT_EQ(changes(settings()), c.changes) << c.what;
  }
}

TEST(ReadConfigFile, FilesAccumulateInCommandLineOrder) {
  settings() = RunSettings{};
  const std::string first =
      writeTempFile("first.cfg", "Input = \"a\"\nWidth = 1\nOutput = \"x\"\n");
  const std::string second = writeTempFile("second.cfg", "Input = \"b\"\nWidth = 2\n");
  ASSERT_TRUE(readConfigFile(first, kMerge));
  ASSERT_TRUE(readConfigFile(second, kMerge));
  EXPECT_EQ(changes(settings()), "camera[a] camera[b] sequence[x] Width=2");
}

TEST(ReadConfigFile, RefusesWhatCannotBeRead) {
  const std::string opened = std::string(msg::kOpenConfigFailed) + "\n";
  const struct {
    std::string path;
    std::string output;
  } cases[] = {
      {"", ""},  // no message and no file system access
      {testing::TempDir() + "no-such-file.cfg", opened},
      {testing::TempDir(), opened},  // a directory
  };
  for (const auto& c : cases) {
    testing::internal::CaptureStdout();
    EXPECT_FALSE(readConfigFile(c.path, kMerge)) << c.path;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.output) << c.path;
  }
}

}  // namespace
