// Packings read from and written as their names, and the packed picture.
#include "packing.h"

#include "counts.h"

namespace mvweave {

namespace {

// "2x3": two decimal numbers of 32 bits, both above 0.
bool gridNamed(const std::string& name, uint32_t& columns, uint32_t& rows) {
  const size_t x = name.find('x');
  const auto number = [](const std::string& text, uint32_t& value) {
    if (text.empty() || text.size() > 10 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
      return false;
    }
    const uint64_t parsed = std::stoull(text);
    value = static_cast<uint32_t>(parsed);
    return parsed > 0 && parsed <= UINT32_MAX;
  };
  return x != std::string::npos && number(name.substr(0, x), columns) &&
         number(name.substr(x + 1), rows);
}

Status unpackable(const Packing& packing, const std::string& rule) {
  return problemWith(Problem::kUnsupportedFormat, "", 0,
                     "Packing " + nameOf(packing) + ": " + rule);
}

}  // namespace

bool packingNamed(const std::string& name, Packing& packing) {
  packing = Packing{};
  if (name == "frames") return true;
  packing.kind = name == "side-by-side" ? Packing::Kind::kSideBySide
                 : name == "top-bottom" ? Packing::Kind::kTopBottom
                                        : Packing::Kind::kGrid;
  return packing.kind != Packing::Kind::kGrid || gridNamed(name, packing.columns, packing.rows);
}

std::string nameOf(const Packing& packing) {
  switch (packing.kind) {
    case Packing::Kind::kFrames: return "frames";
    case Packing::Kind::kSideBySide: return "side-by-side";
    case Packing::Kind::kTopBottom: return "top-bottom";
    case Packing::Kind::kGrid: break;
  }
  return std::to_string(packing.columns) + "x" + std::to_string(packing.rows);
}

Grid gridOf(const Packing& packing, uint32_t cameras) {
  switch (packing.kind) {
    case Packing::Kind::kFrames: return {};
    case Packing::Kind::kSideBySide: return {cameras, 1};
    case Packing::Kind::kTopBottom: return {1, cameras};
    case Packing::Kind::kGrid: break;
  }
  return {packing.columns, packing.rows};
}

Status checkTiles(const Packing& packing, uint32_t cameras) {
  const Grid grid = gridOf(packing, cameras);
  if (!grid.tiled() || grid.tiles() == cameras) return {};
  return unpackable(packing, plural(grid.tiles(), "tile") + " for " + plural(cameras, "camera") +
                                 "; a grid CxR holds one tile per camera");
}

Status packedFormatOf(const PictureFormat& camera, const Packing& packing, uint32_t cameras,
                      PictureFormat& packed) {
  const Grid grid = gridOf(packing, cameras);
  if (Status status = checkTiles(packing, cameras); !status.ok()) return status;
  const bool halfWidth = camera.chroma == 420 || camera.chroma == 422;
  if (halfWidth && grid.columns > 1 && camera.width % 2 != 0) {
    return unpackable(packing, "Width " + std::to_string(camera.width) + " is odd, and " +
                                   describe(camera) +
                                   " chroma planes of half the width cannot be tiled side by side");
  }
  if (camera.chroma == 420 && grid.rows > 1 && camera.height % 2 != 0) {
    return unpackable(
        packing, "Height " + std::to_string(camera.height) + " is odd, and " + describe(camera) +
                     " chroma planes of half the height cannot be tiled one over another");
  }
  const uint64_t width = uint64_t{camera.width} * grid.columns;
  const uint64_t height = uint64_t{camera.height} * grid.rows;
  packed = camera;
  packed.planar = true;
  packed.width = static_cast<uint32_t>(width);
  packed.height = static_cast<uint32_t>(height);
  uint32_t bytes = 0;
  if (width > UINT32_MAX || height > UINT32_MAX || !frameSizeOf(packed, bytes).ok()) {
    return problemWith(Problem::kFrameSizeOutOfRange, "", 0,
                       "Packing " + nameOf(packing) + " of " + std::to_string(cameras) +
                           " pictures of Width x Height " + std::to_string(camera.width) + " x " +
                           std::to_string(camera.height) +
                           " needs a packed picture of more than 4294967295 bytes");
  }
  return {};
}

}  // namespace mvweave
