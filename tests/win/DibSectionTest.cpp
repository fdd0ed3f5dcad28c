// The DIB wrapper under Wine: sections drawn into memory bitmaps and read
// back by pixel.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "dialogs/DibSection.h"
#include "res/resource.h"
#include "tests/win/WinTestUtil.h"

namespace vsk {
namespace {

using test::PixelCanvas;
using test::kWhite;

constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255),
                   kGrey = RGB(1, 2, 3);

// A 32-bit header with room for a colour table after it.
struct InfoWithTable {
  BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER), 0, 0, 1, 0, BI_RGB, 0, 0, 0, 0, 0};
  RGBQUAD colors[256]{};
  const BITMAPINFO* get() const { return reinterpret_cast<const BITMAPINFO*>(this); }
};

// A whole 24-bit .bmp file; rows given from the top.
std::vector<BYTE> BmpFile(int width, int height, const std::vector<COLORREF>& topDown) {
  const int row = (width * 3 + 3) & ~3;
  std::vector<BYTE> file(54 + static_cast<size_t>(row) * height);
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&file[at], &v, 4); };
  file[0] = 'B', file[1] = 'M';
  put32(2, static_cast<uint32_t>(file.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  file[26] = 1, file[28] = 24;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const COLORREF c = topDown[static_cast<size_t>(y) * width + x];
      BYTE* p = &file[54 + static_cast<size_t>(height - 1 - y) * row + x * 3];
      p[0] = GetBValue(c), p[1] = GetGValue(c), p[2] = GetRValue(c);
    }
  return file;
}

int PaletteSize(HPALETTE palette) {
  WORD n = 0;
  ::GetObjectW(palette, sizeof n, &n);
  return n;
}

TEST(DibSection, ThirtyTwoBitRowsUnpaddedBottomUpAndTheDefaultPalette) {
  constexpr int w = 400, h = 3;
  std::vector<uint32_t> bits(w * h, 0x00010203);
  bits[0] = 0x00FF0000;                // memory row 0: the bottom row on screen
  bits[2 * w + 399] = 0x000000FF;      // last memory row: the top row
  InfoWithTable info;
  info.header.biWidth = w, info.header.biHeight = h, info.header.biBitCount = 32;
  CDibSection dib;
  ASSERT_TRUE(dib.CreateFromInfo(info.get(), bits.data()));
  EXPECT_EQ(dib.GetColorCount(), 0);
  EXPECT_EQ(std::memcmp(dib.GetBits(), bits.data(), 1600 * h), 0);
  EXPECT_EQ(PaletteSize(dib.GetPalette()), 256);
  PALETTEENTRY e[256]{};
  ASSERT_EQ(::GetPaletteEntries(dib.GetPalette(), 0, 256, e), 256u);
  EXPECT_EQ(e[2].peBlue, 255);                                   // the fixed colours
  EXPECT_EQ(e[16 + 1].peRed, 51);                                // cube: red fastest
  EXPECT_EQ(e[16 + 36].peBlue, 51);
  EXPECT_EQ(e[255].peGreen, 255);                                // grey ramp

  PixelCanvas canvas(w + 10, h + 10, kWhite);
  CDC dc;
  dc.Attach(canvas.dc());
  EXPECT_EQ(dib.Draw(dc, 5, 4, FALSE), h);
  dc.Detach();
  EXPECT_EQ(canvas.At(5, 4 + h - 1), kRed);
  EXPECT_EQ(canvas.At(5 + 399, 4), kBlue);
  EXPECT_EQ(canvas.At(5 + 200, 5), kGrey);
  EXPECT_EQ(canvas.At(4, 4), kWhite);
  EXPECT_EQ(canvas.At(5 + w, 4), kWhite);
}

TEST(DibSection, ColourTablesBecomeThePaletteAndPaddedRowsAreCopied) {
  InfoWithTable info;
  info.header.biWidth = 3, info.header.biHeight = 2, info.header.biBitCount = 8;
  for (int i = 0; i < 256; ++i) info.colors[i] = {BYTE(i), BYTE(255 - i), 7, 0};
  const BYTE bits[8] = {0, 1, 2, 0xEE, 10, 20, 30, 0xEE};  // rows padded to 4 bytes
  CDibSection dib;
  ASSERT_TRUE(dib.CreateFromInfo(info.get(), bits));
  EXPECT_EQ(dib.GetColorCount(), 256);
  EXPECT_EQ(std::memcmp(dib.GetBits(), bits, 8), 0);
  PALETTEENTRY e[256]{};
  ASSERT_EQ(::GetPaletteEntries(dib.GetPalette(), 0, 256, e), 256u);
  EXPECT_EQ(e[30].peRed, 7);
  EXPECT_EQ(e[30].peGreen, 225);
  EXPECT_EQ(e[30].peBlue, 30);

  PixelCanvas canvas(3, 2, kWhite);
  CDC dc;
  dc.Attach(canvas.dc());
  EXPECT_EQ(dib.Draw(dc, 0, 0, FALSE), 2);
  dc.Detach();
  EXPECT_EQ(canvas.At(2, 0), RGB(7, 225, 30));  // top row: memory row 1
  EXPECT_EQ(canvas.At(1, 1), RGB(7, 254, 1));

  // One bit per pixel: two table entries.
  InfoWithTable mono;
  mono.header.biWidth = 8, mono.header.biHeight = 1, mono.header.biBitCount = 1;
  mono.colors[0] = {0, 0, 0, 0}, mono.colors[1] = {0, 255, 0, 0};
  const BYTE monoBits[4] = {0xF0, 0, 0, 0};
  ASSERT_TRUE(dib.CreateFromInfo(mono.get(), monoBits));
  EXPECT_EQ(dib.GetColorCount(), 2);
  EXPECT_EQ(PaletteSize(dib.GetPalette()), 2);
}

