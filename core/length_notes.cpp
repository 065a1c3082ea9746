// Counting the frames of the inputs against the layout.
#include "length_notes.h"

namespace mvweave {

namespace {

const std::string kBeyond = "more than " + std::to_string(UINT64_MAX);

std::string plural(uint64_t count, const char* noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

// What the layout asks of one source.
struct Demand {
  uint64_t start = 0;   // the frame of the file where the layout begins
  uint64_t taken = 0;   // frames it takes from there
  bool beyond = false;  // taken is more than 64 bits can say
  std::string startText;
  std::string takenText;
};

Demand demandOf(const FrameSchedule& schedule, uint32_t firstFrm, bool readsInterleaved) {
  Demand demand;
  const uint64_t perCamera = framesPerCamera(schedule);
  if (!readsInterleaved) {
    demand.start = firstFrm;
    demand.taken = perCamera;
    demand.startText = "from frame " + std::to_string(firstFrm) + " on ";
    demand.takenText = std::to_string(perCamera);
    return demand;
  }
  // FirstFrm skips groups of N frames: a product of two 32-bit numbers.
  demand.start = uint64_t{firstFrm} * schedule.cameras;
  demand.startText = "from frame " + std::to_string(demand.start) + " on (FirstFrm " +
                     std::to_string(firstFrm) + " x " + plural(schedule.cameras, "camera") + ") ";
  demand.beyond = !framesInSequence(schedule, demand.taken);
  demand.takenText = (demand.beyond ? kBeyond : std::to_string(demand.taken)) + " (" +
                     plural(schedule.cameras, "camera") + " x " + std::to_string(perCamera) + ")";
  return demand;
}

std::string shortNote(const FrameSource& source, uint64_t held, uint64_t available,
                      const Demand& demand, uint32_t firstFrm) {
  std::string text = source.name() + ": holds " + plural(held, "frame") + "; " +
                     (firstFrm != 0 ? demand.startText : "") + "the layout takes " +
                     demand.takenText + ": ";
  if (available == 0) {
    return text + "all " + (demand.beyond ? kBeyond : std::to_string(demand.taken)) +
           " will be zeros";
  }
  if (demand.beyond)
    return text + "all but the first " + std::to_string(available) + " will be zeros";
  return text + "the last " + std::to_string(demand.taken - available) + " will be zeros";
}

std::string leftOutNote(const FrameSource& source, uint64_t held, uint64_t available,
                        const Demand& demand, uint32_t firstFrm) {
  return source.name() + ": holds " + plural(held, "frame") + "; " +
         (firstFrm != 0 ? demand.startText : "") + "the layout reads " + demand.takenText + ": " +
         std::to_string(available - demand.taken) + " are left out";
}

}  // namespace

std::vector<LengthNote> lengthNotes(const std::vector<FrameSource>& sources,
                                    const FrameSchedule& schedule, uint32_t firstFrm,
                                    uint32_t frameSize, bool readsInterleaved) {
  std::vector<LengthNote> notes;
  const Demand demand = demandOf(schedule, firstFrm, readsInterleaved);
  // A camera is counted only as far as the layout goes; the interleaved
  // file whole, to tell what is left out.
  const bool saturates = demand.beyond || demand.taken > UINT64_MAX - demand.start;
  const uint64_t enough = readsInterleaved || saturates ? UINT64_MAX : demand.start + demand.taken;
  for (size_t i = 0; i < sources.size(); ++i) {
    const FrameSource& source = sources[i];
    uint64_t held = 0;
    if (!source.countFrames(frameSize, enough, held)) continue;
    const uint64_t available = held > demand.start ? held - demand.start : 0;
    if (demand.beyond || available < demand.taken) {
      notes.push_back({i, true, shortNote(source, held, available, demand, firstFrm)});
    } else if (readsInterleaved && available > demand.taken) {
      notes.push_back({i, false, leftOutNote(source, held, available, demand, firstFrm)});
    }
  }
  return notes;
}

}  // namespace mvweave
