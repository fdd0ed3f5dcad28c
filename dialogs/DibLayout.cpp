#include "dialogs/DibLayout.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

int DibColorCount(int bitCount) {
  switch (bitCount) {
    case 1:
      return 2;
    case 4:
      return 16;
    case 8:
      return 256;
    default:
      return 0;
  }
}

size_t DibRowBytes(int32_t width, int bitCount) {
  if (width < 0 || bitCount < 0) return 0;
  const uint64_t bits = static_cast<uint64_t>(width) * static_cast<uint64_t>(bitCount);
  return static_cast<size_t>(((bits + 31) & ~uint64_t{31}) / 8);
}

size_t DibImageBytes(const DibHeader& header) {
  if (header.sizeImage != 0) return header.sizeImage;
  const uint64_t rows = static_cast<uint64_t>(std::llabs(header.height));
  const uint64_t row = DibRowBytes(header.width, header.bitCount);
  if (rows != 0 && row > std::numeric_limits<size_t>::max() / rows) return 0;
  return static_cast<size_t>(row * rows);
}

DibHeader PictureHeader(int32_t width, int32_t height) {
  DibHeader header;
  header.width = width;
  header.height = height;
  header.planes = 1;
  header.bitCount = 32;
  return header;
}

uint32_t SwapRedBlue(uint32_t color) {
  return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}

void PictureToDibBits(const uint32_t* colorRefs, int width, int height, uint32_t* bits) {
  if (!colorRefs || !bits || width <= 0 || height <= 0) return;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  std::transform(colorRefs, colorRefs + count, bits, SwapRedBlue);
}

size_t DibPixelIndex(int x, int y, int width, int height) {
  return static_cast<size_t>(height - 1 - y) * static_cast<size_t>(width) + static_cast<size_t>(x);
}

std::vector<PaletteColor> DefaultPalette(int n) {
  if (n < 1 || n > 256) n = 256;
  static const uint8_t kFixed[16][3] = {
      {0, 0, 0},     {255, 255, 255}, {0, 0, 255},   {0, 255, 0},   {0, 255, 255}, {255, 0, 0},
      {255, 0, 255}, {255, 255, 0},   {0, 0, 128},   {0, 128, 0},   {0, 128, 128}, {128, 0, 0},
      {128, 0, 128}, {128, 128, 0},   {128, 128, 128}, {192, 192, 192}};
  std::vector<PaletteColor> palette;
  palette.reserve(256);
  for (const auto& c : kFixed) palette.push_back({c[0], c[1], c[2], 0});
  for (int b = 0; b < 6; ++b)
    for (int g = 0; g < 6; ++g)
      for (int r = 0; r < 6; ++r)
        palette.push_back({static_cast<uint8_t>(51 * r), static_cast<uint8_t>(51 * g),
                           static_cast<uint8_t>(51 * b), 0});
  for (int k = 0; k < 24; ++k) {
    const auto level = static_cast<uint8_t>(k * 255 / 23);
    palette.push_back({level, level, level, 0});
  }
  palette.resize(static_cast<size_t>(n));
  return palette;
}

std::vector<PaletteColor> DibPalette(int colorCount, const DibQuad* table, int entriesRead) {
  if (colorCount <= 0) return DefaultPalette(256);
  if (!table || entriesRead <= 0) return DefaultPalette(colorCount);
  std::vector<PaletteColor> palette(static_cast<size_t>(colorCount));
  const int n = std::clamp(entriesRead, 0, colorCount);
  for (int i = 0; i < n; ++i) palette[i] = {table[i].red, table[i].green, table[i].blue, 0};
  return palette;
}
