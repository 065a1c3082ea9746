// mvunweave: takes an interleaved multiview sequence apart into camera files.
#include "command_line.h"
#include "split_tool.h"

int main(int argc, char** argv) { return mvweave::runTool(argc, argv, mvweave::kSplitTool); }
