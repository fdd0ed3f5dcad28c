// One frame of the About box's water: render and step of the 398 × 138
// interior cells of a 400 × 140 picture, on a surface kept rippling.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "dialogs/WaterEffect.h"

namespace {

void BM_WaterFrame(benchmark::State& state) {
  constexpr int kWidth = 400;
  constexpr int kHeight = 140;
  std::vector<uint32_t> picture(kWidth * kHeight);
  for (size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFF;
  std::vector<uint32_t> frame = picture;
  CWaterEffect water;
  water.Create(kWidth, kHeight);
  for (int k = 0; k < 8; ++k) water.AddBlob(50 * k, 20 + 12 * k, 50, 500, water.Page());
  for (int k = 0; k < 20; ++k) water.Frame(picture.data(), frame.data());
  int n = 0;
  for (auto _ : state) {
    if (++n % 25 == 0) water.AddBlob((n * 37) % kWidth, (n * 11) % kHeight, 5, 50, water.Page());
    water.Frame(picture.data(), frame.data());
    benchmark::DoNotOptimize(frame.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WaterFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
