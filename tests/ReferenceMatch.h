// The literal matching loop: every position in order, and at each position
// every virus in order, first two bytes tested before the rest. The yardstick
// for the fast matcher in tests, fuzzing and the benchmark.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/db/VirusDatabase.h"

namespace vsk::test {

inline int ReferenceMatch(const VirusTable& t, const uint8_t* d, size_t n) {
  for (size_t p = 0; p < n; ++p)
    for (int i = 0; i < t.count; ++i) {
      const size_t L = t.lengths[i];
      if (L == 0 || p + L > n) continue;
      if (d[p] != t.signatures[i][0]) continue;
      if (L >= 2 && d[p + 1] != t.signatures[i][1]) continue;
      size_t k = 2;
      while (k < L && d[p + k] == t.signatures[i][k]) ++k;
      if (k >= L) return i;
    }
  return -1;
}

}  // namespace vsk::test
