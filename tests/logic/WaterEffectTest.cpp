#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "dialogs/WaterEffect.h"

namespace {

constexpr uint32_t kUntouched = 0xDEADBEEF;

uint32_t Rgb(int r, int g, int b) { return (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b); }

// Pixel k has distinct mid-range channels, so shading either way stays
// clear of the clamps unless a test wants them.
std::vector<uint32_t> Picture(int cells) {
  std::vector<uint32_t> p(cells);
  for (int k = 0; k < cells; ++k) p[k] = Rgb(0x40 + k, 0x50 + k, 0x60 + k);
  return p;
}

uint32_t Shaded(uint32_t pixel, int amount) {
  auto ch = [&](int s) {
    int v = int((pixel >> s) & 0xFF) - amount;
    return uint32_t(v < 0 ? 0 : v > 255 ? 255 : v);
  };
  return (ch(16) << 16) | (ch(8) << 8) | ch(0);
}

int NonZero(const std::vector<int32_t>& f) {
  int n = 0;
  for (int32_t v : f) n += v != 0;
  return n;
}

TEST(WaterBlob, StrictDiscClippedToTheInterior) {
  CWaterEffect w;
  w.Create(20, 20);
  w.AddBlob(10, 10, 2, 7, 0);
  EXPECT_EQ(NonZero(w.Field(0)), 9);  // dx² + dy² < 4
  EXPECT_EQ(w.Field(0)[10 * 20 + 11], 7);
  EXPECT_EQ(w.Field(0)[10 * 20 + 12], 0);
  w.AddBlob(10, 10, 1, 5, 0);
  EXPECT_EQ(w.Field(0)[10 * 20 + 10], 12);
  EXPECT_EQ(NonZero(w.Field(1)), 0);

  w.AddBlob(-3, -3, 7, 1, 1);  // only (1,1), (1,2), (2,1) are inside
  EXPECT_EQ(NonZero(w.Field(1)), 3);
  w.AddBlob(500, 500, 50, 1, 1);
  w.AddBlob(5, 5, 3, 1, 2);
  EXPECT_EQ(NonZero(w.Field(1)), 3);
}

TEST(WaterBlob, ClickAtThePictureCornerAddsAQuarterDisc) {
  const int W = 400, H = 140;
  CWaterEffect w;
  w.Create(W, H);
  w.AddBlob(0, H, 50, 500, w.Page());  // row counted from the bottom
  const auto& f = w.Field(0);
  int expected = 0;
  for (int y = 1; y <= H - 2; ++y)
    for (int x = 1; x <= W - 2; ++x) expected += x * x + (y - H) * (y - H) < 2500;
  EXPECT_EQ(NonZero(f), expected);
  EXPECT_EQ(f[138 * W + 1], 500);
  EXPECT_EQ(f[91 * W + 1], 500);
  EXPECT_EQ(f[90 * W + 1], 0);
  for (int x = 0; x < W; ++x) EXPECT_EQ(f[(H - 1) * W + x], 0);
  for (int y = 0; y < H; ++y) EXPECT_EQ(f[y * W], 0);
}

TEST(WaterFrame, StillSurfaceCopiesTheInteriorOnly) {
  const int W = 6, H = 5;
  CWaterEffect w;
  w.Create(W, H);
  const auto src = Picture(W * H);
  std::vector<uint32_t> dst(W * H, kUntouched);
  w.Frame(src.data(), dst.data());
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const bool border = x == 0 || y == 0 || x == W - 1 || y == H - 1;
      EXPECT_EQ(dst[y * W + x], border ? kUntouched : src[y * W + x]) << x << "," << y;
    }
  EXPECT_EQ(w.Page(), 1);
}

TEST(WaterFrame, TwoFramesOfOneDisturbance) {
  const int W = 8, H = 6, c = 2 * W + 3;
  CWaterEffect w;
  w.Create(W, H);
  w.AddBlob(3, 2, 1, 16, w.Page());
  const auto src = Picture(W * H);
  std::vector<uint32_t> dst(W * H, kUntouched);

  w.Frame(src.data(), dst.data());
  EXPECT_EQ(dst[c], Shaded(src[c + 2 * W + 2], 16));    // slopes 16 and 16
  EXPECT_EQ(dst[c - 1], Shaded(src[c - 1 - 2], -16));   // slope −16 brightens
  EXPECT_EQ(dst[c - W], kUntouched);                    // offset −5 is outside
  EXPECT_EQ(dst[c + 1], src[c + 1]);
  EXPECT_EQ(w.Field(0)[c], -15);  // −16 − (−16 >> 5)
  EXPECT_EQ(NonZero(w.Field(0)), 1);
  EXPECT_EQ(w.Page(), 1);

  w.Frame(src.data(), dst.data());
  EXPECT_EQ(dst[c - W], src[c - W]);
  for (int n : {c - W - 1, c - W, c - W + 1, c - 1, c + 1, c + W - 1, c + W, c + W + 1})
    EXPECT_EQ(w.Field(1)[n], -3) << n;  // (−15 >> 2) = −4, −4 − (−4 >> 5)
  EXPECT_EQ(w.Field(1)[c], 0);
  EXPECT_EQ(NonZero(w.Field(1)), 8);
  EXPECT_EQ(w.Page(), 0);
}

TEST(WaterFrame, ShiftsRoundTowardMinusInfinityAndShadingClamps) {
  const int W = 8, H = 6, c = 2 * W + 3;
  CWaterEffect w;
  w.Create(W, H);
  w.AddBlob(3, 2, 1, 1, 0);
  const auto src = Picture(W * H);
  std::vector<uint32_t> dst(W * H, kUntouched);
  w.Frame(src.data(), dst.data());
  EXPECT_EQ(dst[c - 1], Shaded(src[c - 2], -1));  // −1 >> 3 is −1
  EXPECT_EQ(dst[c], Shaded(src[c], 1));           // 1 >> 3 is 0

  const int D = 100, d = 2 * D + 3;
  CWaterEffect deep;
  deep.Create(D, D);
  deep.AddBlob(3, 2, 1, 300, 0);
  std::vector<uint32_t> grey(D * D, 0x808080u), out(D * D, kUntouched);
  deep.Frame(grey.data(), out.data());
  EXPECT_EQ(out[d], 0u);
  EXPECT_EQ(out[d - 1], 0x00FFFFFFu);
}

}  // namespace
