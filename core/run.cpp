// The run's phases, in the order that keeps every existing file safe until
// the run is sure to go ahead: nothing is emptied before every check passed.
#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "counts.h"
#include "frame_mover.h"
#include "frame_schedule.h"
#include "frame_sink.h"
#include "frame_source.h"
#include "layout_record.h"
#include "mvweave/configuration.h"
#include "mvweave/merge.h"
#include "mvweave/split.h"
#include "packed_mover.h"
#include "packing.h"
#include "picture_checks.h"
#include "picture_format.h"
#include "run_notes.h"

namespace mvweave {

namespace {

// One run, of either tool. `configuration`, where the request was read
// from configuration files, adds that no output may be one of them, and
// explains an empty path by its line.
class Run {
 public:
  Run(InterleavedFile interleaved, const Request& request, const Configuration* configuration,
      Observer& observer, FileSystem& files)
      : files_(files),
        request_(request),
        configuration_(configuration),
        interleaved_(interleaved),
        readsInterleaved_(interleaved == InterleavedFile::kRead),
        observer_(observer) {}

  Status execute() {
    Status status = check();
    if (status.ok()) status = stopPoint();
    if (status.ok()) status = startOutputs();
    if (status.ok()) status = walk();
    if (status.ok()) status = strictCheck(ranOut());
    if (status.ok()) status = closeOutputs();
    if (!status.ok()) {
      // A call that gave up for the stop failed as whatever it was doing.
      if (cancelled()) status = problemWith(Problem::kStopped);
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
    std::vector<bool> own;
    for (FrameSink& sink : sinks_) {
      own.push_back(sink.isRunsOwn());
      (void)sink.close();  // it holds what a failed run wrote
    }
    for (size_t i = 0; i < sinks_.size(); ++i) {
      const FrameSink& sink = sinks_[i];
      if (!own[i]) continue;
      const OsError error = files_.remove(sink.path(), sink.fileName(), sink.identity());
      if (error == ENOENT) continue;  // no longer the run's file
      observer_.note({Note::Kind::kOutputRemoved, sink.path(), sink.camera(), 0,
                      error == 0 ? "removed, as the run did not complete"
                                 : "the run did not complete, and it could not be removed: " +
                                       describeOsError(error)});
    }
  }

  [[nodiscard]] bool cancelled() { return observer_.cancelled() || files_.stopRequested(); }

  // Where the run looks whether it was asked to stop, besides the calls
  // that a signal interrupts: before every frame, and before it empties
  // anything.
  Status stopPoint() { return cancelled() ? problemWith(Problem::kStopped) : Status{}; }

  // --strict: an input that runs short fails the run, as soon as that is
  // known: before anything is emptied where its length tells, after the
  // walk (its warning written) where it does not.
  [[nodiscard]] Status strictCheck(bool inputRunsShort) const {
    if (!request_.strict || !inputRunsShort) return {};
    return problemWith(Problem::kInputTooShort, "", 0,
                       "--strict: an input that runs short fails the run");
  }

  [[nodiscard]] bool ranOut() const {
    return std::any_of(sources_.begin(), sources_.end(),
                       [](const FrameSource& source) { return source.ranOut(); });
  }

  // Everything that can refuse the run, up to the start frame of each input.
  Status check() {
    Status status = openInputs();
    if (status.ok()) status = guardOutputs();
    if (status.ok()) status = readInputHeaders();
    if (status.ok()) status = settleLayout();
    if (status.ok()) status = settlePictures();
    if (status.ok()) status = openOutputs();
    if (status.ok() && !readsInterleaved_ && sources_.empty()) {
      observer_.note(noCameraNote(sinks_[0]));
    }
    if (!status.ok()) return status;
    observer_.reportSettings({request_, layout_, format_.width, format_.height, format_.chroma,
                              format_.bitDepth, packing_});
    status = checkFrames();
    if (status.ok()) status = seekToStartFrames();
    return status;
  }

  // One file of a side: its path, and the camera it is.
  struct SidePath {
    const std::string& path;
    std::optional<uint32_t> camera;
  };

  // The interleaved file's side holds one path, the cameras' side N.
  [[nodiscard]] std::vector<SidePath> pathsOf(bool interleavedSide) const {
    if (interleavedSide) return {{request_.sequence, std::nullopt}};
    std::vector<SidePath> paths;
    for (size_t c = 0; c < request_.cameras.size(); ++c) {
      paths.push_back({request_.cameras[c], static_cast<uint32_t>(c)});
    }
    return paths;
  }

  Status openInputs() {
    const std::vector<SidePath> paths = pathsOf(readsInterleaved_);
    sources_.resize(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
      const Status status = sources_[i].open(files_, paths[i].path, paths[i].camera);
      if (!status.ok()) return explainEmptyPath(status, paths[i], "Input");
    }
    return {};
  }

  // Every output that names a file already is guarded before any input is
  // read from, and even where it cannot be opened for writing (Output =
  // "/dev/stdin"); with --no-clobber, an existing file is refused.
  Status guardOutputs() {
    const std::vector<SidePath> paths = pathsOf(!readsInterleaved_);
    outputs_.assign(paths.size(), FileIdentity{});
    for (size_t i = 0; i < paths.size(); ++i) {
      FileInfo named;
      if (files_.identify(paths[i].path, named) != 0) continue;
      outputs_[i] = named.identity;
      if (Status status = guardOutput(paths[i], i); !status.ok()) return status;
      if (Status status = refuseExisting(paths[i], named); !status.ok()) return status;
    }
    return {};
  }

  // Opened without being emptied, and guarded again as what it is now (a
  // file made at a link's target, a new file named twice).
  Status openOutputs() {
    const std::vector<SidePath> paths = pathsOf(!readsInterleaved_);
    sinks_.resize(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
      const Status status = sinks_[i].open(files_, paths[i].path, paths[i].camera);
      if (!status.ok()) return explainEmptyPath(status, paths[i], "Output");
      outputs_[i] = sinks_[i].identity();
      if (Status refused = guardOutput(paths[i], i); !refused.ok()) return refused;
    }
    return {};
  }

  // No output may be an input or a configuration file (by any path or link,
  // the same pipe, the same block device), and no regular file or block
  // device may take the frames of two outputs.
  [[nodiscard]] Status guardOutput(const SidePath& path, size_t index) const {
    const FileIdentity& output = outputs_[index];
    const auto refuse = [&path](Problem problem, const std::string& what) {
      return problemWith(problem, path.path, 0, "the same file as " + what, path.camera);
    };
    for (const FrameSource& source : sources_) {
      if (isSameFileOrPipe(output, source.identity())) {
        return refuse(Problem::kOutputIsInput, "the input " + source.name());
      }
    }
    for (size_t c = 0; configuration_ != nullptr && c < configuration_->files.size(); ++c) {
      if (isSameFileOrPipe(output, configuration_->files[c].identity)) {
        return refuse(Problem::kOutputIsInput,
                      "the configuration file " + configuration_->files[c].path);
      }
    }
    const std::vector<SidePath> paths = pathsOf(!readsInterleaved_);
    for (size_t earlier = 0; earlier < index; ++earlier) {
      if (isSameStoredFile(output, outputs_[earlier])) {
        return refuse(Problem::kOutputNamedTwice,
                      "the output " + nameOf(paths[earlier].path, paths[earlier].camera));
      }
    }
    return {};
  }

  // --no-clobber: a regular file with data in it is never replaced (a
  // standard stream, a device or a FIFO is no file that could be).
  [[nodiscard]] Status refuseExisting(const SidePath& path, const FileInfo& info) const {
    if (!request_.noClobber || info.received || info.identity.kind != FileKind::kRegular ||
        info.length == 0) {
      return {};
    }
    return problemWith(Problem::kOutputExists, path.path, 0,
                       "it exists, with " + plural(info.length, "byte") +
                           " in it, and --no-clobber replaces no file",
                       path.camera);
  }

  // Where the request came from configuration files, an empty path is
  // explained by its line.
  Status explainEmptyPath(const Status& status, const SidePath& path, const char* key) const {
    if (configuration_ == nullptr) return status;
    const ConfiguredPath& configured =
        path.camera ? configuration_->cameras[*path.camera] : configuration_->sequence;
    return mvweave::explainEmptyPath(status, configured, key, !configuration_->files.empty());
  }

  Status readInputHeaders() {
    for (FrameSource& source : sources_) {
      if (Status status = source.recogniseFormat(); !status.ok()) return status;
    }
    return {};
  }

  // The layout: what the request sets; for a split of a Y4M sequence that
  // records its layout, the rest from the record, which the request must
  // not contradict. A merge notes a Y4M camera that was another camera of
  // the split that wrote it.
  Status settleLayout() {
    layout_ = layoutOf(request_);
    packing_ = request_.packing.value_or(Packing{});
    if (!readsInterleaved_) {
      for (const Note& note : reorderedCameraNotes(sources_)) observer_.note(note);
      return {};
    }
    LayoutRecord record;
    const FrameSource& sequence = sources_[0];
    if (!sequence.y4m() || !recordOf(*sequence.y4m(), sequence.path(), record, observer_)) {
      return {};
    }
    return applyRecord(record, sources_[0].path(), request_, layout_, packing_);
  }

  // The pictures, as far as the configuration and the inputs' headers tell
  // them, and a packing that fits them: a packing that cannot be creates no
  // file. A format the tools do not handle is refused with the frames'
  // checks, after the verbose report, as it always was.
  Status settlePictures() {
    settlePictureFormat();
    return checkSupported(format_).ok() ? settlePacking() : Status{};
  }

  // What the request leaves unset is taken from the first Y4M input (a
  // packed sequence's header holds a tile for every camera); any Y4M file,
  // in or out, and any packing makes frames planar.
  void settlePictureFormat() {
    grid_ = gridOf(packing_, layout_.cameras);
    firstY4m_ = firstY4mSource(sources_);
    formatOrigin_ = formatOriginOf(request_, firstY4m_);
    format_ = pictureFormatOf(request_, firstY4m_, readsPackedSequence() ? grid_ : Grid{1, 1});
    format_.planar = format_.planar || grid_.tiled();
    for (const SidePath& output : pathsOf(!readsInterleaved_)) {
      format_.planar = format_.planar || isY4mPath(output.path);
    }
    sequenceFormat_ = format_;
  }

  [[nodiscard]] bool readsPackedSequence() const { return readsInterleaved_ && grid_.tiled(); }

  // A packed sequence's pictures: the packing fits the cameras and their
  // format, and a packed sequence read has a header of whole tiles.
  Status settlePacking() {
    if (!grid_.tiled()) return {};
    if (Status status = packedFormatOf(format_, packing_, layout_.cameras, sequenceFormat_);
        !status.ok()) {
      return status;
    }
    return readsPackedSequence() ? checkY4mTiles(sources_[0], packing_, grid_) : Status{};
  }

  // What the inputs hold: camera frames, or the sequence's frames, which
  // are pictures where it is packed.
  [[nodiscard]] const PictureFormat& inputFormat() const {
    return readsInterleaved_ ? sequenceFormat_ : format_;
  }
  [[nodiscard]] uint32_t inputFrameSize() const {
    return readsPackedSequence() ? pictureSize_ : frameSize_;
  }

  // The format is one the tools handle, the Y4M headers agree with it, a
  // frame's size is in range and a frame buffer could be had; notes on what
  // looks wrong.
  Status checkFrames() {
    if (Status status = checkSupported(format_); !status.ok()) return status;
    if (Status status = checkY4mHeaders(sources_, inputFormat(), formatOrigin_); !status.ok()) {
      return status;
    }
    if (Status status = frameSizeOf(format_, frameSize_); !status.ok()) return status;
    if (Status status = frameSizeOf(sequenceFormat_, pictureSize_); !status.ok()) return status;
    for (const Note& note : geometryNotes(sources_, format_, inputFrameSize(),
                                          readsPackedSequence() ? nameOf(packing_) : "")) {
      observer_.note(note);
    }
    std::vector<LengthNote> notes;
    if (Status status = lengthNotes(sources_, layout_, request_.firstFrm, inputFrameSize(),
                                    interleaved_, notes, true, readsPackedSequence());
        !status.ok()) {
      return status;
    }
    announcedShort_.assign(sources_.size(), false);
    for (const LengthNote& note : notes) {
      observer_.note(note.note);
      announcedShort_[note.source] = note.runsOut;
    }
    const bool known =
        std::find(announcedShort_.begin(), announcedShort_.end(), true) != announcedShort_.end();
    if (Status status = strictCheck(known); !status.ok()) return status;
    // Frames move inside the kernel where they can; the frame buffer is
    // only checked for here, and allocated when a frame needs it. Packed
    // pictures have their rows' buffers from here on.
    if (Status status = FrameMover::checkBuffer(frameSize_); !status.ok()) return status;
    if (!grid_.tiled()) return {};
    packedMover_ = std::make_unique<PackedMover>(files_, format_, grid_);
    return packedMover_->checkBuffers();
  }

  // Each source to its start frame: FirstFrm frames into a camera file,
  // FirstFrm groups of N frames into the interleaved file (FirstFrm
  // pictures into a packed one). A pipe is read forward, so this too comes
  // before anything is emptied.
  Status seekToStartFrames() {
    const uint64_t startFrame = readsInterleaved_ && !grid_.tiled()
                                    ? uint64_t{request_.firstFrm} * sinks_.size()
                                    : request_.firstFrm;
    for (FrameSource& source : sources_) {
      if (Status status = source.skipFrames(startFrame, inputFrameSize()); !status.ok()) {
        return status;
      }
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
    const PictureFormat& written = readsInterleaved_ ? format_ : sequenceFormat_;
    Y4mHeader header =
        y4mOutputHeader(written.width, written.height, written.chroma, written.bitDepth,
                        firstY4m_ != nullptr ? &*firstY4m_->y4m() : nullptr);
    for (size_t i = 0; i < sinks_.size(); ++i) {
      putLayoutRecord(recordFor(i), header);
      if (Status status = sinks_[i].writeHeader(header); !status.ok()) return status;
    }
    return {};
  }

  // The sequence records its layout, a camera file which camera it is.
  [[nodiscard]] LayoutRecord recordFor(size_t sink) const {
    LayoutRecord record;
    if (readsInterleaved_) {
      record.camera = static_cast<uint32_t>(sink);
      record.cameras = layout_.cameras;
      return record;
    }
    record.cameras = layout_.cameras;
    record.firstFrm = request_.firstFrm;
    record.gopLength = layout_.gopLength;
    record.numGop = layout_.numGop;
    record.numFrm = layout_.numFrm;
    if (grid_.tiled()) record.packing = Packing{Packing::Kind::kGrid, grid_.columns, grid_.rows};
    return record;
  }

  // Frames of 0 bytes into raw files: the walk would write nothing, however
  // long its layout; only an observer that follows the blocks sees them.
  [[nodiscard]] bool walkWritesNothing() const {
    const auto writesY4m = [](const FrameSink& sink) { return sink.writesY4m(); };
    return frameSize_ == 0 && std::none_of(sinks_.begin(), sinks_.end(), writesY4m);
  }

  // Frames in layout order; pictures of a packed sequence in the order a
  // single camera's frames would go, block by block.
  Status walk() {
    Layout schedule = layout_;
    if (grid_.tiled()) schedule.cameras = 1;
    const uint32_t stepSize = grid_.tiled() ? pictureSize_ : frameSize_;
    if (walkWritesNothing()) {
      if (!observer_.followsBlocks()) return {};
      schedule.cameras = 0;
    }
    FrameMover mover(files_, frameSize_);
    std::vector<KernelMove> kernelMoves =
        kernelMovesFor(schedule.cameras == 0 ? 0 : layout_.cameras);
    uint64_t totalFrames = 0;
    if (!framesInSequence(schedule, totalFrames)) totalFrames = UINT64_MAX;
    uint64_t framesDone = 0;
    observer_.progress(framesDone, totalFrames, stepSize);
    Status failure;
    const bool followsBlocks = observer_.followsBlocks();
    const auto blockStart = [&](uint32_t block) {
      failure = stopPoint();
      if (followsBlocks && failure.ok()) observer_.blockStarted(block);
      return failure.ok();
    };
    const auto step = [&](uint32_t camera) {
      failure = stopPoint();
      if (failure.ok()) {
        failure = grid_.tiled() ? movePicture(kernelMoves)
                                : copyFrame(camera, mover, kernelMoves[camera]);
      }
      observer_.progress(++framesDone, totalFrames, stepSize);
      return failure.ok();
    };
    walkSchedule(schedule, blockStart, step);
    return failure;
  }

  // The kernel's call for each camera's pair of files.
  std::vector<KernelMove> kernelMovesFor(uint32_t cameras) {
    std::vector<KernelMove> moves(cameras);
    for (uint32_t camera = 0; camera < cameras; ++camera) {
      moves[camera] =
          files_.kernelMoveBetween(sourceOf(camera).identity(), sinkOf(camera).identity());
    }
    return moves;
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
  Status copyFrame(uint32_t camera, FrameMover& mover, KernelMove& kernelMove) {
    FrameSource& source = sourceOf(camera);
    bool ranOut = false;
    if (Status status = mover.move(source, sinkOf(camera), kernelMove, ranOut); !status.ok()) {
      return status;
    }
    if (ranOut) noteRanOut(sourceIndexOf(camera));
    return {};
  }

  // One picture of a packed sequence: a frame of every camera.
  Status movePicture(std::vector<KernelMove>& kernelMoves) {
    ranOut_.assign(sources_.size(), false);
    if (readsInterleaved_) {
      bool sequenceRanOut = false;
      if (Status status = packedMover_->unpack(sources_[0], sinks_, kernelMoves, sequenceRanOut);
          !status.ok()) {
        return status;
      }
      ranOut_[0] = sequenceRanOut;
    } else if (Status status = packedMover_->pack(sources_, sinks_[0], kernelMoves, ranOut_);
               !status.ok()) {
      return status;
    }
    for (size_t source = 0; source < ranOut_.size(); ++source) {
      if (ranOut_[source]) noteRanOut(source);
    }
    return {};
  }

  // Said before the walk already, it needs no second line of detail.
  void noteRanOut(size_t source) {
    const bool said = announcedShort_[source];
    observer_.note(noteOn(sources_[source],
                          said ? "" : ranOutDetail(sources_[source], framesPerSource()),
                          Note::Kind::kInputRanShort));
  }

  // The frames the walk takes from a source: all of the interleaved file's,
  // or one camera's.
  [[nodiscard]] std::string framesPerSource() const {
    const Layout schedule = layout_;
    uint64_t frames = framesPerCamera(schedule);
    const bool fits = !readsInterleaved_ || grid_.tiled() || framesInSequence(schedule, frames);
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
  const Request& request_;
  const Configuration* const configuration_;
  const InterleavedFile interleaved_;
  const bool readsInterleaved_;  // mvunweave; mvweave writes the interleaved file
  Observer& observer_;
  Layout layout_;                      // the request's, completed from a record
  Packing packing_;                    // the same
  Grid grid_;                          // tiled where the sequence is packed
  std::vector<FileIdentity> outputs_;  // what each output is, where known
  const FrameSource* firstY4m_ = nullptr;
  PictureFormat format_;              // a camera's frames
  PictureFormat sequenceFormat_;      // the sequence's: packed pictures, or format_
  std::string formatOrigin_;          // what the format was taken from, for messages
  std::vector<bool> announcedShort_;  // by source: told before the walk that it runs out
  std::vector<FrameSource> sources_;
  std::vector<FrameSink> sinks_;
  uint32_t frameSize_ = 0;
  uint32_t pictureSize_ = 0;  // the sequence's frames: frameSize_ unless packed
  std::unique_ptr<PackedMover> packedMover_;
  std::vector<bool> ranOut_;  // by source: ran out in the picture just moved
};

// The system's file layer, for a run of one call: a signal that interrupts
// a call that waits asks the observer whether to stop.
Status runOnSystemFiles(InterleavedFile interleaved, const Request& request, Observer& observer) {
  const std::unique_ptr<FileSystem> files =
      makeSystemFileSystem([&observer] { return observer.cancelled(); });
  return Run(interleaved, request, nullptr, observer, *files).execute();
}

}  // namespace

Status merge(const Request& request, Observer& observer) {
  return runOnSystemFiles(InterleavedFile::kWritten, request, observer);
}

Status merge(const Request& request, Observer& observer, FileSystem& files) {
  return Run(InterleavedFile::kWritten, request, nullptr, observer, files).execute();
}

Status split(const Request& request, Observer& observer) {
  return runOnSystemFiles(InterleavedFile::kRead, request, observer);
}

Status split(const Request& request, Observer& observer, FileSystem& files) {
  return Run(InterleavedFile::kRead, request, nullptr, observer, files).execute();
}

Status run(const Configuration& configuration, InterleavedFile interleaved, Observer& observer,
           FileSystem& files) {
  return Run(interleaved, configuration.request, &configuration, observer, files).execute();
}

}  // namespace mvweave
