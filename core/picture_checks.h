// What a run's pictures are, and whether its inputs agree: the picture
// format that the request and the Y4M inputs' headers give together, the
// checks that stop a run whose Y4M inputs disagree with it.
#ifndef MVWEAVE_CORE_PICTURE_CHECKS_H
#define MVWEAVE_CORE_PICTURE_CHECKS_H

#include <string>
#include <vector>

#include "frame_source.h"
#include "mvweave/request.h"
#include "mvweave/status.h"
#include "packing.h"
#include "picture_format.h"

namespace mvweave {

// The first Y4M input, if any.
const FrameSource* firstY4mSource(const std::vector<FrameSource>& sources);

// What the request sets; what it leaves unset from the first Y4M input's
// header, else 640 x 480 and frames of P + P/2 bytes. A format key or a Y4M
// input makes frames planar. The first Y4M input's pictures hold `tiles`
// of the run's (a packed sequence that is split): its size is divided.
PictureFormat pictureFormatOf(const Request& request, const FrameSource* firstY4m,
                              const Grid& tiles = {1, 1});

// Where the picture format comes from, for messages: "as the configuration
// gives them", the first Y4M input's header, or both.
std::string formatOriginOf(const Request& request, const FrameSource* firstY4m);

// kUnsupportedFormat for a Y4M colour space the tools do not handle, and
// kY4mMismatch for a header that disagrees with the format, in one sentence
// naming the file, both formats and where the run's came from.
Status checkY4mHeaders(const std::vector<FrameSource>& sources, const PictureFormat& format,
                       const std::string& formatOrigin);

// kY4mMismatch for a packed sequence whose header's size is no whole
// number of tiles.
Status checkY4mTiles(const FrameSource& sequence, const Packing& packing, const Grid& grid);

}  // namespace mvweave

#endif
