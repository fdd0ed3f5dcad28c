// The matcher in memory against Vectorscan on the same buffer, 200 random
// signatures. Throughput is reported as bytes_per_second.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "bench/BenchData.h"
#include "engine/db/Matcher.h"

#ifdef VSK_HAVE_VECTORSCAN
#include <hs/hs.h>
#endif

namespace {
using namespace vsk;

constexpr size_t kBufferSize = 64 << 20;

struct Case {
  VirusTable table;
  std::vector<uint8_t> data;
};

// Random data keeps an occasional short signature; the clean cases break
// each one found, so that the whole buffer is searched, as in a folder scan.
void MakeClean(Case& c) {
  const SignatureMatcher matcher(c.table);
  for (MatchHit hit; (hit = matcher.Find(c.data.data(), c.data.size(), 0, c.data.size())).Found();)
    c.data[hit.position] ^= 1;
}

const Case& GetCase(int kind) {
  static Case cases[8];
  Case& c = cases[kind];
  if (c.data.empty()) {
    c.table = kind == 1 || kind == 4 || kind == 7 ? bench::RandomTable(200, 4, 30, 11)
              : kind == 3 || kind == 6            ? bench::RandomTable(200, 4, 6, 13)
              : kind == 5                         ? bench::RandomTable(200, 8, 30, 17)
                                                  : bench::RandomTable(200, 30, 30, 7);
    c.data = kind == 2 || kind == 4 ? bench::NearMissData(c.table, kBufferSize, 3)
                                    : bench::RandomData(kBufferSize, 5);
    if (kind >= 6) MakeClean(c);
  }
  return c;
}

const char* kNames[] = {"sig30",   "sig4to30", "nearmiss30", "sig4to6",
                        "nearmiss4to30", "sig8to30", "clean4to6", "clean4to30"};

void BM_Matcher(benchmark::State& state) {
  const Case& c = GetCase(static_cast<int>(state.range(0)));
  const SignatureMatcher matcher(c.table);
  for (auto _ : state) {
    int r = matcher.MatchBuffer(c.data.data(), c.data.size());
    benchmark::DoNotOptimize(r);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * c.data.size());
  state.SetLabel(kNames[state.range(0)]);
}
BENCHMARK(BM_Matcher)->DenseRange(0, 7)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// As in a folder scan: each 256 KiB piece of a clean case is first copied
// into a buffer, as a read leaves it, and searched there, in the second-level
// cache. The copy is in both contenders' figures.
template <class Search>
void ForEachPiece(const Case& c, Search search) {
  thread_local std::vector<uint8_t> piece(SignatureMatcher::kPieceSize);
  for (size_t at = 0; at < c.data.size(); at += piece.size()) {
    const size_t n = std::min(piece.size(), c.data.size() - at);
    std::memcpy(piece.data(), c.data.data() + at, n);
    search(piece.data(), n);
  }
}

void BM_MatcherPieces(benchmark::State& state) {
  const Case& c = GetCase(static_cast<int>(state.range(0)));
  const SignatureMatcher matcher(c.table);
  for (auto _ : state)
    ForEachPiece(c, [&](const uint8_t* piece, size_t n) {
      benchmark::DoNotOptimize(matcher.MatchBuffer(piece, n));
    });
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * c.data.size());
  state.SetLabel(std::string(kNames[state.range(0)]) + " in pieces");
}
BENCHMARK(BM_MatcherPieces)->DenseRange(6, 7)->Unit(benchmark::kMillisecond)->MinTime(1.0);

#ifdef VSK_HAVE_VECTORSCAN
int OnMatch(unsigned, unsigned long long, unsigned long long, unsigned, void* ctx) {
  ++*static_cast<int*>(ctx);
  return 1;  // the first match ends the scan, as in the matcher
}

void BM_Vectorscan(benchmark::State& state) {
  const Case& c = GetCase(static_cast<int>(state.range(0)));
  std::vector<const char*> expressions;
  std::vector<size_t> lengths;
  std::vector<unsigned> flags, ids;
  for (int i = 0; i < c.table.count; ++i) {
    expressions.push_back(reinterpret_cast<const char*>(c.table.signatures[i].data()));
    lengths.push_back(c.table.lengths[i]);
    flags.push_back(HS_FLAG_SINGLEMATCH);
    ids.push_back(static_cast<unsigned>(i));
  }
  hs_database_t* db = nullptr;
  hs_compile_error_t* error = nullptr;
  if (hs_compile_lit_multi(expressions.data(), flags.data(), ids.data(), lengths.data(),
                           static_cast<unsigned>(expressions.size()), HS_MODE_BLOCK, nullptr, &db,
                           &error) != HS_SUCCESS) {
    state.SkipWithError(error ? error->message : "compile failed");
    return;
  }
  hs_scratch_t* scratch = nullptr;
  hs_alloc_scratch(db, &scratch);
  auto scan = [&](const uint8_t* data, size_t n) {
    int matches = 0;
    hs_scan(db, reinterpret_cast<const char*>(data), static_cast<unsigned>(n), 0, scratch, OnMatch,
            &matches);
    benchmark::DoNotOptimize(matches);
  };
  for (auto _ : state) {
    if (state.range(1))
      ForEachPiece(c, scan);
    else
      scan(c.data.data(), c.data.size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * c.data.size());
  state.SetLabel(std::string(kNames[state.range(0)]) + (state.range(1) ? " in pieces" : ""));
  hs_free_scratch(scratch);
  hs_free_database(db);
}
BENCHMARK(BM_Vectorscan)
    ->ArgsProduct({benchmark::CreateDenseRange(0, 7, 1), {0}})
    ->Args({6, 1})
    ->Args({7, 1})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);
#endif

}  // namespace

BENCHMARK_MAIN();
