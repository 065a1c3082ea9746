// What a run tells its caller as it goes, through an interface the caller
// implements: notes as values, the verbose report's settings, the blocks of
// the layout and the progress of the walk; and whether the caller wants the
// run to stop. Every member has a default that does nothing, so an Observer
// as it is runs silently. The library never prints: the command line's
// observer writes the tools' console text, the Python module's collects it.
#ifndef MVWEAVE_OBSERVER_H
#define MVWEAVE_OBSERVER_H

#include <cstdint>
#include <optional>
#include <string>

#include "mvweave/request.h"

namespace mvweave {

struct Note {
  enum class Kind {
    kNote,           // something that looks wrong; the run goes on
    kInputRanShort,  // an input ended before the layout: zeros from there on
    kOutputRemoved,  // the run did not complete: an output it wrote is gone
  };
  Kind kind = Kind::kNote;
  std::string file;                // the file it is about, as named; empty for none
  std::optional<uint32_t> camera;  // the camera that file is
  uint64_t line = 0;               // the line of a configuration file, from 1
  std::string text;                // what a person needs to know (may be empty)
};

// The settings a run goes by, once every file is open and the pictures are
// known: the request, with what it left unset taken from a Y4M header.
struct RunReport {
  const Request& request;
  Layout layout;
  uint32_t width;
  uint32_t height;
  uint32_t chromaFormat;
  uint32_t bitDepth;
  Packing packing;  // Width and Height are one camera's picture
};

class Observer {
 public:
  virtual ~Observer() = default;

  virtual void note(const Note& note) { (void)note; }
  // Once every file is open and the pictures are known.
  virtual void reportSettings(const RunReport& report) { (void)report; }
  // Block g of the layout (0 to NumGOP) begins; told only to an observer
  // that follows the blocks (a layout may hold 2^32 of them, empty).
  [[nodiscard]] virtual bool followsBlocks() const { return false; }
  virtual void blockStarted(uint32_t block) { (void)block; }
  // Frames moved of those the walk moves (UINT64_MAX when more than 64 bits
  // can count), each `frameSize` bytes; first with 0 as the walk begins. A
  // packed sequence's frames are its pictures.
  virtual void progress(uint64_t framesDone, uint64_t framesTotal, uint32_t frameSize) {
    (void)framesDone;
    (void)framesTotal;
    (void)frameSize;
  }
  // Asked before every frame and every block, and whenever a signal
  // interrupts a call that waits (with the system's file layer): true stops
  // the run, which removes what it wrote and returns kStopped.
  virtual bool cancelled() { return false; }
};

}  // namespace mvweave

#endif
