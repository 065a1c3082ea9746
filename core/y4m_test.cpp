#include "y4m.h"

#include <gtest/gtest.h>

#include <string>

namespace mvweave {
namespace {

TEST(Y4mColourSpace, MapsToChromaAndDepth) {
  const struct {
    const char* colourSpace;
    bool supported;
    uint32_t chroma, bitDepth;
  } cases[] = {
      {"420jpeg", true, 420, 8}, {"420mpeg2", true, 420, 8}, {"420paldv", true, 420, 8},
      {"420", true, 420, 8},     {"422", true, 422, 8},      {"444", true, 444, 8},
      {"mono", true, 400, 8},    {"420p10", true, 420, 10},  {"422p12", true, 422, 12},
      {"444p16", true, 444, 16}, {"mono16", true, 400, 16},  {"mono9", true, 400, 9},
      {"411", false, 0, 0},      {"444alpha", false, 0, 0},  {"420p17", false, 0, 0},
      {"420p", false, 0, 0},     {"monox", false, 0, 0},     {"", false, 0, 0},
  };
  for (const auto& c : cases) {
    uint32_t chroma = 0;
    uint32_t bitDepth = 0;
    EXPECT_EQ(formatOfColourSpace(c.colourSpace, chroma, bitDepth), c.supported) << c.colourSpace;
    if (c.supported) {
      EXPECT_EQ(chroma, c.chroma) << c.colourSpace;
      EXPECT_EQ(bitDepth, c.bitDepth) << c.colourSpace;
      // What the tools write reads back as the same format.
      uint32_t again = 0;
      uint32_t depthAgain = 0;
      EXPECT_TRUE(formatOfColourSpace(colourSpaceOf(chroma, bitDepth), again, depthAgain));
      EXPECT_EQ(again, chroma);
      EXPECT_EQ(depthAgain, bitDepth);
    }
  }
}

TEST(Y4mHeader, ReadsAndWritesTheParameters) {
  Y4mHeader header;
  std::string reason;
  ASSERT_TRUE(
      parseY4mHeader("W175 H143 F30000:1001 It A1:1 C420p10 XYSCSS=420P10", header, reason));
  EXPECT_EQ(header.width, 175u);
  EXPECT_EQ(header.height, 143u);
  EXPECT_EQ(y4mHeaderLine(header),
            "YUV4MPEG2 W175 H143 F30000:1001 It A1:1 C420p10 XYSCSS=420P10\n");

  Y4mHeader plain;
  ASSERT_TRUE(parseY4mHeader("H2 W4", plain, reason));  // any order, defaults for the rest
  EXPECT_EQ(y4mHeaderLine(plain), "YUV4MPEG2 W4 H2 F25:1 Ip A0:0 C420jpeg\n");

  for (const char* bad : {"W175", "W175 Hx", "W-1 H2", "W99999999999 H2", ""}) {
    Y4mHeader refused;
    EXPECT_FALSE(parseY4mHeader(bad, refused, reason)) << bad;
  }
}

TEST(Y4mHeader, KeepsOnlyWellFormedTags) {
  const struct {
    const char* parameters;
    const char* written;
  } cases[] = {
      {"W4 H2 F0:0 Iz A-1:x", "F25:1 Ip A0:0 C420jpeg"},
      {"W4 H2 F25:0 Im A1:", "F25:1 I? A0:0 C420jpeg"},
      {"W4 H2 F1:1 I? A0:0 XCOLORRANGE=FULL X\x1b[2J XYSCSS=420JPEG",
       "F1:1 I? A0:0 C420jpeg XCOLORRANGE=FULL XYSCSS=420JPEG"},
      {"W4 H2 F4294967295:1 A4294967296:1 Ib", "F4294967295:1 Ib A0:0 C420jpeg"},
  };
  for (const auto& c : cases) {
    Y4mHeader header;
    std::string reason;
    ASSERT_TRUE(parseY4mHeader(c.parameters, header, reason)) << c.parameters;
    EXPECT_EQ(y4mHeaderLine(header), std::string("YUV4MPEG2 W4 H2 ") + c.written + "\n")
        << c.parameters;
  }
}

// Within the 96 bytes ffmpeg reads, but for the layout record, which is
// always written.
TEST(Y4mHeader, StaysReadableByDroppingExtensionsButTheLayoutRecord) {
  Y4mHeader header;
  header.width = 4;
  header.height = 2;
  const std::string start = "YUV4MPEG2 W4 H2 F25:1 Ip A0:0 C420jpeg XFIRST";
  // Exactly the readable line, its end included, with " XLAST" at the end.
  const size_t fitting = kY4mReadableHeader - start.size() - 2 - 6 - 1;
  header.extensions = {"FIRST", std::string(fitting, 'a'), "LAST"};
  EXPECT_EQ(y4mHeaderLine(header), start + " X" + std::string(fitting, 'a') + " XLAST\n");
  header.extensions[1].push_back('a');  // one byte too many: the last tag goes
  EXPECT_EQ(y4mHeaderLine(header), start + " X" + std::string(fitting + 1, 'a') + "\n");
  header.extensions[1].resize(kY4mReadableHeader);  // never fits: the others stay
  EXPECT_EQ(y4mHeaderLine(header), start + " XLAST\n");
  header.extensions = {"FIRST", std::string(fitting + 6, 'a'), "MVWEAVE=1,N2,L8,G1"};
  EXPECT_EQ(y4mHeaderLine(header),
            start + " X" + std::string(fitting + 6, 'a') + " XMVWEAVE=1,N2,L8,G1\n");
}

TEST(Y4mPath, EndsInY4mInAnyCase) {
  EXPECT_TRUE(isY4mPath("multiview.y4m"));
  EXPECT_TRUE(isY4mPath("CAM0.Y4M"));
  EXPECT_FALSE(isY4mPath("cam0.yuv"));
  EXPECT_FALSE(isY4mPath("y4m"));
  EXPECT_FALSE(isY4mPath("cam0.y4m.yuv"));
}

}  // namespace
}  // namespace mvweave
