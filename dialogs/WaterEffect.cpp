#include "dialogs/WaterEffect.h"

#include <algorithm>
#include <cstdlib>

namespace {

uint32_t Shade(uint32_t pixel, int32_t amount) {
  // Beyond ±255 every channel clamps the same way; narrowing first keeps the
  // arithmetic in int.
  const int a = std::clamp(amount, -256, 256);
  const int r = std::clamp(static_cast<int>((pixel >> 16) & 0xFF) - a, 0, 255);
  const int g = std::clamp(static_cast<int>((pixel >> 8) & 0xFF) - a, 0, 255);
  const int b = std::clamp(static_cast<int>(pixel & 0xFF) - a, 0, 255);
  return (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | static_cast<uint32_t>(b);
}

}  // namespace

void CWaterEffect::Create(int width, int height) {
  if (width < 1 || height < 1) width = height = 0;
  m_width = width;
  m_height = height;
  const size_t cells = static_cast<size_t>(width) * static_cast<size_t>(height);
  for (auto& field : m_field) field.assign(cells, 0);
  m_page = 0;
}

void CWaterEffect::AddBlob(int x, int y, int radius, int strength, int page) {
  if (page != 0 && page != 1) return;
  std::vector<int32_t>& field = m_field[page];
  const int64_t r = std::abs(static_cast<int64_t>(radius));
  const int64_t r2 = r * r;
  // Interior only: columns 1 … width − 2, rows 1 … height − 2.
  const int64_t y0 = std::max<int64_t>(int64_t{y} - r, 1);
  const int64_t y1 = std::min<int64_t>(int64_t{y} + r, m_height - 2);
  const int64_t x0 = std::max<int64_t>(int64_t{x} - r, 1);
  const int64_t x1 = std::min<int64_t>(int64_t{x} + r, m_width - 2);
  for (int64_t row = y0; row <= y1; ++row) {
    const int64_t dy = row - y;
    for (int64_t col = x0; col <= x1; ++col) {
      const int64_t dx = col - x;
      if (dx * dx + dy * dy < r2) field[row * m_width + col] += strength;
    }
  }
}

void CWaterEffect::Frame(const uint32_t* source, uint32_t* target) {
  std::vector<int32_t>& f = m_field[m_page];
  const std::vector<int32_t>& g = m_field[1 - m_page];
  if (m_width >= 3 && m_height >= 3) {
    if (source && target) Render(f, source, target);
    Step(f, g);
  }
  m_page = 1 - m_page;
}

void CWaterEffect::Render(const std::vector<int32_t>& f, const uint32_t* source,
                          uint32_t* target) const {
  const int w = m_width;
  const int cells = m_width * m_height;
  const int32_t* field = f.data();
  for (int row = 1; row < m_height - 1; ++row) {
    const int rowStart = row * w;
    for (int i = rowStart + 1; i < rowStart + w - 1; ++i) {
      const int32_t dx = field[i] - field[i + 1];
      const int32_t dy = field[i] - field[i + w];
      // >> on a negative value is an arithmetic shift (C++20).
      const int64_t o = int64_t{i} + int64_t{dy >> 3} * w + (dx >> 3);
      if (o > 0 && o < cells) target[i] = m_lit ? Shade(source[o], dx) : (source[o] & 0x00FFFFFF);
    }
  }
}

void CWaterEffect::Step(std::vector<int32_t>& f, const std::vector<int32_t>& g) const {
  const int w = m_width;
  int32_t* fd = f.data();
  const int32_t* gd = g.data();
  const int damping = std::clamp(m_damping, 0, 31);
  for (int row = 1; row < m_height - 1; ++row) {
    const int rowStart = row * w;
    for (int i = rowStart + 1; i < rowStart + w - 1; ++i) {
      int32_t n = (gd[i - w - 1] + gd[i - w] + gd[i - w + 1] + gd[i - 1] + gd[i + 1] +
                   gd[i + w - 1] + gd[i + w] + gd[i + w + 1]) >>
                  2;
      n -= fd[i];
      fd[i] = n - (n >> damping);
    }
  }
}
