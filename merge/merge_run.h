// The run of mvweave: camera files in, one interleaved sequence out.
#ifndef MVWEAVE_MERGE_MERGE_RUN_H
#define MVWEAVE_MERGE_MERGE_RUN_H

#include "command_line.h"

// Opens every camera file and creates the output, writes the verbose report,
// walks the layout and closes everything. True once all of that succeeded.
bool runMerge();

extern const ToolVariant kMergeTool;

#endif
