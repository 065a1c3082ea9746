// mvunweave's run. Each camera file is checked before it is emptied: it must
// not be the sequence being read, and a regular file may take only one
// camera (devices such as /dev/null may repeat, to drop cameras).
#include "split_run.h"

#include <cstdio>

#include "frame_schedule.h"
#include "help_texts.h"
#include "messages.h"
#include "run_settings.h"

namespace {

bool createCamera(RunSettings& run, size_t c) {
  FrameFile& camera = run.cameraFiles[c];
  if (!openOutput(camera, run.cameraPaths[c])) return false;
  if (sameRegularFile(camera, run.sequenceFile)) {
    writeLine(msg::kOutputIsInput);
    return false;
  }
  for (size_t earlier = 0; earlier < c; ++earlier) {
    if (sameRegularFile(camera, run.cameraFiles[earlier])) {
      writeLine(msg::kOutputNamedTwice);
      return false;
    }
  }
  return truncateOutput(camera);
}

bool openFiles(RunSettings& run) {
  if (!openInput(run.sequenceFile, run.sequencePath)) return false;
  run.cameraFiles.assign(run.cameraPaths.size(), FrameFile{});
  for (size_t c = 0; c < run.cameraPaths.size(); ++c) {
    if (!createCamera(run, c)) return false;
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
  prepareProcess();
  if (!openFiles(run)) return false;
  if (run.verbose) writeReport(run);
  return prepareFrameBuffer(run) && walkSchedule(scheduleOf(run), run.verbose, copyToCamera) &&
         closeFiles(run);
}

const ToolVariant kSplitTool = {texts::kSplitHelp, texts::kSplitBanner, CameraKey::kOutput,
                                runSplit};
