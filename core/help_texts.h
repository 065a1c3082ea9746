// The help texts and verbose banners of both tools, character for character.
// The two help texts differ in their column widths on purpose: every line is
// kept exactly as users and their scripts know it.
#ifndef MVWEAVE_CORE_HELP_TEXTS_H
#define MVWEAVE_CORE_HELP_TEXTS_H

namespace texts {

constexpr const char kMergeHelp[] =
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
    "\n"
    "configFile: full or relative path and filename of .cfg file.\n";

constexpr const char kSplitHelp[] =
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
    "\n"
    "configFile:    full or relative path and filename of .cfg file.\n";

constexpr const char kMergeBanner[] = "*** mvweave 1.0 - multiview sequence interleaver ***";
constexpr const char kSplitBanner[] = "*** mvunweave 1.0 - multiview sequence separator ***";

}  // namespace texts

#endif
