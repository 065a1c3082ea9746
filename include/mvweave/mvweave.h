// The mvweave library: the interleaved multiview layout, and the runs of
// mvweave and mvunweave over a file layer of the caller's choosing.
//   find_package(mvweave CONFIG REQUIRED)
//   target_link_libraries(app PRIVATE mvweave::core)
#ifndef MVWEAVE_MVWEAVE_H
#define MVWEAVE_MVWEAVE_H

#include "mvweave/console.h"
#include "mvweave/file_system.h"
#include "mvweave/layout.h"
#include "mvweave/run.h"
#include "mvweave/settings.h"
#include "mvweave/status.h"

#endif
