// Byte helpers shared by the matcher's searches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace vsk::blocks {

// The 2-byte block at p as a little-endian key.
inline unsigned Block(const uint8_t* p) { return p[0] | (static_cast<unsigned>(p[1]) << 8); }

inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

inline uint64_t Load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

// Where the run of each block starts in `keyed`, sorted by block; the
// 65537th entry is its size.
template <class Entry>
std::vector<uint16_t> RunStarts(const std::vector<std::pair<uint16_t, Entry>>& keyed) {
  std::vector<uint16_t> starts(65537);
  size_t next = 0;
  for (size_t k = 0; k <= 65536; ++k) {
    starts[k] = static_cast<uint16_t>(next);
    while (next < keyed.size() && keyed[next].first == k) ++next;
  }
  return starts;
}

}  // namespace vsk::blocks
