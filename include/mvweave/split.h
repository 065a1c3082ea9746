// mvunweave's run in one call: a request's sequence taken apart into its
// camera files, as merge() (merge.h) does the other way.
#ifndef MVWEAVE_SPLIT_H
#define MVWEAVE_SPLIT_H

#include "mvweave/file_system.h"
#include "mvweave/observer.h"
#include "mvweave/request.h"
#include "mvweave/status.h"

namespace mvweave {

Status split(const Request& request, Observer& observer);
Status split(const Request& request, Observer& observer, FileSystem& files);

}  // namespace mvweave

#endif
