// A picture held as a DIB section whose pixels the owner reads and writes
// directly, with a palette for palette-based displays. The sizes, pixel
// layout and palettes are DibLayout's; this class owns the GDI objects.
#pragma once

#include <windows.h>

#include <cstdint>

#include "framework/Gdi.h"
#include "dialogs/PictureHolder.h"

namespace vsk {

class CDibSection {
 public:
  CDibSection();
  CDibSection(const CDibSection&) = delete;
  CDibSection& operator=(const CDibSection&) = delete;
  virtual ~CDibSection();

  void Clear();
  // A new section from a header with its colour table and the source
  // pixels; FALSE, with the object empty, when either is missing or a step
  // fails.
  BOOL CreateFromInfo(const BITMAPINFO* info, const void* bits);
  // A 32-bit bottom-up section of width × height holding the picture scaled
  // to that size, its top row in the first memory row: the section shows
  // the picture upside down. FALSE, with the object empty, when the
  // picture cannot be rendered (an empty holder).
  BOOL CreateFromPicture(const CPictureHolder& picture, int width, int height);
  BOOL CreatePaletteFromDib();
  // Copies the whole section to `dc` with its top-left corner at (x, y);
  // the scan-line count drawn, 0 when the object is empty.
  int Draw(CDC& dc, int x, int y, BOOL forceBackground);

  bool IsEmpty() const { return m_bitmap.GetSafeHandle() == nullptr; }
  HBITMAP GetBitmap() const { return m_bitmap; }
  uint32_t* GetBits() const { return static_cast<uint32_t*>(m_bits); }
  const BITMAPINFOHEADER& GetHeader() const { return m_info.header; }
  int Width() const { return m_info.header.biWidth; }
  int Height() const { return m_info.header.biHeight; }
  int GetColorCount() const { return m_colorCount; }
  HPALETTE GetPalette() const { return m_palette; }

 private:
  struct Info {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
  };

  CBitmap m_bitmap;
  Info m_info{};
  void* m_bits = nullptr;
  UINT m_colorUsage = DIB_RGB_COLORS;
  int m_colorCount = 0;
  CGdiObject<HPALETTE> m_palette;
};

}  // namespace vsk
