// hs-scan-tree DB FOLDER: the peer's side of the folder-scan comparison.
// Walks FOLDER as read-tree does, reads every file in the same 256 KiB
// pieces and searches them with Vectorscan in streaming mode (a match
// across two pieces is found). The answer is the scanner's: the earliest
// start, the lowest index at that start; the stream stops once no earlier
// start can still end. Prints "path<TAB>name" for each infected file.
#include <fcntl.h>
#include <hs/hs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/db/VirusDatabase.h"

namespace {

class Quiet : public vsk::IMessageSink {
 public:
  void ShowMessage(const std::wstring&) override {}
};

struct Search {
  const vsk::VirusTable* table = nullptr;
  unsigned long long maxLength = 0;
  unsigned long long bestStart = ~0ull;
  int best = -1;
};

int OnMatch(unsigned id, unsigned long long, unsigned long long to, unsigned, void* context) {
  auto& s = *static_cast<Search*>(context);
  const unsigned long long start = to - s.table->lengths[id];
  if (start < s.bestStart || (start == s.bestStart && static_cast<int>(id) < s.best)) {
    s.bestStart = start;
    s.best = static_cast<int>(id);
  }
  // Matches come by end offset: past this one no later match starts earlier.
  return to >= s.bestStart + s.maxLength ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: hs-scan-tree DB FOLDER\n");
    return 2;
  }
  Quiet quiet;
  vsk::VirusTable table;
  if (vsk::LoadVirusTable(table, quiet, argv[1]) != vsk::LoadResult::Loaded) return 2;
  // Every byte as \xNN: the literal API takes a leading zero byte for an
  // empty string.
  std::vector<std::string> patterns;
  std::vector<const char*> expressions;
  std::vector<unsigned> flags, ids;
  Search search;
  search.table = &table;
  for (int i = 0; i < table.count; ++i) {
    std::string& pattern = patterns.emplace_back();
    for (int k = 0; k < table.lengths[i]; ++k) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", table.signatures[i][k]);
      pattern += hex;
    }
    flags.push_back(HS_FLAG_SINGLEMATCH);  // an id's first match is its earliest
    ids.push_back(static_cast<unsigned>(i));
    search.maxLength = std::max<unsigned long long>(search.maxLength, table.lengths[i]);
  }
  for (const std::string& p : patterns) expressions.push_back(p.c_str());
  hs_database_t* db = nullptr;
  hs_compile_error_t* error = nullptr;
  if (hs_compile_multi(expressions.data(), flags.data(), ids.data(),
                       static_cast<unsigned>(expressions.size()), HS_MODE_STREAM, nullptr, &db,
                       &error) != HS_SUCCESS) {
    std::fprintf(stderr, "hs: %s\n", error ? error->message : "compile failed");
    return 2;
  }
  hs_scratch_t* scratch = nullptr;
  if (hs_alloc_scratch(db, &scratch) != HS_SUCCESS) return 2;

  std::vector<char> buffer(256 * 1024);
  int found = 0;
  for (const auto& e : std::filesystem::recursive_directory_iterator(argv[2])) {
    if (!e.is_regular_file()) continue;
    const int fd = ::open(e.path().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    hs_stream_t* stream = nullptr;
    if (hs_open_stream(db, 0, &stream) != HS_SUCCESS) return 2;
    search.best = -1;
    search.bestStart = ~0ull;
    bool stopped = false;
    for (ssize_t n; !stopped && (n = ::read(fd, buffer.data(), buffer.size())) > 0;)
      stopped = hs_scan_stream(stream, buffer.data(), static_cast<unsigned>(n), 0, scratch,
                               OnMatch, &search) == HS_SCAN_TERMINATED;
    hs_close_stream(stream, scratch, stopped ? nullptr : OnMatch, &search);
    ::close(fd);
    if (search.best >= 0) {
      std::printf("%s\t%s\n", e.path().c_str(), table.names[search.best].c_str());
      ++found;
    }
  }
  hs_free_scratch(scratch);
  hs_free_database(db);
  return found ? 1 : 0;
}
