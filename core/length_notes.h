// What the inputs' lengths say about the layout, for standard error before
// anything is written: an input that holds fewer frames than the layout
// takes from it (the rest will be zeros: a FirstFrm past the end, an absurd
// NumGOP), and an interleaved file that holds more frames than the layout
// reads (a wrong NumGOP or GOPLength, a camera missing from the Output
// lines). Only inputs whose length is known, files and block devices, are
// counted; a pipe gets no note.
#ifndef MVWEAVE_CORE_LENGTH_NOTES_H
#define MVWEAVE_CORE_LENGTH_NOTES_H

#include <cstdint>
#include <string>
#include <vector>

#include "frame_schedule.h"
#include "frame_source.h"

namespace mvweave {

struct LengthNote {
  size_t source;  // the index of the input
  bool runsOut;   // it holds too few frames; else some are left out
  std::string text;
};

// `readsInterleaved`: the sources are the interleaved file (mvunweave), not
// the cameras (mvweave).
std::vector<LengthNote> lengthNotes(const std::vector<FrameSource>& sources,
                                    const FrameSchedule& schedule, uint32_t firstFrm,
                                    uint32_t frameSize, bool readsInterleaved);

}  // namespace mvweave

#endif
