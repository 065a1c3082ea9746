// Counts and files as messages write them.
#ifndef MVWEAVE_CORE_COUNTS_H
#define MVWEAVE_CORE_COUNTS_H

#include <cstdint>
#include <optional>
#include <string>

namespace mvweave {

// The count, or "more than 18446744073709551615" when 64 bits cannot hold
// it (`fits` is false).
std::string countText(uint64_t count, bool fits = true);

// "1 frame", "2 frames".
std::string plural(uint64_t count, const char* noun);

// "cam1.yuv (camera 1)", or the path alone.
std::string nameOf(const std::string& path, std::optional<uint32_t> camera);

}  // namespace mvweave

#endif
