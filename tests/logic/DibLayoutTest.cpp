#include <gtest/gtest.h>

#include <vector>

#include "dialogs/DibLayout.h"

namespace {

bool Same(const PaletteColor& p, int r, int g, int b) {
  return p.red == r && p.green == g && p.blue == b && p.flags == 0;
}

TEST(DibLayout, ColourCountsAndImageBytes) {
  EXPECT_EQ(DibColorCount(1), 2);
  EXPECT_EQ(DibColorCount(4), 16);
  EXPECT_EQ(DibColorCount(8), 256);
  for (int depth : {16, 24, 32, 0}) EXPECT_EQ(DibColorCount(depth), 0);

  DibHeader h = PictureHeader(400, 140);
  EXPECT_EQ(h.bitCount, 32);
  EXPECT_EQ(h.planes, 1);
  EXPECT_EQ(h.size, 40u);
  EXPECT_EQ(DibRowBytes(400, 32), 1600u);
  EXPECT_EQ(DibImageBytes(h), 1600u * 140);
  EXPECT_EQ(DibRowBytes(3, 24), 12u);
  EXPECT_EQ(DibRowBytes(33, 1), 8u);
  EXPECT_EQ(DibRowBytes(-4, 8), 0u);
  h.height = -140;
  EXPECT_EQ(DibImageBytes(h), 1600u * 140);
  h.sizeImage = 77;
  EXPECT_EQ(DibImageBytes(h), 77u);
  h.sizeImage = 0;
  h.width = 0x7FFFFFFF;
  h.height = 0x7FFFFFFF;
  h.bitCount = 0xFFFF;
  EXPECT_EQ(DibImageBytes(h), 0u);  // too large to hold, not a wrapped count
}

TEST(DibLayout, PictureStoredUpsideDownShowsUpright) {
  const int w = 3, h = 2;
  // The picture as it should look (COLORREF 0x00BBGGRR, top row first)...
  const uint32_t upright[h][w] = {{0x0000FF, 0x00FF00, 0xFF0000}, {0x123456, 0xABCDEF, 0x000001}};
  // ...and its resource, stored upside down, as GetPixel reads it.
  std::vector<uint32_t> read;
  for (int y = h - 1; y >= 0; --y)
    for (int x = 0; x < w; ++x) read.push_back(upright[y][x]);
  std::vector<uint32_t> bits(w * h);
  PictureToDibBits(read.data(), w, h, bits.data());
  EXPECT_EQ(bits[0], 0x563412u);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      EXPECT_EQ(bits[DibPixelIndex(x, y, w, h)], SwapRedBlue(upright[y][x])) << x << "," << y;
  EXPECT_EQ(SwapRedBlue(0xFF0000FFu), 0x00FF0000u);
}

TEST(DibPalette, DefaultPaletteOrder) {
  const auto p = DefaultPalette(256);
  ASSERT_EQ(p.size(), 256u);
  EXPECT_TRUE(Same(p[0], 0, 0, 0));
  EXPECT_TRUE(Same(p[2], 0, 0, 255));
  EXPECT_TRUE(Same(p[5], 255, 0, 0));
  EXPECT_TRUE(Same(p[11], 128, 0, 0));
  EXPECT_TRUE(Same(p[15], 192, 192, 192));
  EXPECT_TRUE(Same(p[16], 0, 0, 0));
  EXPECT_TRUE(Same(p[17], 51, 0, 0));
  EXPECT_TRUE(Same(p[16 + 6], 0, 51, 0));
  EXPECT_TRUE(Same(p[16 + 36], 0, 0, 51));
  EXPECT_TRUE(Same(p[231], 255, 255, 255));
  EXPECT_TRUE(Same(p[232], 0, 0, 0));
  EXPECT_TRUE(Same(p[233], 11, 11, 11));
  EXPECT_TRUE(Same(p[255], 255, 255, 255));
  EXPECT_EQ(DefaultPalette(20).size(), 20u);
  EXPECT_EQ(DefaultPalette(0).size(), 256u);
  EXPECT_EQ(DefaultPalette(300).size(), 256u);
}

TEST(DibPalette, FromTheColourTableOrTheDefault) {
  EXPECT_EQ(DibPalette(0, nullptr, 0).size(), 256u);
  const DibQuad table[2] = {{1, 2, 3, 9}, {4, 5, 6, 9}};
  const auto p = DibPalette(16, table, 2);
  ASSERT_EQ(p.size(), 16u);
  EXPECT_TRUE(Same(p[0], 3, 2, 1));
  EXPECT_TRUE(Same(p[1], 6, 5, 4));
  EXPECT_TRUE(Same(p[2], 0, 0, 0));
  const auto fallback = DibPalette(2, nullptr, 0);
  ASSERT_EQ(fallback.size(), 2u);
  EXPECT_TRUE(Same(fallback[1], 255, 255, 255));
}

}  // namespace
