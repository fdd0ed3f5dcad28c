// reference-scan DB FOLDER: every file under FOLDER read whole and searched
// with the literal position-by-signature loop; prints "path<TAB>name" for
// each infected file. The baseline of the folder-scan benchmark.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "tests/ReferenceMatch.h"
#include "engine/db/VirusDatabase.h"

namespace {

class Quiet : public vsk::IMessageSink {
 public:
  void ShowMessage(const std::wstring&) override {}
};

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
    const int r = vsk::test::ReferenceMatch(table, data.data(), data.size());
    if (r >= 0) {
      std::printf("%s\t%s\n", e.path().c_str(), table.names[r].c_str());
      ++found;
    }
  }
  return found ? 1 : 0;
}
