// The layout as a listing, for pipelines, exactly as the run reads and
// writes the frames, in the order of the interleaved sequence:
//   index,camera,frame        a line per frame: its position in the
//                             interleaved file, its camera and its position
//                             in that camera's file;
//   picture,camera,frame,x,y  for a packed sequence, a line per camera
//                             frame: the picture it is in, its camera and
//                             frame, and the top left corner of its tile in
//                             luma samples.
#ifndef MVWEAVE_CLI_LAYOUT_LISTING_H
#define MVWEAVE_CLI_LAYOUT_LISTING_H

#include <cstdint>
#include <cstdio>

#include "mvweave/configuration.h"
#include "mvweave/layout.h"
#include "packing.h"

namespace mvweave {

// The tiles of a packed sequence: a grid of pictures of a size.
struct Tiles {
  Grid grid;  // not tiled: frames
  uint32_t width = 0;
  uint32_t height = 0;
};

// FirstFrm shifts the camera frames when the interleaved file is written
// (mvweave) and the interleaved positions when it is read (mvunweave).
// False at the first write that fails (a reader that has gone), at once,
// and when `stopRequested` says so between blocks of lines.
bool writeLayoutListing(const Layout& layout, uint32_t firstFrm, InterleavedFile interleaved,
                        const Tiles& tiles, std::FILE* out, const StopCheck& stopRequested);

}  // namespace mvweave

#endif
