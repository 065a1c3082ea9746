// The layout a Y4M file written by the tools records in its header, in one
// X parameter, which readers that do not know it skip; short, for ffmpeg
// reads no header line longer than 96 bytes:
//   XMVWEAVE=1,N3,L8,G3,F30,S5   a sequence: 3 cameras, GOPLength 8,
//                                NumGOP 3, NumFrm 30, FirstFrm 5
//   XMVWEAVE=1,N4,L8,G3,P2x2     a sequence packed in a grid of 2 x 2
//   XMVWEAVE=1,C2,N3             a camera file: camera 2 of 3
// The first field is the record's version, so that it can grow; then a
// letter and a decimal number each (P: a grid, columns x rows), in any
// order; F and S are 0 when they are left out, a sequence without P holds
// frames one after another. S, FirstFrm, is where the cameras' frames began in their
// files when the sequence was written: no split's FirstFrm. A raw file
// records nothing.
#ifndef MVWEAVE_CORE_LAYOUT_RECORD_H
#define MVWEAVE_CORE_LAYOUT_RECORD_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "frame_source.h"
#include "mvweave/layout.h"
#include "mvweave/observer.h"
#include "mvweave/request.h"
#include "mvweave/status.h"
#include "y4m.h"

namespace mvweave {

struct LayoutRecord {
  std::optional<uint32_t> cameras;  // N
  // A sequence's.
  std::optional<uint32_t> gopLength;
  std::optional<uint32_t> numGop;
  std::optional<uint32_t> numFrm;
  std::optional<uint32_t> firstFrm;
  std::optional<Packing> packing;  // a grid
  // A camera file's: which camera of N.
  std::optional<uint32_t> camera;

  [[nodiscard]] bool ofSequence() const { return cameras && gopLength && numGop && !camera; }
  [[nodiscard]] bool ofCamera() const {
    return cameras && camera && !gopLength && !numGop && !packing;
  }
};

constexpr uint32_t kLayoutRecordVersion = 1;

enum class RecordFound { kNone, kRecord, kLaterVersion, kMalformed };

// The record among a header's X parameters. kMalformed, with the reason,
// for one that is neither a sequence's nor a camera's as above, or a
// second one.
RecordFound findLayoutRecord(const Y4mHeader& header, LayoutRecord& record, std::string& reason);

// The header with `record` as its first X parameter, and no other record
// (one copied from an input's header).
void putLayoutRecord(const LayoutRecord& record, Y4mHeader& header);

// A split's sequence's record, when its header has one the run can go by;
// a record of a later version, a malformed one or a camera file's is noted
// instead.
bool recordOf(const Y4mHeader& header, const std::string& path, LayoutRecord& record,
              Observer& observer);

// The layout keys and the packing the request leaves unset, from the
// record; kLayoutMismatch where a key it sets, its packing's grid or its
// number of cameras differs from the record.
Status applyRecord(const LayoutRecord& record, const std::string& sequence, const Request& request,
                   Layout& layout, Packing& packing);

// The Y4M header of a regular file, read and no more; none for a raw file,
// one that cannot be read, or one that is no regular file (a pipe is read
// once).
std::optional<Y4mHeader> y4mHeaderOf(FileSystem& files, const std::string& path);

// The layout and packing a split of `request` goes by, its sequence's
// `header` as y4mHeaderOf() reads it: what the request sets, the rest from
// the header's record.
Status splitLayoutOf(const Request& request, const std::optional<Y4mHeader>& header,
                     Observer& observer, Layout& layout, Packing& packing);

// Y4M cameras of a merge whose records say they were other cameras of the
// split that wrote them ("back2.y4m was camera 2 of 3 and is Input 0
// here"): reordering cameras may be meant, so these are notes.
std::vector<Note> reorderedCameraNotes(const std::vector<FrameSource>& cameras);

}  // namespace mvweave

#endif
