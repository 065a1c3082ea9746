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
  // Allocated and given back at once: untouched, it costs no memory.
  const std::unique_ptr<char[]> probe(new (std::nothrow) char[frameSize]);
  return probe ? Status{} : noFrameBuffer(frameSize);
}

Status FrameMover::move(FrameSource& source, FrameSink& sink, KernelMove& kernelMove) {
  bool present = false;
  if (Status status = source.beginFrame(present); !status.ok()) return status;
  if (Status status = sink.beginFrame(); !status.ok()) return status;
  uint64_t moved = 0;
  if (present) {
    if (Status status = moveData(source, sink, kernelMove, moved); !status.ok()) return status;
  }
  if (Status status = sink.writeZeros(frameSize_ - moved); !status.ok()) return status;
  return source.endFrame(moved, frameSize_);
}

// Inside the kernel while it moves data; when it finds nothing more, read()
// has the last word (some files, /proc's among them, show the kernel
// nothing); when it cannot, or fails, the rest goes through the buffer,
// where read() and write() tell a read error from a write error.
Status FrameMover::moveData(FrameSource& source, FrameSink& sink, KernelMove& kernelMove,
                            uint64_t& moved) {
  if (!piece_) piece_ = std::make_unique<char[]>(kPieceSize);
  char* const piece = piece_.get();
  // What was read ahead from a pipe goes first, but no more than this frame
  // takes: the rest belongs to the frames after it.
  while (source.bytesHeldBack() > 0 && moved < frameSize_) {
    size_t got = 0;
    const size_t held = static_cast<size_t>(
        std::min<uint64_t>({source.bytesHeldBack(), frameSize_ - moved, kPieceSize}));
    if (Status status = source.readBytes(piece, held, got); !status.ok()) return status;
    if (Status status = sink.writeBytes(piece, got); !status.ok()) return status;
    moved += got;
  }
  while (moved < frameSize_ && kernelMove != KernelMove::kNone) {
    size_t step = 0;
    if (moveInKernel(kernelMove, source.handle(), sink.handle(), frameSize_ - moved, step) != 0) {
      kernelMove = KernelMove::kNone;
      break;
    }
    source.movedInKernel(step);
    moved += step;
    if (step > 0) continue;
    size_t got = 0;
    const size_t wanted = static_cast<size_t>(std::min<uint64_t>(kPieceSize, frameSize_ - moved));
    if (Status status = source.readBytes(piece, wanted, got); !status.ok()) return status;
    if (got == 0) return {};  // the source has ended
    if (Status status = sink.writeBytes(piece, got); !status.ok()) return status;
    moved += got;
  }
  return copyThroughBuffer(source, sink, frameSize_ - moved, moved);
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
