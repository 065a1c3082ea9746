// The run's phases, in the order that keeps every existing file safe until
// the run is sure to go ahead: nothing is emptied before every check passed.
#include "mvweave/run.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "counts.h"
#include "frame_mover.h"
#include "frame_schedule.h"
#include "frame_sink.h"
#include "frame_source.h"
#include "picture_checks.h"
#include "picture_format.h"
#include "progress.h"
#include "run_notes.h"
#include "verbose_report.h"

namespace mvweave {

namespace {

// No output may be an input or a configuration file (by any path or link,
// the same pipe, the same block device), and no regular file or block
// device may take the frames of two outputs.
// `index` is the output's place among the sinks; those before it are open.
Status guardOutput(const FileIdentity& output, const std::string& name,
                   const std::vector<FrameSink>& sinks, size_t index,
                   const std::vector<FrameSource>& sources,
                   const std::vector<ConfigFile>& configFiles) {
  const auto refuse = [&name](Problem problem, const std::string& what) {
    return problemWith(problem, name, 0, "the same file as " + what);
  };
  for (const FrameSource& source : sources) {
    if (isSameFileOrPipe(output, source.identity())) {
      return refuse(Problem::kOutputIsInput, "the input " + source.name());
    }
  }
  for (const ConfigFile& config : configFiles) {
    if (isSameFileOrPipe(output, config.identity)) {
      return refuse(Problem::kOutputIsInput, "the configuration file " + config.path);
    }
  }
  for (size_t earlier = 0; earlier < index; ++earlier) {
    if (isSameStoredFile(output, sinks[earlier].identity())) {
      return refuse(Problem::kOutputNamedTwice, "the output " + sinks[earlier].name());
    }
  }
  return {};
}

class Run {
 public:
  Run(const RunSettings& settings, InterleavedFile interleaved, FileSystem& files, Console& console)
      : files_(files),
        settings_(settings),
        configFiles_(settings.configFiles),
        interleaved_(interleaved),
        readsInterleaved_(interleaved == InterleavedFile::kRead),
        console_(console) {}

  Status execute() {
    Status status = check();
    if (!status.ok()) {
      removeCreatedOutputs();
      return status;
    }
    status = startOutputs();
    if (status.ok() && !walkWritesNothing()) status = walk();
    if (status.ok()) status = closeOutputs();
    return status;
  }

 private:
  // Nothing was written: the outputs that the run created go again. Only a
  // file the run made and that is still empty, and only while its name
  // still leads to it: another program may have written to it, or put a
  // file of its own at that name, while the run waited on an input. All are
  // closed first: Windows removes no file that is still open, and an output
  // named twice is open twice.
  void removeCreatedOutputs() {
    std::vector<std::pair<std::string, FileIdentity>> created;
    for (FrameSink& sink : sinks_) {
      if (sink.createdAndEmpty()) created.emplace_back(sink.path(), sink.identity());
    }
    sinks_.clear();
    for (const auto& [path, identity] : created) (void)files_.remove(path, identity);
  }

  // Everything that can refuse the run, up to the start frame of each input.
  Status check() {
    for (const std::string& note : settingsNotes(settings_, interleaved_)) console_.note(note);
    Status status = openInputs();
    if (status.ok()) status = openOutputs();
    if (status.ok() && !readsInterleaved_ && sources_.empty()) {
      console_.note(noCameraNote(sinks_[0]));
    }
    if (status.ok()) status = readInputHeaders();
    if (!status.ok()) return status;
    settlePictureFormat();
    if (settings_.verbose) writeVerboseReport(effective_, interleaved_, console_);
    status = checkFrames();
    if (status.ok()) status = seekToStartFrames();
    return status;
  }

  // One file of a side, with the file as messages name it (a camera's with
  // its index).
  struct NamedPath {
    ConfiguredPath configured;
    std::string name;
  };

  // The interleaved file's side holds one path, the cameras' side N.
  [[nodiscard]] std::vector<NamedPath> pathsOf(bool interleavedSide) const {
    if (interleavedSide) return {{settings_.sequencePath, settings_.sequencePath.path}};
    std::vector<NamedPath> paths;
    for (size_t c = 0; c < settings_.cameraPaths.size(); ++c) {
      const ConfiguredPath& camera = settings_.cameraPaths[c];
      paths.push_back({camera, camera.path + " (camera " + std::to_string(c) + ")"});
    }
    return paths;
  }

