// The notes before a run, and the texts they are made of.
#include "run_notes.h"

#include <algorithm>

#include "counts.h"

namespace mvweave {

namespace {

// What the layout asks of one source.
struct Demand {
  uint64_t start = 0;    // the frame of the file where the layout begins
  uint64_t taken = 0;    // frames it takes from there
  bool fits = true;      // taken fits in 64 bits
  bool zeroFill = true;  // what is missing is written as zeros
  std::string startText;
  std::string takenText;
};

// A packed sequence holds one picture for each frame of a camera.
Demand demandOf(const Layout& layout, uint32_t firstFrm, InterleavedFile interleaved, bool packed) {
  Demand demand;
  const uint64_t perCamera = framesPerCamera(layout);
  if (interleaved == InterleavedFile::kWritten || packed) {
    demand.start = firstFrm;
    demand.taken = perCamera;
    demand.startText = "from frame " + std::to_string(firstFrm) + " on ";
    demand.takenText = std::to_string(perCamera);
    return demand;
  }
  // FirstFrm skips groups of N frames: a product of two 32-bit numbers.
  demand.start = uint64_t{firstFrm} * layout.cameras;
  demand.startText = "from frame " + std::to_string(demand.start) + " on (FirstFrm " +
                     std::to_string(firstFrm) + " x " + plural(layout.cameras, "camera") + ") ";
  demand.fits = framesInSequence(layout, demand.taken);
  demand.takenText = countText(demand.taken, demand.fits) + " (" +
                     plural(layout.cameras, "camera") + " x " + std::to_string(perCamera) + ")";
  return demand;
}

// "holds 22 frames and 4 bytes; from frame 3 on the layout takes 25"
std::string heldAndDemanded(const std::string& held, const Demand& demand, uint32_t firstFrm,
                            const char* verb) {
  return "holds " + held + "; " + (firstFrm != 0 ? demand.startText : "") + "the layout " + verb +
         " " + demand.takenText;
}

std::string heldText(const FrameCount& count) {
  std::string held = plural(count.frames, "frame");
  if (count.partialBytes != 0) held += " and " + plural(count.partialBytes, "byte");
  return held;
}

// "the last 3 will be zeros", "all 25 are missing": the frames of the
// demand that come after the `available` ones.
std::string missingFrames(const Demand& demand, uint64_t available) {
  const auto missing = [&demand](bool one) {
    return !demand.zeroFill ? one ? " is missing" : " are missing" : " will be zeros";
  };
  if (available == 0 && demand.fits && demand.taken == 1)
    return "that one" + std::string(missing(true));
  if (available == 0) return "all " + countText(demand.taken, demand.fits) + missing(false);
  if (!demand.fits) return "all but the first " + std::to_string(available) + missing(false);
  const uint64_t zeros = demand.taken - available;
  return "the last " + (zeros == 1 ? std::string("one") : std::to_string(zeros)) +
         missing(zeros == 1);
}

// A frame cut short within what the layout takes is padded, not all zeros.
std::string shortNote(const FrameCount& count, const Demand& demand, uint32_t firstFrm) {
  const uint64_t available = count.frames > demand.start ? count.frames - demand.start : 0;
  const bool cutWithin = count.partialBytes != 0 && count.frames >= demand.start;
  std::string text = heldAndDemanded(heldText(count), demand, firstFrm, "takes") + ": " +
                     missingFrames(demand, available);
  if (cutWithin) {
    text += ", the first of them after " + plural(count.partialBytes, "byte") + " of data";
  }
  return text;
}

// Counted up to one frame more than the layout reads: "more than" that.
std::string leftOutNote(const FrameSource& source, const FrameCount& count, const Demand& demand,
                        uint32_t firstFrm, uint64_t enough) {
  if (count.frames == enough && source.y4m()) {
    return heldAndDemanded("more than " + plural(enough - 1, "frame"), demand, firstFrm, "reads") +
           ": the rest are left out";
  }
  const uint64_t leftOut = count.frames - demand.start - demand.taken;
  return heldAndDemanded(heldText(count), demand, firstFrm, "reads") + ": " +
         std::to_string(leftOut) + (leftOut == 1 ? " is" : " are") + " left out";
}

// What an input's count says against the layout's demand; empty when it
// fits, or when its length is not known. `runsOut`: it holds too few.
std::string lengthNote(const FrameSource& source, const FrameCount& count, const Demand& demand,
                       uint32_t firstFrm, uint64_t enough, bool reading, bool& runsOut) {
  const uint64_t available = count.frames > demand.start ? count.frames - demand.start : 0;
  if (!count.known) return {};
  runsOut = !demand.fits || available < demand.taken;
  if (runsOut) return shortNote(count, demand, firstFrm);
  if (reading && available > demand.taken) {
    return leftOutNote(source, count, demand, firstFrm, enough);
  }
  return {};
}

}  // namespace

Note noCameraNote(const FrameSink& output) {
  return {Note::Kind::kNote,
          {},
          {},
          0,
          "no camera: no Input line was read, so " +
              (output.truncates() ? output.name() + " will be empty"
                                  : "nothing will be written to " + output.name())};
}

Status explainEmptyPath(const Status& status, const ConfiguredPath& path, const char* key,
                        bool anyConfigFile) {
  if (!path.path.empty()) return status;
  if (!anyConfigFile) {
    return problemWith(status.problem, "", 0,
                       "no configuration file was given: name one, such as ./views.cfg");
  }
  if (path.file.empty()) {
    return problemWith(status.problem, "", 0,
                       std::string("no file named: is there an ") + key +
                           " line, with its path between double quotes?");
  }
  return problemAtLine(status.problem, path.file, path.line,
                       path.quoted ? "the path between the double quotes is empty"
                                   : "the path must stand between double quotes");
}

std::vector<Note> geometryNotes(const std::vector<FrameSource>& sources,
                                const PictureFormat& format, uint32_t frameSize,
                                const std::string& packing) {
  std::vector<Note> notes;
  if (frameSize == 0) {
    // Kept as it always was, but never without a word: it empties outputs.
    return {{Note::Kind::kNote,
             {},
             {},
             0,
             "Width " + std::to_string(format.width) + " and Height " +
                 std::to_string(format.height) +
                 ": a frame is 0 bytes, so no frame data will be written"}};
  }
  for (const FrameSource& source : sources) {
    uint64_t bytes = 0;
    if (source.y4m() || source.identity().kind != FileKind::kRegular ||
        !source.lengthFromStart(bytes) || bytes % frameSize == 0) {
      continue;
    }
    notes.push_back(noteOn(
        source, std::to_string(bytes) + " bytes is not a whole number of " +
                    std::to_string(frameSize) +
                    (packing.empty() ? "-byte frames (Width "
                                     : "-byte pictures (Packing " + packing + " of Width ") +
                    std::to_string(format.width) + ", Height " + std::to_string(format.height) +
                    ", " + describe(format) + "); check Width, Height and the picture format"));
  }
  PictureFormat planar = format;
  planar.planar = true;
  uint32_t planarSize = 0;
  const bool odd = format.width % 2 != 0 || format.height % 2 != 0;
  if (!format.planar && odd && frameSizeOf(planar, planarSize).ok()) {
    notes.push_back({Note::Kind::kNote,
                     {},
                     {},
                     0,
                     "Width " + std::to_string(format.width) + " and Height " +
                         std::to_string(format.height) +
                         ": frames are taken as P + P/2 = " + plural(frameSize, "byte") +
                         "; ChromaFormat = 420 gives the planar layout of ffmpeg and Y4M files, " +
                         std::to_string(planarSize) + " bytes"});
  }
  return notes;
}

Status lengthNotes(const std::vector<FrameSource>& sources, const Layout& layout, uint32_t firstFrm,
                   uint32_t frameSize, InterleavedFile interleaved, std::vector<LengthNote>& notes,
                   bool zeroFill, bool packed) {
  Demand demand = demandOf(layout, firstFrm, interleaved, packed);
  demand.zeroFill = zeroFill;
  const bool reading = interleaved == InterleavedFile::kRead;
  // As far as the layout goes; for the interleaved file one frame more, to
  // tell whether some are left out.
  const bool saturates = !demand.fits || demand.taken >= UINT64_MAX - demand.start;
  const uint64_t read = saturates ? UINT64_MAX : demand.start + demand.taken;
  const uint64_t enough = saturates ? UINT64_MAX : read + (reading ? 1 : 0);
  for (size_t i = 0; i < sources.size(); ++i) {
    FrameCount count;
    if (Status status = sources[i].countFrames(frameSize, enough, read, count); !status.ok()) {
      return status;
    }
    bool runsOut = false;
    std::string text = lengthNote(sources[i], count, demand, firstFrm, enough, reading, runsOut);
    if (!text.empty()) notes.push_back({i, runsOut, noteOn(sources[i], std::move(text))});
  }
  return {};
}

Note noteOn(const FrameSource& source, std::string text, Note::Kind kind) {
  return {kind, source.path(), source.camera(), 0, std::move(text)};
}

std::string ranOutDetail(const FrameSource& source, const std::string& framesTaken) {
  std::string read = plural(source.framesRead(), "whole frame");
  if (source.partialBytes() != 0) read += " and " + plural(source.partialBytes(), "byte");
  return "ran out after " + read + " of the " + framesTaken +
         " the layout takes from it; the rest is written as zeros";
}

}  // namespace mvweave
