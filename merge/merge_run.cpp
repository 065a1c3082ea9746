// mvweave's run. Camera files are opened in camera order, then the output,
// which is refused when it is one of the inputs; it is emptied only once
// every check has passed, so a failed run leaves an existing output as it was.
#include "merge_run.h"

#include <cstdio>

#include "frame_schedule.h"
#include "help_texts.h"
#include "messages.h"
#include "run_settings.h"

namespace {

bool openFiles(RunSettings& run) {
  run.cameraFiles.assign(run.cameraPaths.size(), FrameFile{});
  for (size_t c = 0; c < run.cameraPaths.size(); ++c) {
    if (!openInput(run.cameraFiles[c], run.cameraPaths[c])) return false;
  }
  return openOutput(run.sequenceFile, run.sequencePath) &&
         guardOutput(run, run.sequenceFile, run.cameraFiles, {});
}

void writeReport(const RunSettings& run) {
  for (const std::string& path : run.cameraPaths) std::printf("* Input:     %s\n", path.c_str());
  std::printf("* Output:    %s\n", run.sequencePath.c_str());
  std::printf("* FirstFrm:  %u\n", run.firstFrm);
  std::printf("* GOPLength: %u\n", run.gopLength);
  std::printf("* NumGOP:    %u\n", run.numGop);
  std::printf("* NumFrm:    %u\n", run.numFrm);
  std::printf("* Width:     %u\n", run.width);
  std::printf("* Height:    %u\n", run.height);
}

// One frame of camera c onto the end of the sequence; the camera file is
// moved to frame FirstFrm before its first read.
bool copyFromCamera(uint32_t c) {
  RunSettings& run = settings();
  FrameFile& camera = run.cameraFiles[c];
  char* frame = run.frameBuffer.get();
  if (!camera.positioned && !skipFrames(camera, run.firstFrm, frame, run.frameSize)) return false;
  return readFrame(camera, frame, run.frameSize) &&
         writeFrame(run.sequenceFile, frame, run.frameSize);
}

bool closeFiles(RunSettings& run) {
  for (FrameFile& camera : run.cameraFiles) closeInput(camera);
  return closeOutput(run.sequenceFile);
}

}  // namespace

bool runMerge() {
  RunSettings& run = settings();
  if (!openFiles(run)) return false;
  if (run.verbose) writeReport(run);
  return prepareFrameBuffer(run) && truncateOutput(run.sequenceFile) &&
         walkSchedule(scheduleOf(run), run.verbose, copyFromCamera) && closeFiles(run);
}

const ToolVariant kMergeTool = {texts::kMergeHelp, texts::kMergeBanner, CameraKey::kInput,
                                runMerge};