TEST(DibSection, FailuresLeaveItEmptyAndDrawingItDrawsNothing) {
  InfoWithTable info;
  info.header.biWidth = 4, info.header.biHeight = 4, info.header.biBitCount = 32;
  const std::vector<uint32_t> bits(16, 0x00FF0000);
  CDibSection dib;
  ASSERT_TRUE(dib.CreateFromInfo(info.get(), bits.data()));
  EXPECT_FALSE(dib.CreateFromInfo(nullptr, bits.data()));
  EXPECT_TRUE(dib.IsEmpty());
  EXPECT_EQ(dib.GetBits(), nullptr);
  EXPECT_FALSE(dib.CreateFromInfo(info.get(), nullptr));
  EXPECT_EQ(dib.Width(), 0);
  info.header.biPlanes = 0, info.header.biBitCount = 13;  // no such section
  EXPECT_FALSE(dib.CreateFromInfo(info.get(), bits.data()));
  EXPECT_FALSE(dib.CreatePaletteFromDib());

  PixelCanvas canvas(8, 8, kWhite);
  CDC dc;
  dc.Attach(canvas.dc());
  EXPECT_EQ(dib.Draw(dc, 0, 0, FALSE), 0);
  dc.Detach();
  EXPECT_EQ(canvas.Count(kWhite, {0, 0, 8, 8}), 64);
}

TEST(DibSection, SizeImageLargerThanTheSectionCopiesOnlyTheSection) {
  InfoWithTable info;
  info.header.biWidth = 2, info.header.biHeight = 2, info.header.biBitCount = 32;
  info.header.biSizeImage = 1 << 20;  // the source really holds this much
  std::vector<uint32_t> bits((1 << 20) / 4, 0x0000FF00);
  CDibSection dib;
  ASSERT_TRUE(dib.CreateFromInfo(info.get(), bits.data()));
  EXPECT_EQ(dib.GetBits()[3], 0x0000FF00u);
}

TEST(DibSection, PictureLandsTopRowFirstWithRedAndBlueExchanged) {
  // 3 × 2: top row red, green, blue; bottom row white.
  const std::vector<BYTE> file = BmpFile(3, 2, {kRed, kGreen, kBlue, kWhite, kWhite, kWhite});
  CPictureHolder picture;
  ASSERT_TRUE(picture.CreateFromBytes(file.data(), file.size()));
  CDibSection dib;
  ASSERT_TRUE(dib.CreateFromPicture(picture, 3, 2));
  EXPECT_EQ(dib.GetHeader().biBitCount, 32);
  EXPECT_EQ(dib.Height(), 2);  // bottom-up
  const uint32_t* p = dib.GetBits();
  EXPECT_EQ(p[0], 0x00FF0000u);
  EXPECT_EQ(p[1], 0x0000FF00u);
  EXPECT_EQ(p[2], 0x000000FFu);
  EXPECT_EQ(p[3], 0x00FFFFFFu);

  // Scaled: 2 × 2 quarters to 8 × 8.
  const std::vector<BYTE> quarters = BmpFile(2, 2, {kRed, kGreen, kBlue, kWhite});
  ASSERT_TRUE(picture.CreateFromBytes(quarters.data(), quarters.size()));
  ASSERT_TRUE(dib.CreateFromPicture(picture, 8, 8));
  EXPECT_EQ(dib.GetBits()[0], 0x00FF0000u);           // memory row 0: picture's top
  EXPECT_EQ(dib.GetBits()[7 * 8 + 7], 0x00FFFFFFu);

  EXPECT_FALSE(picture.CreateFromBytes("BM", 2));
  EXPECT_TRUE(picture.IsEmpty());
  EXPECT_FALSE(dib.CreateFromPicture(picture, 8, 8));
  EXPECT_TRUE(dib.IsEmpty());
}

TEST(DibSection, TheAboutPictureStoredUpsideDownShowsUpright) {
  CPictureHolder picture;
  ASSERT_TRUE(picture.CreateFromResource(IDB_ABOUT));
  CDibSection dib;
  ASSERT_TRUE(dib.CreateFromPicture(picture, 400, 140));
  PixelCanvas shown(400, 140, kWhite);
  CDC dc;
  dc.Attach(shown.dc());
  EXPECT_EQ(dib.Draw(dc, 0, 0, FALSE), 140);
  dc.Detach();

  // The stored bitmap as it is: upside down.
  HBITMAP stored = static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_ABOUT),
                                                     IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  ASSERT_NE(stored, nullptr);
  PixelCanvas raw(400, 140, kWhite);
  HDC src = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(src, stored);
  ::BitBlt(raw.dc(), 0, 0, 400, 140, src, 0, 0, SRCCOPY);
  ::SelectObject(src, old);
  ::DeleteDC(src);
  ::DeleteObject(stored);

  int same = 0, flipped = 0;
  for (int y = 0; y < 140; y += 3)
    for (int x = 0; x < 400; x += 7) {
      same += shown.At(x, y) == raw.At(x, y);
      flipped += shown.At(x, y) == raw.At(x, 139 - y);
    }
  const int samples = 47 * 58;
  EXPECT_EQ(flipped, samples);
  EXPECT_LT(same, samples * 9 / 10);
}

}  // namespace
}  // namespace vsk
