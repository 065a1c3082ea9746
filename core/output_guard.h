// The outputs a run must refuse before it empties any: an output that is an
// input or a configuration file (by any path or link, the same pipe, the
// same block device), and a regular file or block device that takes the
// frames of two outputs.
#ifndef MVWEAVE_CORE_OUTPUT_GUARD_H
#define MVWEAVE_CORE_OUTPUT_GUARD_H

#include <cstddef>
#include <vector>

#include "frame_sink.h"
#include "frame_source.h"
#include "run.h"
#include "status.h"

namespace mvweave {

// kOutputIsInput or kOutputNamedTwice for the output at `index`, checked
// against the inputs, the configuration files and the outputs before it.
Status guardOutput(const std::vector<FrameSink>& sinks, size_t index,
                   const std::vector<FrameSource>& sources,
                   const std::vector<ConfigFile>& configFiles);

}  // namespace mvweave

#endif
