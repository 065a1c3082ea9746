// The run's phases, in the order that keeps every existing file safe until
// the run is sure to go ahead: nothing is emptied before every check passed.
#include "run.h"

#include <memory>
#include <new>
#include <string>

#include "frame_file.h"
#include "frame_schedule.h"

namespace mvweave {

namespace {

class Run {
 public:
  Run(const RunRequest& request, const Direction& direction, const Console& console)
      : settings_(request.settings),
        configFiles_(request.configFiles),
        direction_(direction),
        console_(console) {}

  Status execute() {
    Status status = openInputs();
    if (status.ok()) status = openOutputs();
    if (!status.ok()) return status;
    if (settings_.verbose) direction_.writeReport(settings_, console_.out);
    status = prepareFrameBuffer();
    if (status.ok()) status = emptyOutputs();
    if (status.ok()) status = walk();
    if (status.ok()) status = closeOutputs();
    return status;
  }

 private:
  // The interleaved file's side holds one path, the cameras' side N.
  std::vector<std::string> pathsOf(bool interleavedSide) const {
    if (interleavedSide) return {settings_.sequencePath};
    return settings_.cameraPaths;
  }

  Status openInputs() {
    const std::vector<std::string> paths = pathsOf(direction_.readsInterleaved);
    sources_.resize(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
      if (Status status = sources_[i].open(paths[i]); !status.ok()) return status;
    }
    return {};
  }

  Status openOutputs() {
    const std::vector<std::string> paths = pathsOf(!direction_.readsInterleaved);
    sinks_.resize(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
      if (Status status = sinks_[i].open(paths[i]); !status.ok()) return status;
      if (Status status = guardOutput(i); !status.ok()) return status;
    }
    return {};
  }

  // No output is an input, and no regular file or block device is written
  // twice.
  Status guardOutput(size_t output) const {
    const FileIdentity& identity = sinks_[output].identity();
    const std::string& path = sinks_[output].path();
    for (const FrameSource& source : sources_) {
      if (sameFile(identity, source.identity())) return problemWith(Problem::kOutputIsInput, path);
    }
    for (const FileIdentity& config : configFiles_) {
      if (sameFile(identity, config)) return problemWith(Problem::kOutputIsInput, path);
    }
    for (size_t earlier = 0; earlier < output; ++earlier) {
      if (sameStorage(identity, sinks_[earlier].identity())) {
        return problemWith(Problem::kOutputNamedTwice, path);
      }
    }
    return {};
  }

  Status prepareFrameBuffer() {
    if (!computeFrameSize(settings_.width, settings_.height, frameSize_)) {
      return problemWith(Problem::kFrameSizeOutOfRange);
    }
    // Left uninitialised: every step fills the whole frame before writing it.
    frame_.reset(new (std::nothrow) char[frameSize_]);
    if (!frame_) return problemWith(Problem::kAllocateFrameBuffer);
    return {};
  }

  Status emptyOutputs() {
    for (FrameSink& sink : sinks_) {
      if (Status status = sink.empty(); !status.ok()) return status;
    }
    return {};
  }

  Status walk() {
    Status failure;
    const auto blockStart = [this](uint32_t block) {
      if (!settings_.verbose) return;
      std::fprintf(console_.out, "%s* Processing GOP(%u)\n", block == 0 ? "\n" : "", block);
    };
    const auto step = [this, &failure](uint32_t camera) {
      failure = copyFrame(camera);
      return failure.ok();
    };
    walkSchedule(scheduleOf(settings_), blockStart, step);
    return failure;
  }

  // One frame of camera c: from its file onto the end of the interleaved
  // file (mvweave), or from the interleaved file onto the end of its file
  // (mvunweave). Each source is moved to its start frame before its first
  // read: FirstFrm frames into a camera file, FirstFrm groups of N frames
  // into the interleaved file.
  Status copyFrame(uint32_t camera) {
    const bool split = direction_.readsInterleaved;
    FrameSource& source = sources_[split ? 0 : camera];
    FrameSink& sink = sinks_[split ? camera : 0];
    const uint64_t startFrame =
        split ? uint64_t{settings_.firstFrm} * sinks_.size() : settings_.firstFrm;
    if (!source.positioned()) {
      if (Status status = source.skipFrames(startFrame, frame_.get(), frameSize_); !status.ok()) {
        return status;
      }
    }
    Status status = source.readFrame(frame_.get(), frameSize_);
    if (status.problem == Problem::kInputTooShort) {
      report(status, console_);
    } else if (!status.ok()) {
      return status;
    }
    return sink.writeFrame(frame_.get(), frameSize_);
  }

  // Every output is closed, in order; the first failure is the one told.
  Status closeOutputs() {
    Status first;
    for (FrameSink& sink : sinks_) {
      Status status = sink.close();
      if (first.ok()) first = std::move(status);
    }
    return first;
  }

  const RunSettings& settings_;
  const std::vector<FileIdentity>& configFiles_;
  const Direction& direction_;
  const Console& console_;
  std::vector<FrameSource> sources_;
  std::vector<FrameSink> sinks_;
  uint32_t frameSize_ = 0;
  std::unique_ptr<char[]> frame_;
};

}  // namespace

void writeNumberLines(const RunSettings& settings, std::FILE* out) {
  std::fprintf(out, "* FirstFrm:  %u\n", settings.firstFrm);
  std::fprintf(out, "* GOPLength: %u\n", settings.gopLength);
  std::fprintf(out, "* NumGOP:    %u\n", settings.numGop);
  std::fprintf(out, "* NumFrm:    %u\n", settings.numFrm);
  std::fprintf(out, "* Width:     %u\n", settings.width);
  std::fprintf(out, "* Height:    %u\n", settings.height);
}

Status runFrames(const RunRequest& request, const Direction& direction, const Console& console) {
  return Run(request, direction, console).execute();
}

}  // namespace mvweave
