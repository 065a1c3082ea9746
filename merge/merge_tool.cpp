// What is mvweave's own: its help text and banner, character for character
// as users and their scripts know them, and which side of a run the interleaved
// file is (it writes it, so its Input lines are the cameras).
#include "merge_tool.h"

namespace mvweave {

namespace {

constexpr char kHelp[] =
    "\n"
    "mvweave:    brings the YUV sequences of several cameras together into one sequence,\n"
    "            which can be used as input to Multi-view video encoder software.\n"
    "            [mvweave 1.0, multiview sequence interleaver, December 2026]\n"
    "\n"
    "Syntax:     mvweave [switches] configFile\n"
    "\n"
    "switches:\n"
    " /H         helptext for mvweave.\n"
    " /V         verbose CMD output.\n"
    " --layout           list where each frame goes, as CSV lines; write nothing.\n"
    " --zero-on-success  exit status 0 for success, 1 for failure.\n"
    " --strict           an input that runs short fails the run.\n"
    " --no-clobber       refuse to replace an existing file.\n"
    " --version          print the version.\n"
    " --                 no more switches: every later argument is a configFile.\n"
    "\n"
    "configFile: full or relative path and filename of .cfg file.\n";

constexpr char kBanner[] = "*** mvweave 1.0 - multiview sequence interleaver ***";

}  // namespace

const Tool kMergeTool = {"mvweave", kHelp, kBanner, "mvweave 1.0", InterleavedFile::kWritten};

}  // namespace mvweave
