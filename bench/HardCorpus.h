// The folder-scan tree closer to what users scan: mixed sizes in ten nested
// folders; random, text-like and zero-filled files; signatures at the ends,
// in pairs, behind near-misses, and files dense with near-misses; short
// signatures that are prefixes of long ones.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace vsk::bench {

// Six short signatures become the prefixes of six longer ones.
inline void MakePrefixPairs(std::vector<std::string>& sigs, std::mt19937_64& rng) {
  std::vector<size_t> order(sigs.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::shuffle(order.begin(), order.end(), rng);
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return sigs[a].size() < sigs[b].size(); });
  for (size_t k = 0; k < 6 && 2 * k + 1 < order.size(); ++k) {
    std::string& shorter = sigs[order[k]];
    const std::string& longer = sigs[order[order.size() - 1 - k]];
    if (shorter.size() < longer.size()) shorter = longer.substr(0, shorter.size());
  }
}

struct HardTree {
  size_t files = 0;
  size_t bytes = 0;
};

inline void FillRandom(std::string& data, std::mt19937_64& rng) {
  for (size_t k = 0; k + 8 <= data.size(); k += 8) {
    const uint64_t v = rng();
    std::memcpy(data.data() + k, &v, 8);
  }
}

// Lines of lowercase words, as logs and sources are.
inline void FillText(std::string& data, std::mt19937_64& rng) {
  static const char* const kWords[] = {"the", "scan", "file", "of", "and", "error", "value",
                                       "return", "int", "data", "to", "in", "for", "if",
                                       "window", "name", "size", "const", "path", "is"};
  size_t at = 0, line = 0;
  while (at < data.size()) {
    const char* w = kWords[rng() % (sizeof kWords / sizeof *kWords)];
    for (; *w && at < data.size(); ++w) data[at++] = *w;
    if (at < data.size()) data[at++] = ++line % 9 == 0 ? '\n' : ' ';
  }
}

inline void Put(std::string& data, size_t at, const std::string& sig, bool nearMiss) {
  std::copy(sig.begin(), sig.end(), data.begin() + static_cast<long>(at));
  if (nearMiss) data[at + sig.size() - 1] ^= 0x5A;  // the last byte differs
}

// Writes about totalMiB under root; returns what was written.
inline HardTree WriteHardTree(const std::filesystem::path& root, size_t totalMiB,
                              const std::vector<std::string>& sigs, std::mt19937_64& rng) {
  std::vector<std::filesystem::path> folders{root};
  for (int d = 0; d < 10; ++d) folders.push_back(folders.back() / ("n" + std::to_string(d)));
  std::filesystem::create_directories(folders.back());
  HardTree made;
  std::string data;
  auto sig = [&] { return sigs[rng() % sigs.size()]; };
  auto offset = [&](size_t length) { return rng() % (data.size() - length + 1); };
  for (size_t n = 0; made.bytes < totalMiB << 20; ++n) {
    // About 55 % of the bytes in files of 1-16 MiB, the rest 1-64 KiB.
    const bool big = n % 220 == 219;
    data.assign(big ? (1u << 20) + rng() % (15u << 20) : 1024 + rng() % (63u << 10), '\0');
    const unsigned kind = static_cast<unsigned>(rng() % 100);
    if (kind < 6)
      FillText(data, rng);
    else if (kind >= 9)
      FillRandom(data, rng);  // 3 % stay zeros
    if (rng() % 100 == 0) {
      // Dense with near-misses: a candidate every few bytes, all rejected.
      for (size_t at = 0; at + 64 < data.size(); at += 30 + rng() % 16) Put(data, at, sig(), true);
    }
    if (rng() % 5 == 0) {
      const std::string s = sig();
      switch (rng() % 5) {
        case 0: Put(data, 0, s, false); break;
        case 1: Put(data, data.size() - s.size(), s, false); break;
        case 2: {
          const std::string t = sig();
          Put(data, offset(s.size()), s, false);
          Put(data, offset(t.size()), t, false);
          break;
        }
        case 3: {
          const size_t at = offset(2 * s.size());
          Put(data, at, s, true);
          Put(data, at + s.size(), s, false);
          break;
        }
        default: Put(data, offset(s.size()), s, false);
      }
    }
    const std::filesystem::path file = folders[1 + n % 10] / ("f" + std::to_string(n) + ".bin");
    std::ofstream(file, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
    ++made.files;
    made.bytes += data.size();
  }
  return made;
}

}  // namespace vsk::bench
