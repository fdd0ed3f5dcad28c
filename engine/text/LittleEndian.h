// Little-endian fields of file headers (DOS, MZ and PE images, the
// database), read from and written to byte buffers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vsk::le {

inline uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(Get16(p)) | static_cast<uint32_t>(Get16(p + 2)) << 16;
}
inline void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v);
  Put16(p + 2, v >> 16);
}

// The same over a buffer of bytes or chars, at `at`.
template <class Buffer>
uint16_t Get16(const Buffer& b, size_t at) {
  return Get16(reinterpret_cast<const uint8_t*>(b.data()) + at);
}
template <class Buffer>
uint32_t Get32(const Buffer& b, size_t at) {
  return Get32(reinterpret_cast<const uint8_t*>(b.data()) + at);
}
template <class Buffer>
void Put16(Buffer& b, size_t at, uint32_t v) {
  Put16(reinterpret_cast<uint8_t*>(b.data()) + at, v);
}
template <class Buffer>
void Put32(Buffer& b, size_t at, uint32_t v) {
  Put32(reinterpret_cast<uint8_t*>(b.data()) + at, v);
}

}  // namespace vsk::le
