// Moves the pictures of a packed sequence (packing.h): one frame of every
// camera into one picture (mvweave), or one picture back into a frame of
// every camera (mvunweave). The planes go one after another, each tiled on
// its own, a row of tiles at a time.
//
// A single column of tiles keeps each camera's plane in one piece of the
// picture, so it moves as frames do (frame_mover.h), inside the kernel
// where the system allows. Columns side by side take turns every row: a
// band of rows passes through two buffers, the cameras' rows and the
// picture's, of about 256 KiB each, whatever the length of the sequence (a
// band is one row where a row is larger). A camera that runs out gives
// zeros for the rest of its tile, a sequence that runs out for the rest of
// every tile.
#ifndef MVWEAVE_CORE_PACKED_MOVER_H
#define MVWEAVE_CORE_PACKED_MOVER_H

#include <cstdint>
#include <memory>
#include <vector>

#include "frame_mover.h"
#include "frame_sink.h"
#include "frame_source.h"
#include "mvweave/file_system.h"
#include "mvweave/status.h"
#include "packing.h"
#include "picture_format.h"

namespace mvweave {

class PackedMover {
 public:
  // `camera`: one camera's picture, planar; `grid`: tiled, a tile a camera.
  PackedMover(FileSystem& files, const PictureFormat& camera, Grid grid);

  // kAllocateFrameBuffer when the buffers could not be had: checked before
  // anything is emptied.
  Status checkBuffers();

  // A picture from the next frame of every camera, in camera order;
  // `ranOut[c]` is true the first time camera c runs out.
  Status pack(std::vector<FrameSource>& cameras, FrameSink& sequence,
              std::vector<KernelMove>& kernelMoves, std::vector<bool>& ranOut);
  // The next picture into a frame of every camera; `ranOut` is true the
  // first time the sequence runs out.
  Status unpack(FrameSource& sequence, std::vector<FrameSink>& cameras,
                std::vector<KernelMove>& kernelMoves, bool& ranOut);

 private:
  // One plane's tiles: a row of so many bytes, so many rows.
  struct TileShape {
    uint64_t rowBytes;
    uint32_t rows;
  };
  // What has been taken from a source in this picture, and whether it ended.
  struct Taken {
    uint64_t bytes = 0;
    bool ended = false;
  };

  [[nodiscard]] uint32_t rowsPerBand(const TileShape& tile) const;
  Status packColumn(std::vector<FrameSource>& cameras, FrameSink& sequence,
                    std::vector<KernelMove>& kernelMoves, const TileShape& tile);
  Status packBands(std::vector<FrameSource>& cameras, FrameSink& sequence, const TileShape& tile);
  Status unpackColumn(FrameSource& sequence, std::vector<FrameSink>& cameras,
                      std::vector<KernelMove>& kernelMoves, const TileShape& tile);
  Status unpackBands(FrameSource& sequence, std::vector<FrameSink>& cameras, const TileShape& tile);
  template <typename Band>
  Status forEachBand(const TileShape& tile, Band&& band) const;
  enum class Weave { kIntoPicture, kIntoCameras };
  void weave(const TileShape& tile, uint32_t rows, Weave direction);
  // `size` bytes from the source into `buffer`, zeros where it has ended.
  static Status readOrZeros(FrameSource& source, Taken& taken, char* buffer, uint64_t size);
  // `size` bytes moved as a frame's are, zeros where the source has ended.
  Status moveOrZeros(FrameSource& source, FrameSink& sink, KernelMove& kernelMove, Taken& taken,
                     uint64_t size);

  // Both buffers together well inside a core's L2 cache, between the read,
  // the weave and the write: with 1 MiB bands, side by side took 10 to 17 %
  // longer (docs/performance.md).
  static constexpr uint64_t kBandBytes = uint64_t{256} << 10;

  const Grid grid_;
  std::vector<TileShape> tiles_;  // by plane
  uint32_t frameSize_ = 0;        // one camera's frame
  uint32_t pictureSize_ = 0;      // a tile for every camera
  FrameMover frames_;
  std::vector<Taken> taken_;  // by source
  uint64_t bufferBytes_ = 0;  // of each of the two buffers
  std::unique_ptr<char[]> cameraRows_;
  std::unique_ptr<char[]> pictureRows_;
};

}  // namespace mvweave

#endif
