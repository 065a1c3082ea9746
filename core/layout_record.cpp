// Reading and writing the layout record of a Y4M header.
#include "layout_record.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "counts.h"
#include "packing.h"

namespace mvweave {

namespace {

constexpr size_t kTagLength = sizeof kLayoutRecordTag - 1;

bool isRecord(const std::string& extension) {
  return extension.compare(0, kTagLength, kLayoutRecordTag) == 0;
}

// A decimal number of 32 bits, and nothing else.
bool numberIn(const std::string& text, uint32_t& number) {
  if (text.empty() || text.size() > 10 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  const uint64_t value = std::stoull(text);
  number = static_cast<uint32_t>(value);
  return value <= UINT32_MAX;
}

std::vector<std::string> fieldsOf(const std::string& text) {
  std::vector<std::string> fields;
  for (size_t start = 0; start <= text.size();) {
    const size_t end = std::min(text.find(',', start), text.size());
    fields.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return fields;
}

struct Field {
  char letter;
  std::optional<uint32_t> LayoutRecord::*value;
};
constexpr Field kFields[] = {{'N', &LayoutRecord::cameras},  {'L', &LayoutRecord::gopLength},
                             {'G', &LayoutRecord::numGop},   {'F', &LayoutRecord::numFrm},
                             {'S', &LayoutRecord::firstFrm}, {'C', &LayoutRecord::camera}};

// The field's number into its place in the record; false for an unknown
// letter, a value that is no number, or a letter given twice.
bool take(const std::string& field, LayoutRecord& record) {
  if (!field.empty() && field[0] == 'P') {
    Packing grid;
    if (record.packing || !packingNamed(field.substr(1), grid) ||
        grid.kind != Packing::Kind::kGrid) {
      return false;
    }
    record.packing = grid;
    return true;
  }
  uint32_t number = 0;
  if (field.empty() || !numberIn(field.substr(1), number)) return false;
  for (const Field& known : kFields) {
    if (field[0] != known.letter) continue;
    if (record.*known.value) return false;
    record.*known.value = number;
    return true;
  }
  return false;
}

// The fields after the version into the record; the reason it is malformed,
// or nothing.
std::string takeFields(const std::vector<std::string>& fields, const std::string& tag,
                       LayoutRecord& record) {
  for (size_t i = 1; i < fields.size(); ++i) {
    if (!take(fields[i], record)) return "\"" + fields[i] + "\" in " + tag;
  }
  if (record.ofSequence()) {
    record.numFrm = record.numFrm.value_or(0);
    record.firstFrm = record.firstFrm.value_or(0);
  }
  if (!record.ofSequence() && !record.ofCamera()) {
    return tag + " tells neither a sequence's layout nor a camera";
  }
  return {};
}

}  // namespace

RecordFound findLayoutRecord(const Y4mHeader& header, LayoutRecord& record, std::string& reason) {
  const auto found = std::find_if(header.extensions.begin(), header.extensions.end(), isRecord);
  if (found == header.extensions.end()) return RecordFound::kNone;
  record = LayoutRecord{};
  const std::vector<std::string> fields = fieldsOf(found->substr(kTagLength));
  uint32_t version = 0;
  if (!numberIn(fields[0], version) || version == 0) {
    reason = "no version in X" + *found;
  } else if (version > kLayoutRecordVersion) {
    return RecordFound::kLaterVersion;
  } else if (std::find_if(found + 1, header.extensions.end(), isRecord) !=
             header.extensions.end()) {
    reason = "two MVWEAVE tags";
  } else {
    reason = takeFields(fields, "X" + *found, record);
  }
  return reason.empty() ? RecordFound::kRecord : RecordFound::kMalformed;
}

void putLayoutRecord(const LayoutRecord& record, Y4mHeader& header) {
  std::string text = kLayoutRecordTag + std::to_string(kLayoutRecordVersion);
  const auto add = [&text](char letter, std::optional<uint32_t> value) {
    if (value) text += std::string(",") + letter + std::to_string(*value);
  };
  add('C', record.camera);
  add('N', record.cameras);
  add('L', record.gopLength);
  add('G', record.numGop);
  if (record.numFrm != 0u) add('F', record.numFrm);
  if (record.firstFrm != 0u) add('S', record.firstFrm);
  if (record.packing)
    text +=
        ",P" + std::to_string(record.packing->columns) + "x" + std::to_string(record.packing->rows);
  auto& extensions = header.extensions;
  extensions.erase(std::remove_if(extensions.begin(), extensions.end(), isRecord),
                   extensions.end());
  extensions.insert(extensions.begin(), text);
}

bool recordOf(const Y4mHeader& header, const std::string& path, LayoutRecord& record,
              Observer& observer) {
  std::string reason;
  const auto note = [&](std::string text) {
    observer.note({Note::Kind::kNote,
                   path,
                   {},
                   0,
                   std::move(text) + "; the layout is the configuration's alone"});
  };
  switch (findLayoutRecord(header, record, reason)) {
    case RecordFound::kNone: return false;
    case RecordFound::kLaterVersion:
      note("its layout record is of a later version of the tools, which this one cannot read");
      return false;
    case RecordFound::kMalformed:
      note("its layout record is not one the tools read: " + reason);
      return false;
    case RecordFound::kRecord: break;
  }
  if (record.ofSequence()) return true;
  note("it was written as camera " + std::to_string(*record.camera) + " of " +
       std::to_string(*record.cameras) + ", not as an interleaved sequence");
  return false;
}

Status applyRecord(const LayoutRecord& record, const std::string& sequence, const Request& request,
                   Layout& layout, Packing& packing) {
  const auto differs = [&sequence](const std::string& recorded, const std::string& configured) {
    return problemWith(
        Problem::kLayoutMismatch, "", 0,
        sequence + " was written with " + recorded + "; the configuration " + configured);
  };
  if (request.cameras.size() != *record.cameras) {
    return differs(plural(*record.cameras, "camera"),
                   "names " + plural(request.cameras.size(), "camera"));
  }
  const struct {
    const char* key;
    const std::optional<uint32_t>& configured;
    uint32_t recorded;
    uint32_t& value;
  } keys[] = {{"GOPLength", request.gopLength, *record.gopLength, layout.gopLength},
              {"NumGOP", request.numGop, *record.numGop, layout.numGop},
              {"NumFrm", request.numFrm, *record.numFrm, layout.numFrm}};
  for (const auto& key : keys) {
    if (key.configured && *key.configured != key.recorded) {
      return differs(std::string(key.key) + " " + std::to_string(key.recorded),
                     "says " + std::to_string(*key.configured));
    }
    key.value = key.recorded;
  }
  const Packing recorded = record.packing.value_or(Packing{});
  packing = request.packing.value_or(recorded);
  const uint32_t cameras = *record.cameras;
  if (!(gridOf(packing, cameras) == gridOf(recorded, cameras))) {
    return differs("Packing " + nameOf(recorded), "says " + nameOf(packing));
  }
  return {};
}

std::optional<Y4mHeader> y4mHeaderOf(FileSystem& files, const std::string& path) {
  FileInfo named;
  FrameSource file;
  if (files.identify(path, named) != 0 || named.identity.kind != FileKind::kRegular ||
      !file.open(files, path).ok() || !file.recogniseFormat().ok()) {
    return std::nullopt;
  }
  return file.y4m();
}

Status splitLayoutOf(const Request& request, const std::optional<Y4mHeader>& header,
                     Observer& observer, Layout& layout, Packing& packing) {
  layout = layoutOf(request);
  packing = request.packing.value_or(Packing{});
  LayoutRecord record;
  if (!header || !recordOf(*header, request.sequence, record, observer)) return {};
  return applyRecord(record, request.sequence, request, layout, packing);
}

std::vector<Note> reorderedCameraNotes(const std::vector<FrameSource>& cameras) {
  std::vector<Note> notes;
  for (size_t c = 0; c < cameras.size(); ++c) {
    LayoutRecord record;
    std::string reason;
    if (!cameras[c].y4m() ||
        findLayoutRecord(*cameras[c].y4m(), record, reason) != RecordFound::kRecord ||
        !record.ofCamera() || *record.camera == c) {
      continue;
    }
    notes.push_back({Note::Kind::kNote,
                     {},
                     {},
                     0,
                     cameras[c].path() + " was camera " + std::to_string(*record.camera) + " of " +
                         std::to_string(*record.cameras) + " and is Input " + std::to_string(c) +
                         " here"});
  }
  return notes;
}

}  // namespace mvweave
