// mvweave's run in one call: the camera files of a request interleaved into
// its sequence (see docs/library.md).
#ifndef MVWEAVE_MERGE_H
#define MVWEAVE_MERGE_H

#include "mvweave/file_system.h"
#include "mvweave/observer.h"
#include "mvweave/request.h"
#include "mvweave/status.h"

namespace mvweave {

// kNone once every frame was written and every output closed. Nothing is
// emptied before every check has passed; a run that fails or is cancelled
// after that removes what it wrote. With the system's file layer, or one of
// the caller's.
Status merge(const Request& request, Observer& observer);
Status merge(const Request& request, Observer& observer, FileSystem& files);

}  // namespace mvweave

#endif
