// The layout as a listing, for pipelines: a header line "index,camera,frame"
// and one line per frame the run moves, in the order of the interleaved
// sequence, with its position in the interleaved file, its camera and its
// position in that camera's file, exactly as the run reads and writes them.
#ifndef MVWEAVE_CLI_LAYOUT_LISTING_H
#define MVWEAVE_CLI_LAYOUT_LISTING_H

#include <cstdio>

#include "mvweave/configuration.h"
#include "mvweave/layout.h"

namespace mvweave {

// FirstFrm shifts the camera frames when the interleaved file is written
// (mvweave) and the interleaved positions when it is read (mvunweave).
// False at the first write that fails (a reader that has gone), at once,
// and when `stopRequested` says so between blocks of lines.
bool writeLayoutListing(const Layout& layout, uint32_t firstFrm, InterleavedFile interleaved,
                        std::FILE* out, const StopCheck& stopRequested);

}  // namespace mvweave

#endif
