// Packing and unpacking a picture, plane by plane, row of tiles by row.
#include "packed_mover.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <string>

namespace mvweave {

namespace {

uint32_t frameSizeOrZero(const PictureFormat& format) {
  uint32_t size = 0;
  return frameSizeOf(format, size).ok() ? size : 0;
}

}  // namespace

PackedMover::PackedMover(FileSystem& files, const PictureFormat& camera, Grid grid)
    : grid_(grid),
      frameSize_(frameSizeOrZero(camera)),
      pictureSize_(static_cast<uint32_t>(frameSize_ * grid.tiles())),
      frames_(files, frameSize_),
      taken_(grid.tiles()) {
  for (const PlaneShape& plane : planesOf(camera)) {
    const TileShape tile{uint64_t{plane.width} * sampleBytes(camera), plane.height};
    tiles_.push_back(tile);
    if (grid_.columns > 1) {
      bufferBytes_ = std::max(bufferBytes_, tile.rowBytes * rowsPerBand(tile) * grid_.columns);
    }
  }
}

// As many rows as make about kBandBytes of the picture; at least one.
uint32_t PackedMover::rowsPerBand(const TileShape& tile) const {
  const uint64_t pictureRow = tile.rowBytes * grid_.columns;
  const uint64_t rows = pictureRow == 0 ? tile.rows : kBandBytes / pictureRow;
  return static_cast<uint32_t>(std::clamp<uint64_t>(rows, 1, std::max(tile.rows, 1u)));
}

Status PackedMover::checkBuffers() {
  if (bufferBytes_ == 0 || cameraRows_) return {};
  cameraRows_.reset(new (std::nothrow) char[bufferBytes_]);
  pictureRows_.reset(new (std::nothrow) char[bufferBytes_]);
  if (cameraRows_ && pictureRows_) return {};
  return problemWith(Problem::kAllocateFrameBuffer, "", ENOMEM,
                     "2 x " + std::to_string(bufferBytes_) + " bytes for rows of packed pictures");
}

Status PackedMover::pack(std::vector<FrameSource>& cameras, FrameSink& sequence,
                         std::vector<KernelMove>& kernelMoves, std::vector<bool>& ranOut) {
  for (size_t c = 0; c < cameras.size(); ++c) {
    bool present = false;
    if (Status status = cameras[c].beginFrame(present); !status.ok()) return status;
    taken_[c] = Taken{0, !present};
  }
  if (Status status = sequence.beginFrame(); !status.ok()) return status;
  for (const TileShape& tile : tiles_) {
    Status status = grid_.columns == 1 ? packColumn(cameras, sequence, kernelMoves, tile)
                                       : packBands(cameras, sequence, tile);
    if (!status.ok()) return status;
  }
  for (size_t c = 0; c < cameras.size(); ++c) {
    ranOut[c] = cameras[c].endFrame(taken_[c].bytes, frameSize_);
  }
  return {};
}

Status PackedMover::unpack(FrameSource& sequence, std::vector<FrameSink>& cameras,
                           std::vector<KernelMove>& kernelMoves, bool& ranOut) {
  bool present = false;
  if (Status status = sequence.beginFrame(present); !status.ok()) return status;
  taken_[0] = Taken{0, !present};
  for (FrameSink& camera : cameras) {
    if (Status status = camera.beginFrame(); !status.ok()) return status;
  }
  for (const TileShape& tile : tiles_) {
    Status status = grid_.columns == 1 ? unpackColumn(sequence, cameras, kernelMoves, tile)
                                       : unpackBands(sequence, cameras, tile);
    if (!status.ok()) return status;
  }
  ranOut = sequence.endFrame(taken_[0].bytes, pictureSize_);
  return {};
}

// One camera over another: each tile of the plane is one piece of the
// picture, the cameras in order.
Status PackedMover::packColumn(std::vector<FrameSource>& cameras, FrameSink& sequence,
                               std::vector<KernelMove>& kernelMoves, const TileShape& tile) {
  for (size_t c = 0; c < cameras.size(); ++c) {
    if (Status status =
            moveOrZeros(cameras[c], sequence, kernelMoves[c], taken_[c], tile.rowBytes * tile.rows);
        !status.ok()) {
      return status;
    }
  }
  return {};
}

Status PackedMover::unpackColumn(FrameSource& sequence, std::vector<FrameSink>& cameras,
                                 std::vector<KernelMove>& kernelMoves, const TileShape& tile) {
  for (size_t c = 0; c < cameras.size(); ++c) {
    if (Status status =
            moveOrZeros(sequence, cameras[c], kernelMoves[c], taken_[0], tile.rowBytes * tile.rows);
        !status.ok()) {
      return status;
    }
  }
  return {};
}

// Cameras side by side: for each row of tiles, a band of rows of each
// camera of the row into cameraRows_ (camera after camera), then woven row
// by row into pictureRows_ and written in one piece.
Status PackedMover::packBands(std::vector<FrameSource>& cameras, FrameSink& sequence,
                              const TileShape& tile) {
  return forEachBand(tile, [&](uint32_t gridRow, uint32_t rows) {
    const uint64_t tileBand = tile.rowBytes * rows;
    for (uint32_t column = 0; column < grid_.columns; ++column) {
      const size_t c = size_t{gridRow} * grid_.columns + column;
      if (Status status =
              readOrZeros(cameras[c], taken_[c], cameraRows_.get() + column * tileBand, tileBand);
          !status.ok()) {
        return status;
      }
    }
    weave(tile, rows, Weave::kIntoPicture);
    return sequence.writeBytes(pictureRows_.get(), tileBand * grid_.columns);
  });
}

// The other way: a band of the picture's rows read in one piece, each
// camera's part of every row gathered and written in one piece.
Status PackedMover::unpackBands(FrameSource& sequence, std::vector<FrameSink>& cameras,
                                const TileShape& tile) {
  return forEachBand(tile, [&](uint32_t gridRow, uint32_t rows) {
    const uint64_t tileBand = tile.rowBytes * rows;
    if (Status status =
            readOrZeros(sequence, taken_[0], pictureRows_.get(), tileBand * grid_.columns);
        !status.ok()) {
      return status;
    }
    weave(tile, rows, Weave::kIntoCameras);
    for (uint32_t column = 0; column < grid_.columns; ++column) {
      FrameSink& camera = cameras[size_t{gridRow} * grid_.columns + column];
      if (Status status = camera.writeBytes(cameraRows_.get() + column * tileBand, tileBand);
          !status.ok()) {
        return status;
      }
    }
    return Status{};
  });
}

// Every band of rows of a plane's tiles, row of tiles by row of tiles:
// `band(gridRow, rows)`, which returns a Status; the first failure ends it.
template <typename Band>
Status PackedMover::forEachBand(const TileShape& tile, Band&& band) const {
  const uint32_t bandRows = rowsPerBand(tile);
  for (uint32_t gridRow = 0; gridRow < grid_.rows; ++gridRow) {
    for (uint64_t top = 0; top < tile.rows; top += bandRows) {
      const auto rows = static_cast<uint32_t>(std::min<uint64_t>(bandRows, tile.rows - top));
      if (Status status = band(gridRow, rows); !status.ok()) return status;
    }
  }
  return {};
}

// A band's rows between the two buffers: in cameraRows_ each column's tile
// rows follow one another, in pictureRows_ each row holds every column's.
void PackedMover::weave(const TileShape& tile, uint32_t rows, Weave direction) {
  const uint64_t tileBand = tile.rowBytes * rows;
  for (uint32_t row = 0; row < rows; ++row) {
    for (uint32_t column = 0; column < grid_.columns; ++column) {
      char* const inPicture =
          pictureRows_.get() + (uint64_t{row} * grid_.columns + column) * tile.rowBytes;
      char* const inCamera = cameraRows_.get() + column * tileBand + row * tile.rowBytes;
      if (direction == Weave::kIntoPicture) {
        std::memcpy(inPicture, inCamera, tile.rowBytes);
      } else {
        std::memcpy(inCamera, inPicture, tile.rowBytes);
      }
    }
  }
}

// Once a source comes up short in a picture, the rest of the picture is
// zeros: no later read may bring bytes from a file that has grown since.
Status PackedMover::readOrZeros(FrameSource& source, Taken& taken, char* buffer, uint64_t size) {
  size_t got = 0;
  if (!taken.ended) {
    if (Status status = source.readBytes(buffer, static_cast<size_t>(size), got); !status.ok()) {
      return status;
    }
  }
  taken.bytes += got;
  taken.ended = taken.ended || got < size;
  std::memset(buffer + got, 0, static_cast<size_t>(size - got));
  return {};
}

Status PackedMover::moveOrZeros(FrameSource& source, FrameSink& sink, KernelMove& kernelMove,
                                Taken& taken, uint64_t size) {
  uint64_t moved = 0;
  if (!taken.ended) {
    if (Status status = frames_.moveBytes(source, sink, kernelMove, size, moved); !status.ok()) {
      return status;
    }
  }
  taken.bytes += moved;
  taken.ended = taken.ended || moved < size;
  return sink.writeZeros(size - moved);
}

}  // namespace mvweave
