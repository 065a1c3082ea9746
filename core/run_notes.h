// Everything a run notes before it empties anything, so that a mistake is
// named before a byte is written: a run without cameras, paths that are
// empty, inputs whose size is no whole number of frames or whose length does
// not fit the layout. The run goes on
// after each note; only a Y4M frame line that the walk would refuse stops
// it here.
#ifndef MVWEAVE_CORE_RUN_NOTES_H
#define MVWEAVE_CORE_RUN_NOTES_H

#include <cstdint>
#include <string>
#include <vector>

#include "frame_sink.h"
#include "frame_source.h"
#include "mvweave/configuration.h"
#include "mvweave/layout.h"
#include "mvweave/observer.h"
#include "mvweave/status.h"
#include "picture_format.h"

namespace mvweave {

// A note on an input.
Note noteOn(const FrameSource& source, std::string text, Note::Kind kind = Note::Kind::kNote);

// A mvweave run without cameras: it empties its output.
Note noCameraNote(const FrameSink& output);

// `status`, with the reason a path is empty as its detail: no configuration
// file at all, no line with the key, or a value without its double quotes.
Status explainEmptyPath(const Status& status, const ConfiguredPath& path, const char* key,
                        bool anyConfigFile);

// Inputs whose size is no whole number of frames, and an odd picture size
// taken as P + P/2. A packed sequence's frames are pictures of a `packing`
// ("side-by-side") of `format`.
std::vector<Note> geometryNotes(const std::vector<FrameSource>& sources,
                                const PictureFormat& format, uint32_t frameSize,
                                const std::string& packing = {});

struct LengthNote {
  size_t source;  // the index of the input
  bool runsOut;   // it holds too few frames; else some are left out
  Note note;
};

// Inputs of known length that hold fewer frames than the layout takes from
// them, and an interleaved file that holds more than the layout reads.
// Counting reads a Y4M file's frame lines only as far as the layout goes
// (one more for the interleaved file), and fails (kRead) at one that the
// walk would refuse. Without `zeroFill`, frames missing are said to be
// missing, not to be written as zeros. A `packed` sequence's frames are
// pictures (`frameSize` a picture's), one for each frame of a camera.
Status lengthNotes(const std::vector<FrameSource>& sources, const Layout& layout, uint32_t firstFrm,
                   uint32_t frameSize, InterleavedFile interleaved, std::vector<LengthNote>& notes,
                   bool zeroFill = true, bool packed = false);

// The detail of the warning of a source that ran out during the walk;
// `framesTaken` is what the layout takes from it.
std::string ranOutDetail(const FrameSource& source, const std::string& framesTaken);

}  // namespace mvweave

#endif
