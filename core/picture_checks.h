// What a run's pictures are, and whether its inputs agree: the picture
// format that the settings and the Y4M inputs' headers give together, the
// checks that stop a run whose Y4M inputs disagree with it.
#ifndef MVWEAVE_CORE_PICTURE_CHECKS_H
#define MVWEAVE_CORE_PICTURE_CHECKS_H

#include <cstdint>
#include <string>
#include <vector>

#include "frame_source.h"
#include "mvweave/settings.h"
#include "mvweave/status.h"
#include "picture_format.h"
#include "y4m.h"

namespace mvweave {

// The first Y4M input, if any.
const FrameSource* firstY4mSource(const std::vector<FrameSource>& sources);

// The settings, with the picture keys that no configuration file gave taken
// from the first Y4M input's header.
RunSettings settingsWithY4m(const RunSettings& settings, const FrameSource* firstY4m);

// Where the picture format comes from, for messages: "the configuration
// gives", the first Y4M input's header, or both.
std::string formatOriginOf(const RunSettings& settings, const FrameSource* firstY4m);

// kUnsupportedFormat for a Y4M colour space the tools do not handle, and
// kY4mMismatch for a header that disagrees with the format, in one sentence
// naming the file, both formats and where the run's came from.
Status checkY4mHeaders(const std::vector<FrameSource>& sources, const PictureFormat& format,
                       const std::string& formatOrigin);

}  // namespace mvweave

#endif
