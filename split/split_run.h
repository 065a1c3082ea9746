// The run of mvunweave: one interleaved sequence in, camera files out.
#ifndef MVWEAVE_SPLIT_SPLIT_RUN_H
#define MVWEAVE_SPLIT_SPLIT_RUN_H

#include "command_line.h"

// Opens the sequence and creates every camera file, writes the verbose
// report, walks the layout and closes everything. True once all succeeded.
bool runSplit();

extern const ToolVariant kSplitTool;

#endif
