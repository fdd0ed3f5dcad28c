// The plain arithmetic of CDibSection: colour counts, image sizes, the pixel
// layout of a picture copied into a 32-bit section, and the palettes. The
// structs mirror the fields of BITMAPINFOHEADER, RGBQUAD and PALETTEENTRY in
// the same order and sizes, so the Win32 side can copy them across.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct DibHeader {
  uint32_t size = 40;
  int32_t width = 0;
  int32_t height = 0;
  uint16_t planes = 1;
  uint16_t bitCount = 0;
  uint32_t compression = 0;
  uint32_t sizeImage = 0;
  int32_t xPelsPerMeter = 0;
  int32_t yPelsPerMeter = 0;
  uint32_t clrUsed = 0;
  uint32_t clrImportant = 0;
};

struct DibQuad {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
  uint8_t reserved = 0;
};

struct PaletteColor {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  uint8_t flags = 0;
};

static_assert(sizeof(DibHeader) == 40 && sizeof(DibQuad) == 4 && sizeof(PaletteColor) == 4);

// Colour-table entries by depth: 2, 16, 256 for 1, 4, 8 bits, else 0.
int DibColorCount(int bitCount);

// A row padded to 4 bytes; 0 for a negative width or depth.
size_t DibRowBytes(int32_t width, int bitCount);

// biSizeImage, or when it is 0 the padded row size × the row count. A
// negative height (a top-down bitmap) counts its rows all the same; 0 when
// the size cannot be represented.
size_t DibImageBytes(const DibHeader& header);

// The header CreateFromPicture builds: 32 bits, bottom-up, uncompressed.
DibHeader PictureHeader(int32_t width, int32_t height);

// 0x00BBGGRR (a COLORREF) to 0x00RRGGBB (a DIB pixel) and back.
uint32_t SwapRedBlue(uint32_t color);

// Copies a picture read row by row from the top (COLORREFs, as GetPixel
// gives them) into a 32-bit section: screen row i lands in memory row i,
// which a bottom-up section shows upside down.
void PictureToDibBits(const uint32_t* colorRefs, int width, int height, uint32_t* bits);

// Word of a bottom-up 32-bit section holding screen pixel (x, y).
size_t DibPixelIndex(int x, int y, int width, int height);

// The palette of n entries (outside 1 … 256 means 256): sixteen fixed
// colours, the 6 × 6 × 6 cube with red varying fastest, a 24-step grey ramp.
std::vector<PaletteColor> DefaultPalette(int n);

// The palette CreatePaletteFromDib makes: the default 256 for a depth
// without a colour table; otherwise `colorCount` entries from the table
// read back (entries past `entriesRead` are 0), or the default palette of
// `colorCount` entries when nothing could be read (`table` null or no
// entry read).
std::vector<PaletteColor> DibPalette(int colorCount, const DibQuad* table, int entriesRead);
