// The verbose report, written once every file of a run is open: the paths
// and numbers of the settings, each tool in its own order and columns, as
// users and their scripts know them.
#ifndef MVWEAVE_CORE_VERBOSE_REPORT_H
#define MVWEAVE_CORE_VERBOSE_REPORT_H

#include "mvweave/console.h"
#include "mvweave/settings.h"

namespace mvweave {

void writeVerboseReport(const RunSettings& settings, InterleavedFile interleaved, Console& console);

}  // namespace mvweave

#endif
