#include "layout_record.h"

#include <gtest/gtest.h>

#include <string>

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
  putLayoutRecord(record, header);
  ASSERT_EQ(header.extensions.size(), 2u);
  EXPECT_EQ(header.extensions[0], "MVWEAVE=1,N4,L2,G4294967295,S7");
  EXPECT_EQ(header.extensions[1], "COLORRANGE=FULL");
  LayoutRecord back;
  std::string reason;
  ASSERT_EQ(findLayoutRecord(header, back, reason), RecordFound::kRecord);
  EXPECT_EQ(fieldsOf(back), "N4 L2 G4294967295 F0 S7");
}

}  // namespace
}  // namespace mvweave
