// Counts and files as messages write them.
#include "counts.h"

namespace mvweave {

std::string countText(uint64_t count, bool fits) {
  return fits ? std::to_string(count) : "more than " + std::to_string(UINT64_MAX);
}

std::string plural(uint64_t count, const char* noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string nameOf(const std::string& path, std::optional<uint32_t> camera) {
  return camera ? path + " (camera " + std::to_string(*camera) + ")" : path;
}

}  // namespace mvweave
