// Moves one frame from a FrameSource to the end of a FrameSink. The data
// moves inside the kernel where the system allows it, so that it never
// crosses into the program and, on file systems that copy on the server or
// share blocks, may not cross the network at all; else it is read into the
// frame buffer and written from it, one call each. A source that runs out
// gives zeros for the rest of the frame either way.
//
// Memory: the kernel path needs none of its own (zeros come from a small
// constant block, and Y4M FRAME lines are a few bytes); the frame buffer,
// one frame, is allocated the first time a frame has to pass through the
// program.
#ifndef MVWEAVE_CORE_FRAME_MOVER_H
#define MVWEAVE_CORE_FRAME_MOVER_H

#include <cstdint>
#include <memory>

#include "frame_sink.h"
#include "frame_source.h"
#include "mvweave/file_system.h"
#include "mvweave/status.h"

namespace mvweave {

class FrameMover {
 public:
  FrameMover(FileSystem& files, uint32_t frameSize) : files_(files), frameSize_(frameSize) {}

  // kAllocateFrameBuffer when no frame buffer could be had: checked before
  // anything is emptied, so that a picture too large for memory stops the
  // run there.
  static Status checkBuffer(uint32_t frameSize);

  // One frame. `kernelMove` is the kernel's call for this pair of files; it
  // becomes kNone for good once the kernel cannot move between them.
  // `ranOut` is true the first time the source runs out.
  Status move(FrameSource& source, FrameSink& sink, KernelMove& kernelMove, bool& ranOut);

  // Up to `size` bytes of a frame, no more than a frame, the same ways;
  // fewer (`moved`) where the source ends. Nothing is filled.
  Status moveBytes(FrameSource& source, FrameSink& sink, KernelMove& kernelMove, uint64_t size,
                   uint64_t& moved);

 private:
  // `ended` is true when the source has no more data.
  Status moveInsideKernel(FrameSource& source, FrameSink& sink, KernelMove& kernelMove,
                          uint64_t size, uint64_t& moved, bool& ended);
  // Reads up to `size` bytes, no more than a piece, and writes what came.
  Status copyPiece(FrameSource& source, FrameSink& sink, uint64_t size, uint64_t& moved);
  Status copyThroughBuffer(FrameSource& source, FrameSink& sink, uint64_t size, uint64_t& moved);

  static constexpr size_t kPieceSize = size_t{64} * 1024;

  FileSystem& files_;
  const uint32_t frameSize_;
  std::unique_ptr<char[]> buffer_;  // the frame buffer, allocated when first needed
  std::unique_ptr<char[]> piece_;   // for bytes read ahead, and after the kernel found none
};

}  // namespace mvweave

#endif
