// What a run of either tool is asked to do, as a plain value: the one
// interleaved sequence, the camera files in camera order, the layout and
// where it starts, and what the pictures are. merge() writes the sequence
// from the cameras, split() the cameras from the sequence (merge.h,
// split.h); configuration files read into one (configuration.h).
#ifndef MVWEAVE_REQUEST_H
#define MVWEAVE_REQUEST_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "mvweave/layout.h"

namespace mvweave {

// How the sequence holds the cameras' frames: one after another in GOP
// blocks (frames, as the layout says), or tiled into one picture a frame
// of every camera: side by side, top and bottom, or a grid of columns x
// rows, the cameras row by row. Each plane is tiled on its own.
struct Packing {
  enum class Kind { kFrames, kSideBySide, kTopBottom, kGrid };
  Kind kind = Kind::kFrames;
  uint32_t columns = 0;  // a grid's
  uint32_t rows = 0;
};

struct Request {
  std::string sequence;              // the interleaved sequence
  std::vector<std::string> cameras;  // one file per camera, in camera order

  // The layout (layout.h), as unsigned 32-bit numbers. What is not set
  // comes from the layout record of a Y4M sequence that split() reads;
  // without one, GOPLength 8, NumGOP 1, NumFrm 0.
  std::optional<uint32_t> gopLength;
  std::optional<uint32_t> numGop;
  std::optional<uint32_t> numFrm;
  // merge: the first frame taken from each camera file; split: groups of
  // one frame per camera skipped at the start of the sequence (pictures of
  // a packed one).
  uint32_t firstFrm = 0;

  // What is not set comes from the first Y4M input's header; without one,
  // 640 x 480, and frames of P + P/2 bytes (P = width x height) unless a
  // chroma format or bit depth is set, which makes frames planar: 400, 420,
  // 422 or 444, at 8 to 16 bits.
  std::optional<uint32_t> width;
  std::optional<uint32_t> height;
  std::optional<uint32_t> chromaFormat;
  std::optional<uint32_t> bitDepth;

  // Unset: as a Y4M sequence that split() reads records it, else frames.
  std::optional<Packing> packing;

  // An input that runs short fails the run instead of being padded with
  // zeros.
  bool strict = false;
  // An output that is a regular file with data in it refuses the run.
  bool noClobber = false;
};

// The layout the request gives, with a camera for each camera file, and
// the defaults for what it leaves unset.
Layout layoutOf(const Request& request);

}  // namespace mvweave

#endif
