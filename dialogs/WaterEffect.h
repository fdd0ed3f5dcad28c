// Two height fields of a rippling surface and the frame that bends a picture
// through them. Pixels are 32-bit words 0x00RRGGBB, rows of `width` words
// with no padding, bottom row first (a 32-bit bottom-up DIB section), so
// field cell and pixel share one index. Integer arithmetic only; nothing is
// allocated per frame.
#pragma once

#include <cstdint>
#include <vector>

class CWaterEffect {
 public:
  CWaterEffect() = default;
  virtual ~CWaterEffect() = default;

  // Both fields zeroed, page 0. A size below 1 gives empty fields.
  void Create(int width, int height);
  // Adds strength to the cells of field `page` strictly inside the disc of
  // `radius` around (x, y); border cells and cells outside are skipped.
  void AddBlob(int x, int y, int radius, int strength, int page);
  // Renders the current page's field through `source` into `target` (both
  // width × height words; border pixels of the target are left alone), then
  // steps the surface and flips the page.
  void Frame(const uint32_t* source, uint32_t* target);

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  int Page() const { return m_page; }
  const std::vector<int32_t>& Field(int page) const { return m_field[page & 1]; }

  // Shading by the slope; without it the bent picture is copied as is.
  bool m_lit = true;
  // Each step keeps 1 − 2^−m_damping of the new height.
  int m_damping = 5;

 private:
  void Render(const std::vector<int32_t>& f, const uint32_t* source, uint32_t* target) const;
  void Step(std::vector<int32_t>& f, const std::vector<int32_t>& g) const;

  int m_width = 0;
  int m_height = 0;
  int m_page = 0;
  std::vector<int32_t> m_field[2];
};
