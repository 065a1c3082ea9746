// mvunweave: takes an interleaved multiview sequence apart into camera files.
#include "command_line.h"
#include "split_run.h"

int main(int argc, char** argv) { return runTool(argc, argv, kSplitTool); }
