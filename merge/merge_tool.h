// mvweave: camera files in, one interleaved multiview sequence out.
#ifndef MVWEAVE_MERGE_MERGE_TOOL_H
#define MVWEAVE_MERGE_MERGE_TOOL_H

#include "command_line.h"

namespace mvweave {

extern const Tool kMergeTool;

}  // namespace mvweave

#endif
