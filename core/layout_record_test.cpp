#include "layout_record.h"

#include <gtest/gtest.h>

#include <string>

#include "packing.h"

namespace mvweave {
namespace {

// "N3 L8 G3 F0 S0", or the camera's "C2 N3": what a record read holds.
std::string fieldsOf(const LayoutRecord& record) {
  std::string text;
  const auto add = [&text](const char* letter, std::optional<uint32_t> value) {
    if (value) text += (text.empty() ? "" : " ") + std::string(letter) + std::to_string(*value);
  };
  add("C", record.camera);
  add("N", record.cameras);
  add("L", record.gopLength);
  add("G", record.numGop);
  add("F", record.numFrm);
  add("S", record.firstFrm);
  if (record.packing) {
    text +=
        " P" + std::to_string(record.packing->columns) + "x" + std::to_string(record.packing->rows);
  }
  return text;
}

TEST(LayoutRecord, IsReadOrRefusedAsItStands) {
  const struct {
    const char* tags;
    RecordFound found;
    const char* fields;  // or the reason
  } cases[] = {
      {"MVWEAVE=1,N3,L8,G3", RecordFound::kRecord, "N3 L8 G3 F0 S0"},
      {"COLORRANGE=FULL MVWEAVE=1,G3,N3,L8,S5,F30", RecordFound::kRecord, "N3 L8 G3 F30 S5"},
      {"MVWEAVE=1,C2,N3", RecordFound::kRecord, "C2 N3"},
      {"MVWEAVE=1,N4,L8,G3,P2x2", RecordFound::kRecord, "N4 L8 G3 F0 S0 P2x2"},
      {"MVWEAVE=1,P1x3,N3,L1,G0", RecordFound::kRecord, "N3 L1 G0 F0 S0 P1x3"},
      {"MVWEAVE=1,N4,L8,G3,P2x2,P4x1", RecordFound::kMalformed,
       "\"P4x1\" in XMVWEAVE=1,N4,L8,G3,P2x2,P4x1"},
      {"MVWEAVE=1,N2,L8,G3,Pside-by-side", RecordFound::kMalformed,
       "\"Pside-by-side\" in XMVWEAVE=1,N2,L8,G3,Pside-by-side"},
      {"MVWEAVE=1,N2,L8,G3,P0x2", RecordFound::kMalformed, "\"P0x2\" in XMVWEAVE=1,N2,L8,G3,P0x2"},
      {"MVWEAVE=1,C1,N2,P2x1", RecordFound::kMalformed,
       "XMVWEAVE=1,C1,N2,P2x1 tells neither a sequence's layout nor a camera"},
      {"COLORRANGE=FULL", RecordFound::kNone, ""},
      {"MVWEAVE=2,N3,Q7", RecordFound::kLaterVersion, ""},
      {"MVWEAVE=1,N3,L8", RecordFound::kMalformed,
       "XMVWEAVE=1,N3,L8 tells neither a sequence's layout nor a camera"},
      {"MVWEAVE=1,C2,N3,L8,G3", RecordFound::kMalformed,
       "XMVWEAVE=1,C2,N3,L8,G3 tells neither a sequence's layout nor a camera"},
      {"MVWEAVE=1,N3,N4,L8,G3", RecordFound::kMalformed, "\"N4\" in XMVWEAVE=1,N3,N4,L8,G3"},
      {"MVWEAVE=1,N3,L8,G3,Q1", RecordFound::kMalformed, "\"Q1\" in XMVWEAVE=1,N3,L8,G3,Q1"},
      {"MVWEAVE=1,N3,L-8,G3", RecordFound::kMalformed, "\"L-8\" in XMVWEAVE=1,N3,L-8,G3"},
      {"MVWEAVE=1,N4294967296,L8,G3", RecordFound::kMalformed,
       "\"N4294967296\" in XMVWEAVE=1,N4294967296,L8,G3"},
      {"MVWEAVE=1,N3,L8,G3,", RecordFound::kMalformed, "\"\" in XMVWEAVE=1,N3,L8,G3,"},
      {"MVWEAVE=0,N3,L8,G3", RecordFound::kMalformed, "no version in XMVWEAVE=0,N3,L8,G3"},
      {"MVWEAVE=N3", RecordFound::kMalformed, "no version in XMVWEAVE=N3"},
      {"MVWEAVE=1,N3,L8,G3 MVWEAVE=1,C0,N3", RecordFound::kMalformed, "two MVWEAVE tags"},
  };
  for (const auto& c : cases) {
    Y4mHeader header;
    std::string reason;
    const std::string tags = c.tags;
    for (size_t start = 0; start < tags.size();) {
      const size_t end = std::min(tags.find(' ', start), tags.size());
      header.extensions.push_back(tags.substr(start, end - start));
      start = end + 1;
    }
    LayoutRecord record;
    EXPECT_EQ(findLayoutRecord(header, record, reason), c.found) << c.tags;
    EXPECT_EQ(c.found == RecordFound::kMalformed ? reason : fieldsOf(record),
              c.found == RecordFound::kRecord || c.found == RecordFound::kMalformed ? c.fields : "")
        << c.tags;
  }
}

// Written first among the X tags, in place of one copied from an input, it
// reads back as itself.
TEST(LayoutRecord, IsWrittenFirstAndReadsBack) {
  Y4mHeader header;
  header.extensions = {"COLORRANGE=FULL", "MVWEAVE=1,C0,N2"};
  LayoutRecord record;
  record.cameras = 4;
  record.gopLength = 2;
  record.numGop = 4294967295u;
  record.numFrm = 0;
  record.firstFrm = 7;
  record.packing = Packing{Packing::Kind::kGrid, 2, 2};
  putLayoutRecord(record, header);
  ASSERT_EQ(header.extensions.size(), 2u);
  EXPECT_EQ(header.extensions[0], "MVWEAVE=1,N4,L2,G4294967295,S7,P2x2");
  EXPECT_EQ(header.extensions[1], "COLORRANGE=FULL");
  LayoutRecord back;
  std::string reason;
  ASSERT_EQ(findLayoutRecord(header, back, reason), RecordFound::kRecord);
  EXPECT_EQ(fieldsOf(back), "N4 L2 G4294967295 F0 S7 P2x2");
}

// A split takes the recorded packing where its request sets none, and
// refuses one whose grid differs; side-by-side is the grid N x 1.
TEST(LayoutRecord, GivesItsPackingOrRefusesAnother) {
  LayoutRecord record;
  record.cameras = 2;
  record.gopLength = 8;
  record.numGop = 1;
  record.numFrm = 0;
  record.packing = Packing{Packing::Kind::kGrid, 2, 1};
  const struct {
    std::optional<Packing> asked;
    const char* packing;  // or the detail of the refusal
  } cases[] = {
      {std::nullopt, "2x1"},
      {Packing{Packing::Kind::kSideBySide}, "side-by-side"},
      {Packing{Packing::Kind::kGrid, 2, 1}, "2x1"},
      {Packing{Packing::Kind::kTopBottom},
       "s.y4m was written with Packing 2x1; the configuration says top-bottom"},
      {Packing{}, "s.y4m was written with Packing 2x1; the configuration says frames"},
  };
  for (const auto& c : cases) {
    Request request;
    request.cameras = {"a", "b"};
    request.packing = c.asked;
    Layout layout;
    Packing packing;
    const Status status = applyRecord(record, "s.y4m", request, layout, packing);
    EXPECT_EQ(status.ok() ? nameOf(packing) : status.detail, c.packing);
  }
  Request unpacked;
  unpacked.cameras = {"a", "b"};
  unpacked.packing = Packing{Packing::Kind::kSideBySide};
  LayoutRecord frames = record;
  frames.packing.reset();
  Layout layout;
  Packing packing;
  EXPECT_EQ(applyRecord(frames, "s.y4m", unpacked, layout, packing).detail,
            "s.y4m was written with Packing frames; the configuration says side-by-side");
}

}  // namespace
}  // namespace mvweave
