// The kernel path, and the read-and-write path it falls back to.
#include "frame_mover.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <string>

namespace mvweave {

namespace {

Status noFrameBuffer(uint32_t frameSize) {
  return problemWith(Problem::kAllocateFrameBuffer, "", ENOMEM,
                     std::to_string(frameSize) + " bytes for one frame");
}

}  // namespace

Status FrameMover::checkBuffer(uint32_t frameSize) {
  // Allocated and freed at once: untouched, it costs no memory.
  const std::unique_ptr<char[]> probe(new (std::nothrow) char[frameSize]);
  return probe ? Status{} : noFrameBuffer(frameSize);
}

Status FrameMover::move(FrameSource& source, FrameSink& sink, KernelMove& kernelMove,
                        bool& ranOut) {
  bool present = false;
  if (Status status = source.beginFrame(present); !status.ok()) return status;
  if (Status status = sink.beginFrame(); !status.ok()) return status;
  uint64_t moved = 0;
  if (present) {
    if (Status status = moveBytes(source, sink, kernelMove, frameSize_, moved); !status.ok()) {
      return status;
    }
  }
  if (Status status = sink.writeZeros(frameSize_ - moved); !status.ok()) return status;
  ranOut = source.endFrame(moved, frameSize_);
  return {};
}

// What was read ahead from a pipe goes first, but no more than this move
// takes: the rest belongs to the frames after it (a frame that took more
// would leave less than nothing to fill, and the zeros would run on towards
// 2^64 bytes). Then the kernel moves what it can, and the buffer the rest.
Status FrameMover::moveBytes(FrameSource& source, FrameSink& sink, KernelMove& kernelMove,
                             uint64_t size, uint64_t& moved) {
  moved = 0;
  while (source.bytesHeldBack() > 0 && moved < size) {
    const uint64_t held = std::min<uint64_t>(source.bytesHeldBack(), size - moved);
    if (Status status = copyPiece(source, sink, held, moved); !status.ok()) return status;
  }
  bool ended = false;
  if (Status status = moveInsideKernel(source, sink, kernelMove, size, moved, ended);
      !status.ok() || ended) {
    return status;
  }
  return copyThroughBuffer(source, sink, size - moved, moved);
}

// While the kernel moves data. When it finds nothing more, read() has the
// last word (some files, /proc's among them, show the kernel nothing); when
// it cannot, or fails, the caller reads and writes the rest, where read()
// and write() tell a read error from a write error.
Status FrameMover::moveInsideKernel(FrameSource& source, FrameSink& sink, KernelMove& kernelMove,
                                    uint64_t size, uint64_t& moved, bool& ended) {
  while (moved < size && kernelMove != KernelMove::kNone) {
    size_t step = 0;
    const OsError error =
        files_.moveInKernel(kernelMove, source.handle(), sink.handle(), size - moved, step);
    if (error == ECANCELED) return source.readProblem(error);  // asked to stop
    if (error != 0) {
      kernelMove = KernelMove::kNone;
      return {};
    }
    source.movedInKernel(step);
    moved += step;
    if (step > 0) continue;
    const uint64_t before = moved;
    if (Status status = copyPiece(source, sink, size - moved, moved); !status.ok()) {
      return status;
    }
    ended = moved == before;
    if (ended) return {};
  }
  return {};
}

Status FrameMover::copyPiece(FrameSource& source, FrameSink& sink, uint64_t size, uint64_t& moved) {
  if (!piece_) piece_ = std::make_unique<char[]>(kPieceSize);
  size_t got = 0;
  const auto wanted = static_cast<size_t>(std::min<uint64_t>(size, kPieceSize));
  if (Status status = source.readBytes(piece_.get(), wanted, got); !status.ok()) return status;
  moved += got;
  return sink.writeBytes(piece_.get(), got);
}

Status FrameMover::copyThroughBuffer(FrameSource& source, FrameSink& sink, uint64_t size,
                                     uint64_t& moved) {
  if (size == 0) return {};
  if (!buffer_) buffer_.reset(new (std::nothrow) char[frameSize_]);
  if (!buffer_) return noFrameBuffer(frameSize_);
  size_t got = 0;
  if (Status status = source.readBytes(buffer_.get(), static_cast<size_t>(size), got);
      !status.ok()) {
    return status;
  }
  moved += got;
  return sink.writeBytes(buffer_.get(), got);
}

}  // namespace mvweave
