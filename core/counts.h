// Counts as messages write them.
#ifndef MVWEAVE_CORE_COUNTS_H
#define MVWEAVE_CORE_COUNTS_H

#include <cstdint>
#include <string>

namespace mvweave {

// The count, or "more than 18446744073709551615" when 64 bits cannot hold
// it (`fits` is false).
std::string countText(uint64_t count, bool fits = true);

// "1 frame", "2 frames".
std::string plural(uint64_t count, const char* noun);

}  // namespace mvweave

#endif
