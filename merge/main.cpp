// mvweave: interleaves camera sequences into one multiview sequence.
#include "command_line.h"
#include "merge_run.h"

int main(int argc, char** argv) { return runTool(argc, argv, kMergeTool); }
