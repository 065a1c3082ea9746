// mvweave: interleaves camera sequences into one multiview sequence.
#include "command_line.h"
#include "merge_tool.h"

int main(int argc, char** argv) { return mvweave::runTool(argc, argv, mvweave::kMergeTool); }
