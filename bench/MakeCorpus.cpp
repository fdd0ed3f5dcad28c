// make-corpus OUT [TOTAL_MIB] [MIN_LEN] [MAX_LEN]: a mixed tree for the folder-scan
// benchmark. Writes OUT/tree (thousands of small files and some of several
// MiB), OUT/signatures.txt (200 signatures in the database source format),
// OUT/rules.yar and OUT/sigs.ndb (the same signatures for yara and
// clamscan) and OUT/expected.tsv (the files each signature was planted in).
// make-corpus OUT --small FILES: FILES files of 100 bytes to 4 KiB in
// three levels of folders instead, where the walk costs more than reading.
// make-corpus OUT TOTAL_MIB MIN_LEN MAX_LEN --hard: a tree closer to what
// users scan, written by HardCorpus.h.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "bench/HardCorpus.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: make-corpus OUT [TOTAL_MIB] [MIN_LEN] [MAX_LEN]\n";
    return 2;
  }
  const fs::path out = argv[1];
  const bool small = argc > 3 && std::strcmp(argv[2], "--small") == 0;
  const size_t smallFiles = small ? std::stoul(argv[3]) : 0;
  const size_t totalMiB = !small && argc > 2 ? std::stoul(argv[2]) : 400;
  const int minLength = !small && argc > 3 ? std::stoi(argv[3]) : 30;
  const int maxLength = !small && argc > 4 ? std::stoi(argv[4]) : 30;
  const bool hard = !small && argc > 5 && std::strcmp(argv[5], "--hard") == 0;
  if (minLength < 1 || maxLength < minLength || maxLength > 30) {
    std::cerr << "make-corpus: lengths must satisfy 1 <= MIN_LEN <= MAX_LEN <= 30\n";
    return 2;
  }
  std::mt19937_64 rng(2002);
  fs::remove_all(out);
  fs::create_directories(out / "tree");

  std::vector<std::string> sigs;
  std::ofstream list(out / "signatures.txt"), yar(out / "rules.yar"), ndb(out / "sigs.ndb");
  for (int i = 0; i < 200; ++i) {
    const int length = minLength + static_cast<int>(rng() % (maxLength + 1 - minLength));
    std::string sig;
    for (int k = 0; k < length; ++k) sig.push_back(static_cast<char>(rng()));
    sigs.push_back(sig);
  }
  if (hard) vsk::bench::MakePrefixPairs(sigs, rng);
  for (size_t i = 0; i < sigs.size(); ++i) {
    std::string hex;
    for (const char c : sigs[i]) {
      char h[4];
      std::snprintf(h, sizeof h, "%02x", static_cast<unsigned char>(c));
      hex += h;
    }
    list << "Bench." << i << " 0";
    for (size_t k = 0; k < hex.size(); k += 2) list << ' ' << hex.substr(k, 2);
    list << '\n';
    yar << "rule b" << i << " { strings: $a = { " << hex << " } condition: $a }\n";
    ndb << "Bench." << i << ":0:*:" << hex << '\n';
  }

  if (hard) {
    const vsk::bench::HardTree made = vsk::bench::WriteHardTree(out / "tree", totalMiB, sigs, rng);
    std::cout << made.files << " files, " << (made.bytes >> 20) << " MiB\n";
    return 0;
  }
  // Sizes: 90% small (1-64 KiB), the rest 2-8 MiB, until the total is reached.
  std::vector<fs::path> files;
  std::vector<size_t> sizes;
  size_t total = 0;
  for (size_t n = 0; small ? n < smallFiles : total < totalMiB << 20; ++n) {
    const bool big = n % 10 == 9 && n % 100 == 99;
    const size_t size = small ? 100 + rng() % 4000 : big ? (2 + rng() % 7) << 20 : 1024 + rng() % (64 << 10);
    const std::string name = "f" + std::to_string(n) + ".bin";
    files.push_back(small ? out / "tree" / ("d" + std::to_string(n % 100)) / ("e" + std::to_string(n / 100 % 10)) / name
                          : out / "tree" / ("d" + std::to_string(n % 50)) / name);
    sizes.push_back(size);
    total += size;
  }
  // 200 planted files, one signature each; the big ones get theirs across a
  // 256 KiB border.
  std::vector<int> planted(files.size(), -1);
  for (int i = 0; i < 200; ++i) planted[rng() % files.size()] = i;
  std::ofstream expected(out / "expected.tsv");
  std::vector<char> data;
  for (size_t f = 0; f < files.size(); ++f) {
    fs::create_directories(files[f].parent_path());
    data.resize(sizes[f]);
    for (size_t k = 0; k + 8 <= data.size(); k += 8) {
      const uint64_t v = rng();
      std::memcpy(data.data() + k, &v, 8);
    }
    if (planted[f] >= 0) {
      const std::string& s = sigs[planted[f]];
      const size_t at = sizes[f] > (1 << 20) ? (1 << 18) - s.size() / 2 : rng() % (sizes[f] - s.size());
      std::copy(s.begin(), s.end(), data.begin() + static_cast<long>(at));
      expected << files[f].string() << "\tBench." << planted[f] << '\n';
    }
    std::ofstream(files[f], std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
  }
  std::cout << files.size() << " files, " << (total >> 20) << " MiB\n";
  return 0;
}
