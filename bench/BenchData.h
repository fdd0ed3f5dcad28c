// Random signature tables and data for the matcher benchmarks.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "engine/db/VirusDatabase.h"

namespace vsk::bench {

inline VirusTable RandomTable(int count, int minLength, int maxLength, uint32_t seed) {
  std::mt19937 rng(seed);
  VirusTable t;
  t.count = count;
  for (int i = 0; i < count; ++i) {
    t.names[i] = "Bench." + std::to_string(i);
    t.lengths[i] = static_cast<uint8_t>(minLength + rng() % (maxLength - minLength + 1));
    for (int k = 0; k < t.lengths[i]; ++k) t.signatures[i][k] = static_cast<uint8_t>(rng());
  }
  return t;
}

inline std::vector<uint8_t> RandomData(size_t size, uint32_t seed) {
  std::mt19937_64 rng(seed);
  std::vector<uint8_t> data(size);
  for (size_t i = 0; i + 8 <= size; i += 8) {
    const uint64_t v = rng();
    for (int k = 0; k < 8; ++k) data[i + k] = static_cast<uint8_t>(v >> (8 * k));
  }
  return data;
}

// Data made of signature prefixes that break off before the end: every few
// bytes a candidate that must be verified and rejected.
inline std::vector<uint8_t> NearMissData(const VirusTable& t, size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> data = RandomData(size, seed);
  size_t at = 0;
  while (at + 64 < size) {
    const int i = static_cast<int>(rng() % t.count);
    const size_t length = t.lengths[i];
    std::copy_n(t.signatures[i].begin(), length, data.begin() + static_cast<long>(at));
    data[at + length - 1] ^= 0x5A;  // the last byte differs
    at += length + rng() % 16;
  }
  return data;
}

}  // namespace vsk::bench
