// What is mvunweave's own: its help text and banner, character for character
// as users and their scripts know them (its columns are one wider than
// mvweave's), its configuration keys (Output lines are the cameras) and the
// layout of its verbose report.
#include "split_tool.h"

namespace mvweave {

namespace {

constexpr char kHelp[] =
    "\n"
    "mvunweave - takes apart the interleaved YUV-sequences of Multiview Coding software\n"
    "             to separate camera sequences.\n"
    "             [mvunweave 1.0, multiview sequence separator, December 2026]\n"
    "\n"
    "Syntax:      mvunweave [switches] configFile\n"
    "\n"
    "switches:\n"
    " /H          helptext for mvunweave.\n"
    " /V          verbose CMD output.\n"
    " --layout            list where each frame goes, as CSV lines; write nothing.\n"
    " --zero-on-success   exit status 0 for success, 1 for failure.\n"
    " --strict            an input that runs short fails the run.\n"
    " --no-clobber        refuse to replace an existing file.\n"
    " --version           print the version.\n"
    " --                  no more switches: every later argument is a configFile.\n"
    "\n"
    "configFile:    full or relative path and filename of .cfg file.\n";

constexpr char kBanner[] = "*** mvunweave 1.0 - multiview sequence separator ***";

}  // namespace

const Tool kSplitTool = {"mvunweave", kHelp, kBanner, "mvunweave 1.0", InterleavedFile::kRead};

}  // namespace mvweave
