// mvunweave: one interleaved multiview sequence in, camera files out.
#ifndef MVWEAVE_SPLIT_SPLIT_TOOL_H
#define MVWEAVE_SPLIT_SPLIT_TOOL_H

#include "command_line.h"

namespace mvweave {

extern const Tool kSplitTool;

}  // namespace mvweave

#endif
