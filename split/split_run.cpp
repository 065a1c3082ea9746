// mvunweave's run. Each camera file is checked as it is opened: it must not
// be an input, and a regular file may take only one camera (/dev/null may
// repeat, to drop cameras). Camera files are emptied only once every check
// has passed, so a failed run leaves existing files as they were.
#include "split_run.h"

#include <cstdio>

#include "frame_schedule.h"
#include "help_texts.h"
#include "messages.h"
#include "run_settings.h"

namespace {

bool openFiles(RunSettings& run) {
  if (!openInput(run.sequenceFile, run.sequencePath)) return false;
  const std::vector<FrameFile> inputs(1, run.sequenceFile);
  run.cameraFiles.clear();
  run.cameraFiles.reserve(run.cameraPaths.size());
  for (const std::string& path : run.cameraPaths) {
    FrameFile camera;
    if (!openOutput(camera, path) || !guardOutput(run, camera, inputs, run.cameraFiles))
      return false;
    run.cameraFiles.push_back(camera);
  }
  return true;
}

void writeReport(const RunSettings& run) {
  std::printf("* Input:    %s\n", run.sequencePath.c_str());
  std::printf("* FirstFrm:  %u\n", run.firstFrm);
  std::printf("* GOPLength: %u\n", run.gopLength);
  std::printf("* NumGOP:    %u\n", run.numGop);
  std::printf("* NumFrm:    %u\n", run.numFrm);
  std::printf("* Width:     %u\n", run.width);
  std::printf("* Height:    %u\n", run.height);
  for (const std::string& path : run.cameraPaths) std::printf("* Output:     %s\n", path.c_str());
}

// The next frame of the sequence onto the end of camera c's file. The first
// step of the walk skips FirstFrm groups of N frames.
bool copyToCamera(uint32_t c) {
  RunSettings& run = settings();
  FrameFile& sequence = run.sequenceFile;
  char* frame = run.frameBuffer.get();
  if (!sequence.positioned) {
    const uint64_t skipped = static_cast<uint64_t>(run.firstFrm) * run.cameraFiles.size();
    if (!skipFrames(sequence, skipped, frame, run.frameSize)) return false;
  }
  return readFrame(sequence, frame, run.frameSize) &&
         writeFrame(run.cameraFiles[c], frame, run.frameSize);
}

bool closeFiles(RunSettings& run) {
  closeInput(run.sequenceFile);
  for (FrameFile& camera : run.cameraFiles) {
    if (!closeOutput(camera)) return false;
  }
  return true;
}

}  // namespace

bool runSplit() {
  RunSettings& run = settings();
  if (!openFiles(run)) return false;
  if (run.verbose) writeReport(run);
  return prepareFrameBuffer(run) && truncateOutputs(run.cameraFiles) &&
         walkSchedule(scheduleOf(run), run.verbose, copyToCamera) && closeFiles(run);
}

const ToolVariant kSplitTool = {texts::kSplitHelp, texts::kSplitBanner, CameraKey::kOutput,
                                runSplit};
