// mvweave's run: the camera files of a request interleaved into its
// sequence, in one call.
//   mvweave::Request request;
//   request.cameras = {"cam0.yuv", "cam1.yuv"};
//   request.sequence = "multiview.yuv";
//   request.width = 1920; request.height = 1080;
//   mvweave::Observer silent;
//   mvweave::Status status = mvweave::merge(request, silent);
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
