// The mvweave library: the interleaved multiview layout, and the runs of
// mvweave and mvunweave, in one call each; see docs/library.md.
//   find_package(mvweave CONFIG REQUIRED)
//   target_link_libraries(app PRIVATE mvweave::core)
#ifndef MVWEAVE_MVWEAVE_H
#define MVWEAVE_MVWEAVE_H

#include "mvweave/configuration.h"
#include "mvweave/file_system.h"
#include "mvweave/layout.h"
#include "mvweave/merge.h"
#include "mvweave/observer.h"
#include "mvweave/request.h"
#include "mvweave/split.h"
#include "mvweave/status.h"

#endif
