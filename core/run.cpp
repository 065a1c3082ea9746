// The run's phases, in the order that keeps every existing file safe until
// the run is sure to go ahead: nothing is emptied before every check passed.
#include "mvweave/run.h"

#include <algorithm>
#include <cerrno>
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
    if (status.ok()) status = stopPoint();
    if (status.ok()) status = startOutputs();
    if (status.ok() && !walkWritesNothing()) status = walk();
    if (status.ok()) status = strictCheck(ranOut());
    if (status.ok()) status = closeOutputs();
    if (!status.ok()) {
      // A call that gave up for the stop failed as whatever it was doing.
      if (files_.stopRequested()) status = problemWith(Problem::kStopped);
      removeOutputs();
    }
    return status;
  }

 private:
  // A run that did not complete leaves nothing that looks finished: the
  // outputs that are the run's own (see FrameSink::isRunsOwn) go, each named,
  // and only while their names still lead to them (another program may have
  // put a file of its own at a name while the run waited on an input).
  // Standard streams, devices and FIFOs are never removed. All are closed
  // first: Windows removes no file that is still open.
  void removeOutputs() {
    struct Output {
      std::string path;
      std::string file;
      std::string name;
      FileIdentity identity;
    };
    std::vector<Output> own;
    for (FrameSink& sink : sinks_) {
      if (sink.isRunsOwn())
        own.push_back({sink.path(), sink.fileName(), sink.name(), sink.identity()});
    }
    sinks_.clear();
    for (const Output& output : own) {
      const OsError error = files_.remove(output.path, output.file, output.identity);
      if (error == 0) {
        console_.noteAfterReport(output.name + ": removed, as the run did not complete");
      } else if (error != ENOENT) {
        console_.noteAfterReport(
            output.name +
            ": the run did not complete, and it could not be removed: " + describeOsError(error));
      }
    }
  }

  // Where the run looks whether it was asked to stop, besides the calls
  // that a signal interrupts: before every frame, and before it empties
  // anything.
  Status stopPoint() { return files_.stopRequested() ? problemWith(Problem::kStopped) : Status{}; }

  // --strict: an input that runs short fails the run, as soon as that is
  // known: before anything is emptied where its length tells, after the
  // walk (its warning written) where it does not.
  [[nodiscard]] Status strictCheck(bool inputRunsShort) const {
    if (!settings_.strict || !inputRunsShort) return {};
    return problemWith(Problem::kInputTooShort, "", 0,
                       "--strict: an input that runs short fails the run");
  }

  [[nodiscard]] bool ranOut() const {
    return std::any_of(sources_.begin(), sources_.end(),
                       [](const FrameSource& source) { return source.ranOut(); });
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
    if (settings_.noClobber) {
      for (const NamedPath& path : paths) {
        if (Status status = refuseExisting(path); !status.ok()) return status;
      }
    }
    sinks_.resize(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
      const std::string& path = paths[i].configured.path;
      const Status status = sinks_[i].open(files_, path, paths[i].name);
      FileInfo named;
      named.identity = sinks_[i].identity();
      if (status.ok() || files_.identify(path, named) == 0) {
        Status refused =
            guardOutput(named.identity, paths[i].name, sinks_, i, sources_, configFiles_);
        if (!refused.ok()) return refused;
      }
      if (!status.ok()) return explainEmptyPath(status, paths[i], "Output");
    }
    return {};
  }

  // --no-clobber: a regular file with data in it is never replaced (a
  // standard stream, a device or a FIFO is no file that could be).
  Status refuseExisting(const NamedPath& path) {
    FileInfo info;
    if (files_.identify(path.configured.path, info) != 0 || info.received ||
        info.identity.kind != FileKind::kRegular || info.length == 0) {
      return {};
    }
    return problemWith(Problem::kOutputExists, path.name, 0,
                       "it exists, with " + plural(info.length, "byte") +
                           " in it, and --no-clobber replaces no file");
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
    const bool known =
        std::find(announcedShort_.begin(), announcedShort_.end(), true) != announcedShort_.end();
    if (Status status = strictCheck(known); !status.ok()) return status;
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
    const auto blockStart = [this, &progress, &failure](uint32_t block) {
      failure = stopPoint();
      if (!settings_.verbose || !failure.ok()) return failure.ok();
      progress.erase();
      if (block == 0) console_.line("");
      console_.line("* Processing GOP(" + std::to_string(block) + ")");
      return true;
    };
    const auto step = [&](uint32_t camera) {
      failure = stopPoint();
      if (failure.ok()) failure = copyFrame(camera, mover, kernelMoves[camera], progress);
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
