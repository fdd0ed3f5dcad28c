// reference-scan DB FOLDER: every file under FOLDER read whole and searched
// with the literal position-by-signature loop; prints "path<TAB>name" for
// each infected file. The baseline of the folder-scan benchmark.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "VirusDatabase.h"

namespace {

class Quiet : public vsk::IMessageSink {
 public:
  void ShowMessage(const std::wstring&) override {}
};

int Match(const vsk::VirusTable& t, const std::vector<uint8_t>& d) {
  const size_t n = d.size();
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: reference-scan DB FOLDER\n";
    return 2;
  }
  Quiet quiet;
  vsk::VirusTable table;
  if (vsk::LoadVirusTable(table, quiet, argv[1]) != vsk::LoadResult::Loaded) return 2;
  int found = 0;
  for (const auto& e : std::filesystem::recursive_directory_iterator(argv[2])) {
    if (!e.is_regular_file()) continue;
    std::ifstream in(e.path(), std::ios::binary);
    const std::vector<uint8_t> data(std::istreambuf_iterator<char>(in), {});
    const int r = Match(table, data);
    if (r >= 0) {
      std::printf("%s\t%s\n", e.path().c_str(), table.names[r].c_str());
      ++found;
    }
  }
  return found ? 1 : 0;
}
