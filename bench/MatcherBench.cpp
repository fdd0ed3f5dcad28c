// The matcher in memory against Vectorscan on the same buffer, 200 random
// signatures. Throughput is reported as bytes_per_second.
#include <benchmark/benchmark.h>

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
  for (auto _ : state) {
    int matches = 0;
    hs_scan(db, reinterpret_cast<const char*>(c.data.data()), static_cast<unsigned>(c.data.size()), 0,
            scratch, OnMatch, &matches);
    benchmark::DoNotOptimize(matches);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * c.data.size());
  state.SetLabel(kNames[state.range(0)]);
  hs_free_scratch(scratch);
  hs_free_database(db);
}
BENCHMARK(BM_Vectorscan)->DenseRange(0, 7)->Unit(benchmark::kMillisecond)->MinTime(1.0);
#endif

}  // namespace

BENCHMARK_MAIN();