  Status openInputs() {
    const std::vector<NamedPath> paths = pathsOf(readsInterleaved_);
    sources_.resize(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
      const Status status = sources_[i].open(files_, paths[i].configured.path, paths[i].name);
      if (!status.ok()) return explainEmptyPath(status, paths[i], "Input");
    }
    return {};
  }

  // An output that is an input is refused even where it cannot be opened
  // for writing (Output = "/dev/stdin"), and before any input is read from.
  Status openOutputs() {
    const std::vector<NamedPath> paths = pathsOf(!readsInterleaved_);
    sinks_.resize(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
      const std::string& path = paths[i].configured.path;
      const Status status = sinks_[i].open(files_, path, paths[i].name);
      FileIdentity identity = sinks_[i].identity();
      if (status.ok() || files_.identify(path, identity) == 0) {
        Status refused = guardOutput(identity, paths[i].name, sinks_, i, sources_, configFiles_);
        if (!refused.ok()) return refused;
      }
      if (!status.ok()) return explainEmptyPath(status, paths[i], "Output");
    }
    return {};
  }

  Status explainEmptyPath(const Status& status, const NamedPath& path, const char* key) const {
    return mvweave::explainEmptyPath(status, path.configured, key, !configFiles_.empty());
  }

  Status readInputHeaders() {
    for (FrameSource& source : sources_) {
      if (Status status = source.recogniseFormat(); !status.ok()) return status;
    }
    return {};
  }

  // What no configuration file gave is taken from the first Y4M input; any
  // Y4M file, in or out, makes frames planar.
  void settlePictureFormat() {
    firstY4m_ = firstY4mSource(sources_);
    effective_ = settingsWithY4m(settings_, firstY4m_);
    formatOrigin_ = formatOriginOf(settings_, firstY4m_);
    format_ = pictureFormatOf(effective_);
    for (const FrameSink& sink : sinks_) format_.planar = format_.planar || sink.writesY4m();
    format_.planar = format_.planar || firstY4m_ != nullptr;
  }

  // The format is one the tools handle, the Y4M headers agree with it, a
  // frame's size is in range and a frame buffer could be had; notes on what
  // looks wrong.
  Status checkFrames() {
    if (Status status = checkSupported(format_); !status.ok()) return status;
    if (Status status = checkY4mHeaders(sources_, format_, formatOrigin_); !status.ok()) {
      return status;
    }
    if (Status status = frameSizeOf(format_, frameSize_); !status.ok()) return status;
    for (const std::string& text : geometryNotes(sources_, format_, frameSize_)) {
      console_.note(text);
    }
    std::vector<LengthNote> notes;
    if (Status status = lengthNotes(sources_, layoutOf(settings_), settings_.firstFrm, frameSize_,
                                    interleaved_, notes);
        !status.ok()) {
      return status;
    }
    announcedShort_.assign(sources_.size(), false);
    for (const LengthNote& note : notes) {
      console_.note(note.text);
      announcedShort_[note.source] = note.runsOut;
    }
    // Frames move inside the kernel where they can; the frame buffer is
    // only checked for here, and allocated when a frame needs it.
    return FrameMover::checkBuffer(frameSize_);
  }

  // Each source to its start frame: FirstFrm frames into a camera file,
  // FirstFrm groups of N frames into the interleaved file. A pipe is read
  // forward, so this too comes before anything is emptied.
  Status seekToStartFrames() {
    const uint64_t startFrame =
        readsInterleaved_ ? uint64_t{settings_.firstFrm} * sinks_.size() : settings_.firstFrm;
    for (FrameSource& source : sources_) {
      if (Status status = source.skipFrames(startFrame, frameSize_); !status.ok()) return status;
    }
    return {};
  }

  // Every check has passed: the outputs are emptied only now, all of them
  // before any is written, so that a run that fails from here on leaves no
  // output with what an earlier run wrote.
  Status startOutputs() {
    for (FrameSink& sink : sinks_) {
      if (Status status = sink.truncate(); !status.ok()) return status;
    }
    const Y4mHeader header =
        y4mOutputHeader(format_.width, format_.height, format_.chroma, format_.bitDepth,
                        firstY4m_ != nullptr ? &*firstY4m_->y4m() : nullptr);
    for (FrameSink& sink : sinks_) {
      if (Status status = sink.writeHeader(header); !status.ok()) return status;
    }
    return {};
  }

