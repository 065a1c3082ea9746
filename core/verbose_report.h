// What the verbose report of both tools holds besides the paths, which each
// tool lays out in its own order and columns (merge/, split/).
#ifndef MVWEAVE_CORE_VERBOSE_REPORT_H
#define MVWEAVE_CORE_VERBOSE_REPORT_H

#include "console.h"
#include "run_settings.h"

namespace mvweave {

// The six layout numbers, and the picture format when a configuration gave
// it, each label 13 characters wide.
void writeNumberLines(const RunSettings& settings, Console& console);

}  // namespace mvweave

#endif
