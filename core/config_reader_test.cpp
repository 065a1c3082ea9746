#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>

#include "mvweave/configuration.h"
#include "packing.h"

namespace mvweave {
namespace {

// What a configuration set in its request, in a fixed compact form, so that
// each case states everything one line or file did.
std::string changes(const Configuration& configuration) {
  const Request& run = configuration.request;
  const Request fresh;
  std::string text;
  for (const std::string& camera : run.cameras) text += "camera[" + camera + "] ";
  if (run.sequence != fresh.sequence) text += "sequence[" + run.sequence + "] ";
  const struct {
    const char* name;
    std::optional<uint32_t> value;
  } numbers[] = {
      {"FirstFrm", run.firstFrm != fresh.firstFrm ? std::optional(run.firstFrm) : std::nullopt},
      {"GOPLength", run.gopLength != fresh.gopLength ? std::optional(run.gopLength) : std::nullopt},
      {"NumGOP", run.numGop != fresh.numGop ? std::optional(run.numGop) : std::nullopt},
      {"NumFrm", run.numFrm != fresh.numFrm ? std::optional(run.numFrm) : std::nullopt},
      {"Width", run.width},
      {"Height", run.height},
      {"ChromaFormat", run.chromaFormat},
      {"BitDepth", run.bitDepth}};
  for (const auto& number : numbers) {
    if (number.value) text += std::string(number.name) + "=" + std::to_string(*number.value) + " ";
  }
  if (run.packing) text += "Packing=" + nameOf(*run.packing) + " ";
  if (!text.empty()) text.pop_back();
  return text;
}

// In a file of the running test's own: tests run in parallel.
std::string writeTempFile(const std::string& name, const std::string& contents) {
  std::string path =
      testing::TempDir() + testing::UnitTest::GetInstance()->current_test_info()->name() + name;
  std::ofstream file(path, std::ios::binary);
  file << contents;
  return path;
}

// One line, read as a configuration file of its own.
Status readLine(const std::string& line, InterleavedFile interleaved,
                Configuration& configuration) {
  const auto files = makeSystemFileSystem();
  return readConfigFile(*files, writeTempFile("line.cfg", line), interleaved, configuration);
}

struct LineCase {
  std::string line;
  InterleavedFile interleaved;
  Problem problem;
  std::string changes;
};

constexpr Problem kApplied = Problem::kNone;
constexpr Problem kUnknown = Problem::kUnknownKey;
constexpr Problem kNoEquals = Problem::kNoEquals;
constexpr InterleavedFile kMerge = InterleavedFile::kWritten;
constexpr InterleavedFile kSplit = InterleavedFile::kRead;

TEST(ReadConfigFile, AppliesOneLine) {
  const LineCase cases[] = {
      // Path keys: between the first and the last double quote, nothing escaped.
      {"Input = \"cam0.yuv\"", kMerge, kApplied, "camera[cam0.yuv]"},
      {"Output = \"out.yuv\"", kMerge, kApplied, "sequence[out.yuv]"},
      {"Input = \"in.yuv\"", kSplit, kApplied, "sequence[in.yuv]"},
      {"Output = \"cam0.yuv\"", kSplit, kApplied, "camera[cam0.yuv]"},
      {"Input = \"a.yuv\" \"b.yuv\"", kMerge, kApplied, "camera[a.yuv\" \"b.yuv]"},
      {"Input = \"a#b.yuv\" # see \"notes\"", kMerge, kApplied, "camera[a#b.yuv\" # see \"notes]"},
      {"Input = cam0.yuv", kMerge, kApplied, "camera[]"},
      {"Input = \"cam0.yuv", kMerge, kApplied, "camera[]"},
      {"Input = \"\"", kMerge, kApplied, "camera[]"},
      {"Input=\"C:\\video\\cam 0.yuv\"\r", kMerge, kApplied, "camera[C:\\video\\cam 0.yuv]"},
      // Keywords are found as substrings, in each tool's order.
      {"InputFile = \"x\"", kMerge, kApplied, "camera[x]"},
      {"OutputInput = \"x\"", kMerge, kApplied, "camera[x]"},
      {"OutputInput = \"x\"", kSplit, kApplied, "camera[x]"},
      {"NumGOPLength = 3", kMerge, kApplied, "GOPLength=3"},
      {"my Width of picture = 3", kMerge, kApplied, "Width=3"},
      {"width = 352", kMerge, kUnknown, ""},
      {"= 352", kMerge, kUnknown, ""},
      {"Width 352", kMerge, kNoEquals, ""},
      // Numbers: trimmed, then converted like atoi, stored as 32 bits.
      {"Width = 352 # CIF", kMerge, kApplied, "Width=352"},
      {"Height=288", kMerge, kApplied, "Height=288"},
      {"Width = \"352\"", kMerge, kApplied, "Width=0"},
      {"Width = CIF", kMerge, kApplied, "Width=0"},
      {"Width = ", kMerge, kApplied, "Width=0"},
      {"FirstFrm = -1", kMerge, kApplied, "FirstFrm=4294967295"},
      {"FirstFrm = -2", kMerge, kApplied, "FirstFrm=4294967294"},
      {"NumFrm = +25\r", kMerge, kApplied, "NumFrm=25"},
      {"NumFrm = 4294967295", kMerge, kApplied, "NumFrm=4294967295"},
      {"NumFrm = 9999999999", kMerge, kApplied, "NumFrm=4294967295"},
      {"NumFrm = 99999999999999999999999", kMerge, kApplied, "NumFrm=4294967295"},
      {"NumFrm = 9223372036854775808", kMerge, kApplied, "NumFrm=4294967295"},   // 2^63
      {"NumFrm = 18446744073709551617", kMerge, kApplied, "NumFrm=4294967295"},  // 2^64 + 1
      {"NumFrm = -2147483648", kMerge, kApplied, "NumFrm=2147483648"},
      {"NumFrm = -9999999999", kMerge, kApplied, "NumFrm=2147483648"},
      {"NumGOP = 0", kMerge, kApplied, "NumGOP=0"},
      {"NumGOP = 12=3", kMerge, kApplied, "NumGOP=12"},
      // A packing: the value's first word, its name exactly; nothing else.
      {"Packing = side-by-side", kMerge, kApplied, "Packing=side-by-side"},
      {"Packing = top-bottom # stereo", kSplit, kApplied, "Packing=top-bottom"},
      {"Packing=\"frames\"\r", kMerge, kApplied, "Packing=frames"},
      {"FramePacking = 3x2", kMerge, kApplied, "Packing=3x2"},
      {"Packing = 4294967295x1", kMerge, kApplied, "Packing=4294967295x1"},
      {"Packing = sbs", kMerge, kUnknown, ""},
      {"Packing = Side-by-side", kMerge, kUnknown, ""},
      {"Packing = 2X2", kMerge, kUnknown, ""},
      {"Packing = 0x2", kMerge, kUnknown, ""},
      {"Packing = 2x", kMerge, kUnknown, ""},
      {"Packing = 2x2x2", kMerge, kUnknown, ""},
      {"Packing = -2x2", kMerge, kUnknown, ""},
      {"Packing = 4294967296x1", kMerge, kUnknown, ""},
      {"Packing =", kMerge, kUnknown, ""},
  };
  for (const LineCase& c : cases) {
    Configuration configuration;
    EXPECT_EQ(readLine(c.line, c.interleaved, configuration).problem, c.problem) << c.line;
    EXPECT_EQ(changes(configuration), c.changes) << c.line;
  }
  Configuration beyond;
  EXPECT_TRUE(readLine("NumFrm = 9223372036854775808", kMerge, beyond).ok());
  ASSERT_EQ(beyond.numberNotes.size(), 1u);
  EXPECT_EQ(beyond.numberNotes[0].second.line, 1u);
  EXPECT_EQ(beyond.numberNotes[0].second.text,
            "NumFrm = 9223372036854775808 is beyond the 32-bit numbers: read as 4294967295");
}

struct FileCase {
  const char* what;
  std::string contents;
  Problem problem;
  uint64_t line;  // of the problem
  std::string changes;
};

TEST(ReadConfigFile, AppliesEveryLineInOrder) {
  const auto files = makeSystemFileSystem();
  const std::string longComment = "#" + std::string(5000, 'x') + "\n";
  const std::string longPath(3000, 'p');
  const FileCase cases[] = {
      {"empty file", "", kApplied, 0, ""},
      {"three cameras in line order", "Input = \"c0\"\nInput = \"c1\"\nInput = \"c2\"\n", kApplied,
       0, "camera[c0] camera[c1] camera[c2]"},
      {"last value wins", "Width = 1\nWidth = 2\nOutput=\"a\"\nOutput=\"b\"", kApplied, 0,
       "sequence[b] Width=2"},
      {"comments, blank lines and indentation",
       "# Width = 1\n\n   \t# Width = 2\n  Width = 3\n\n\n\tHeight = 4\n", kApplied, 0,
       "Width=3 Height=4"},
      {"a number sign inside a line is text", "Width = 5 # Height = 6\n", kApplied, 0, "Width=5"},
      {"CRLF line ends", "Width = 7\r\nOutput = \"o.yuv\"\r\n", kApplied, 0,
       "sequence[o.yuv] Width=7"},
      {"last line without a line end", "Width = 8\nHeight = 9", kApplied, 0, "Width=8 Height=9"},
      {"a NUL byte ends the line", std::string("Width = 10\0Height = 11\nNumGOP = 3\n", 34),
       kApplied, 0, "NumGOP=3 Width=10"},
      {"a line that begins with NUL is skipped", std::string("\0Width = 1\nHeight = 12\n", 23),
       kApplied, 0, "Height=12"},
      {"a very long comment, then settings", longComment + "Width = 13\n", kApplied, 0, "Width=13"},
      {"a line one byte longer than 1 MiB", std::string(1048577, '#') + "\nWidth = 24\n",
       Problem::kLineTooLong, 1, ""},
      {"a very long path", "Output = \"" + longPath + "\"\nWidth = 14\n", kApplied, 0,
       "sequence[" + longPath + "] Width=14"},
      {"settings before a failing line stay", "Width = 15\nwidth = 16\nHeight = 17\n", kUnknown, 2,
       "Width=15"},
      {"a line without equals fails silently", "Width = 18\nWidth 19\nHeight = 20\n", kNoEquals, 2,
       "Width=18"},
      {"a byte order mark before a comment", "\xEF\xBB\xBF# views\nWidth = 21\n", kApplied, 0,
       "Width=21"},
      {"a byte order mark alone", "\xEF\xBB\xBF", kApplied, 0, ""},
      {"a byte order mark only at the very start", "Width = 22\n\xEF\xBB\xBF# x\n", kNoEquals, 2,
       "Width=22"},
      {"half a byte order mark is text", "\xEF\xBB# x\n", kNoEquals, 1, ""},
      {"lines are counted from 1, blank ones too", "\n\n  # c\r\n\tWidht = 1\n", kUnknown, 4, ""},
      {"a keyword after a long key", std::string(70000, 'k') + "Height = 23\n", kApplied, 0,
       "Height=23"},
  };
  for (const FileCase& c : cases) {
    Configuration settings;
    const std::string path = writeTempFile("config_reader_test.cfg", c.contents);
    const Status status = readConfigFile(*files, path, kMerge, settings);
    EXPECT_EQ(status.problem, c.problem) << c.what;
    EXPECT_EQ(status.line, c.line) << c.what;
    if (!status.ok()) {
      EXPECT_EQ(status.subject, path) << c.what;
    }
    EXPECT_EQ(changes(settings), c.changes) << c.what;
  }
}

TEST(ReadConfigFile, FilesAccumulateInCommandLineOrder) {
  const auto files = makeSystemFileSystem();
  Configuration settings;
  const std::string first =
      writeTempFile("first.cfg", "Input = \"a\"\nWidth = 1\nOutput = \"x\"\n");
  const std::string second = writeTempFile("second.cfg", "Input = \"b\"\nWidth = 2\n");
  ASSERT_TRUE(readConfigFile(*files, first, kMerge, settings).ok());
  ASSERT_TRUE(readConfigFile(*files, second, kMerge, settings).ok());
  EXPECT_EQ(changes(settings), "camera[a] camera[b] sequence[x] Width=2");
}

TEST(ReadConfigFile, NamesTheUnknownKey) {
  Configuration settings;
  const struct {
    const char* line;
    const char* detail;
  } cases[] = {
      {"  Widht  = 352", "unknown key \"Widht\"; did you mean \"Width\"?"},
      {"NumGP = 2", "unknown key \"NumGP\"; did you mean \"NumGOP\"?"},
      {"Hieght=2", "unknown key \"Hieght\"; did you mean \"Height\"?"},
      {"width = 352", "unknown key \"width\"; did you mean \"Width\"? (keys are case-sensitive)"},
      {"image height = 2",
       "unknown key \"image height\"; did you mean \"Height\"? (keys are case-sensitive)"},
      {"Heigth = 2", "unknown key \"Heigth\"; did you mean \"Height\"?"},
      {"GOPLen = 8", "unknown key \"GOPLen\"; did you mean \"GOPLength\"?"},
      {"GOPLnth = 8", "unknown key \"GOPLnth\"; did you mean \"GOPLength\"?"},  // two edits
      {"NumFrames = 9", "unknown key \"NumFrames\"; did you mean \"NumFrm\"?"},
      {"Frames = 9", "unknown key \"Frames\"; did you mean \"NumFrm\"?"},
      {"FirstFrame = 1", "unknown key \"FirstFrame\"; did you mean \"FirstFrm\"?"},
      {"Colour = 420", "unknown key \"Colour\""},
      {"Wd = 3", "unknown key \"Wd\""},  // too short to guess from
      {"Packing = sbs # stereo",
       "Packing = sbs # stereo is none of frames, side-by-side, top-bottom or a grid CxR, such "
       "as 2x2 (columns x rows); did you mean \"side-by-side\"?"},
      {"Packing = Top_Bottom",
       "Packing = Top_Bottom is none of frames, side-by-side, top-bottom or a grid CxR, such "
       "as 2x2 (columns x rows); did you mean \"top-bottom\"?"},
      {"Packing = 3X2",
       "Packing = 3X2 is none of frames, side-by-side, top-bottom or a grid CxR, such as 2x2 "
       "(columns x rows); did you mean \"3x2\"?"},
      {"Packing = diagonal",
       "Packing = diagonal is none of frames, side-by-side, top-bottom or a grid CxR, such as "
       "2x2 (columns x rows)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(readLine(c.line, kMerge, settings).detail, c.detail) << c.line;
  }
  EXPECT_EQ(readLine(std::string(100, 'k') + "=1", kMerge, settings).detail,
            "unknown key \"" + std::string(64, 'k') + "...\"");
  EXPECT_EQ(readLine("Width 352", kMerge, settings).detail, "no '=' in this line");
}

TEST(ReadConfigFile, RefusesWhatCannotBeRead) {
  const auto files = makeSystemFileSystem();
  const struct {
    std::string path;
    Problem problem;
  } cases[] = {
      {"", Problem::kEmptyConfigPath},  // without touching the file system
      {testing::TempDir() + "no-such-file.cfg", Problem::kOpenConfig},
      {testing::TempDir(), Problem::kOpenConfig},  // a directory
  };
  for (const auto& c : cases) {
    Configuration settings;
    EXPECT_EQ(readConfigFile(*files, c.path, kMerge, settings).problem, c.problem) << c.path;
  }
}

}  // namespace
}  // namespace mvweave