  // Frames of 0 bytes into raw files, without the verbose lines: the walk
  // would write nothing, however long its layout.
  [[nodiscard]] bool walkWritesNothing() const {
    const auto writesY4m = [](const FrameSink& sink) { return sink.writesY4m(); };
    return frameSize_ == 0 && !settings_.verbose &&
           std::none_of(sinks_.begin(), sinks_.end(), writesY4m);
  }

  Status walk() {
    const Layout schedule = layoutOf(settings_);
    FrameMover mover(files_, frameSize_);
    std::vector<KernelMove> kernelMoves(schedule.cameras);
    for (uint32_t camera = 0; camera < schedule.cameras; ++camera) {
      kernelMoves[camera] =
          files_.kernelMoveBetween(sourceOf(camera).identity(), sinkOf(camera).identity());
    }
    uint64_t totalFrames = 0;
    if (!framesInSequence(schedule, totalFrames)) totalFrames = UINT64_MAX;
    Progress progress(console_, totalFrames, frameSize_);
    Status failure;
    const auto blockStart = [this, &progress](uint32_t block) {
      if (!settings_.verbose) return;
      progress.erase();
      if (block == 0) console_.line("");
      console_.line("* Processing GOP(" + std::to_string(block) + ")");
    };
    const auto step = [&](uint32_t camera) {
      failure = copyFrame(camera, mover, kernelMoves[camera], progress);
      progress.frameDone();
      return failure.ok();
    };
    walkSchedule(schedule, blockStart, step);
    return failure;
  }

  // Camera c's pair of files: its own file and the interleaved file.
  [[nodiscard]] size_t sourceIndexOf(uint32_t camera) const {
    return readsInterleaved_ ? 0 : camera;
  }
  FrameSource& sourceOf(uint32_t camera) { return sources_[sourceIndexOf(camera)]; }
  FrameSink& sinkOf(uint32_t camera) { return sinks_[readsInterleaved_ ? camera : 0]; }

  // One frame of camera c: from its file onto the end of the interleaved
  // file (mvweave), or from the interleaved file onto the end of its file
  // (mvunweave). A source that runs out is told once, as a warning.
  Status copyFrame(uint32_t camera, FrameMover& mover, KernelMove& kernelMove, Progress& progress) {
    FrameSource& source = sourceOf(camera);
    bool ranOut = false;
    if (Status status = mover.move(source, sinkOf(camera), kernelMove, ranOut); !status.ok()) {
      return status;
    }
    if (!ranOut) return {};
    progress.erase();
    console_.line("WARNING: Input file too short, missing data filled with zeros: " +
                  source.path());
    // Said before the walk already, it needs no second line of detail.
    if (!announcedShort_[sourceIndexOf(camera)]) {
      console_.note(source.name() + ": " + ranOutDetail(source, framesPerSource()));
    }
    return {};
  }

  // The frames the walk takes from a source: all of the interleaved file's,
  // or one camera's.
  [[nodiscard]] std::string framesPerSource() const {
    const Layout schedule = layoutOf(settings_);
    uint64_t frames = framesPerCamera(schedule);
    const bool fits = !readsInterleaved_ || framesInSequence(schedule, frames);
    return countText(frames, fits);
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

  FileSystem& files_;
  const RunSettings& settings_;
  const std::vector<ConfigFile>& configFiles_;
  const InterleavedFile interleaved_;
  const bool readsInterleaved_;  // mvunweave; mvweave writes the interleaved file
  Console& console_;
  const FrameSource* firstY4m_ = nullptr;
  RunSettings effective_;  // the settings, completed from a Y4M header
  PictureFormat format_;
  std::string formatOrigin_;          // what the format was taken from, for messages
  std::vector<bool> announcedShort_;  // by source: told before the walk that it runs out
  std::vector<FrameSource> sources_;
  std::vector<FrameSink> sinks_;
  uint32_t frameSize_ = 0;
};

}  // namespace

Status weave(const RunSettings& settings, FileSystem& files, Console& console) {
  return Run(settings, InterleavedFile::kWritten, files, console).execute();
}

Status unweave(const RunSettings& settings, FileSystem& files, Console& console) {
  return Run(settings, InterleavedFile::kRead, files, console).execute();
}

}  // namespace mvweave
