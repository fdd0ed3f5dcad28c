#include "engine/os/Names.h"

#include <cstdint>
#include <random>

namespace vsk::os {

NativeName RandomHex(int digits) {
  thread_local std::mt19937_64 random{std::random_device{}()};
  static constexpr char kHex[] = "0123456789abcdef";
  NativeName text;
  uint64_t bits = random();
  for (int i = 0; i < digits && i < 16; ++i, bits >>= 4)
    text.push_back(static_cast<NativeName::value_type>(kHex[bits & 15]));
  return text;
}

NativeName FromAscii(const char* text) {
  NativeName name;
  for (; *text; ++text) name.push_back(static_cast<NativeName::value_type>(*text));
  return name;
}

NativeName NewNamePrefix(const NativeName& name) {
  return name.substr(0, 64) + NativeName(1, '.');
}

}  // namespace vsk::os
