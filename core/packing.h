// Packings by their names, the grid of tiles each gives for a number of
// cameras: "frames", "side-by-side" (N x 1), "top-bottom" (1 x N) or a grid
// "CxR" (C columns, R rows, the cameras row by row), and the packed picture:
// each plane tiled on its own, so that a packed picture is an ordinary
// planar picture C x Width by R x Height, as ffmpeg's stacking filters
// make it.
#ifndef MVWEAVE_CORE_PACKING_H
#define MVWEAVE_CORE_PACKING_H

#include <cstdint>
#include <string>

#include "mvweave/request.h"
#include "mvweave/status.h"
#include "picture_format.h"

namespace mvweave {

// False for a name that is none of those.
bool packingNamed(const std::string& name, Packing& packing);
std::string nameOf(const Packing& packing);

// Columns x rows of tiles: N x 1, 1 x N or the grid's; 0 x 0 for frames
// (and for a packing without cameras, which has nothing to tile).
struct Grid {
  uint32_t columns = 0;
  uint32_t rows = 0;
  [[nodiscard]] bool tiled() const { return columns != 0 && rows != 0; }
  [[nodiscard]] uint64_t tiles() const { return uint64_t{columns} * rows; }
  bool operator==(const Grid& other) const {
    return columns == other.columns && rows == other.rows;
  }
};
Grid gridOf(const Packing& packing, uint32_t cameras);

// kUnsupportedFormat, with the rule in the detail, where a tiled grid is
// not one tile per camera.
Status checkTiles(const Packing& packing, uint32_t cameras);

// The packed picture of a tiled grid, planar. kUnsupportedFormat, with the
// rule in the detail, where the grid is not one tile per camera or a chroma
// plane cannot be tiled (an odd Width with 4:2:0 or 4:2:2 and more than
// one column, an odd Height with 4:2:0 and more than one row);
// kFrameSizeOutOfRange where the packed picture is more than 32 bits of
// samples or bytes.
Status packedFormatOf(const PictureFormat& camera, const Packing& packing, uint32_t cameras,
                      PictureFormat& packed);

}  // namespace mvweave

#endif
