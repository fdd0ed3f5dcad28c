#include "dialogs/DibSection.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "dialogs/DibLayout.h"

namespace vsk {
namespace {

DibHeader ToDibHeader(const BITMAPINFOHEADER& h) {
  DibHeader d;
  d.size = h.biSize;
  d.width = h.biWidth;
  d.height = h.biHeight;
  d.planes = h.biPlanes;
  d.bitCount = h.biBitCount;
  d.compression = h.biCompression;
  d.sizeImage = h.biSizeImage;
  d.xPelsPerMeter = h.biXPelsPerMeter;
  d.yPelsPerMeter = h.biYPelsPerMeter;
  d.clrUsed = h.biClrUsed;
  d.clrImportant = h.biClrImportant;
  return d;
}

HPALETTE MakePalette(const std::vector<PaletteColor>& colors) {
  static_assert(sizeof(PaletteColor) == sizeof(PALETTEENTRY));
  std::vector<BYTE> buffer(sizeof(LOGPALETTE) + colors.size() * sizeof(PALETTEENTRY));
  auto* lp = reinterpret_cast<LOGPALETTE*>(buffer.data());
  lp->palVersion = 0x300;
  lp->palNumEntries = static_cast<WORD>(colors.size());
  std::memcpy(lp->palPalEntry, colors.data(), colors.size() * sizeof(PALETTEENTRY));
  return ::CreatePalette(lp);
}

}  // namespace

CDibSection::CDibSection() { Clear(); }

CDibSection::~CDibSection() {
  Clear();
  m_palette.DeleteObject();
}

void CDibSection::Clear() {
  m_bitmap.DeleteObject();
  m_bits = nullptr;
  std::memset(&m_info, 0, sizeof m_info);
  m_colorUsage = DIB_RGB_COLORS;
  m_colorCount = 0;
}

BOOL CDibSection::CreateFromInfo(const BITMAPINFO* info, const void* bits) {
  Clear();
  if (!info || !bits) return FALSE;
  m_colorCount = DibColorCount(info->bmiHeader.biBitCount);
  m_info.header = info->bmiHeader;
  m_info.header.biSize = sizeof(BITMAPINFOHEADER);
  // A table shorter than the depth allows (biClrUsed) is all the caller
  // gave; the rest stays 0.
  size_t entries = static_cast<size_t>(m_colorCount);
  if (info->bmiHeader.biClrUsed != 0 && info->bmiHeader.biClrUsed < entries)
    entries = info->bmiHeader.biClrUsed;
  std::memcpy(m_info.colors, info->bmiColors, entries * sizeof(RGBQUAD));

  {
    const CClientDC screen(nullptr);
    if (screen) m_bitmap.Attach(::CreateDIBSection(screen, reinterpret_cast<const BITMAPINFO*>(&m_info),
                                                   m_colorUsage, &m_bits, nullptr, 0));
  }
  if (!m_bitmap.GetSafeHandle() || !m_bits) {
    Clear();
    return FALSE;
  }

  // biSizeImage is the caller's word; never copy past the section the
  // system made, whatever the header claims.
  size_t count = DibImageBytes(ToDibHeader(info->bmiHeader));
  DIBSECTION ds{};
  if (::GetObjectW(m_bitmap, sizeof ds, &ds) == sizeof ds) {
    DibHeader made = ToDibHeader(ds.dsBmih);
    made.sizeImage = 0;
    const size_t room = DibImageBytes(made);
    if (count > room) count = room;
  }
  ::GdiFlush();
  std::memcpy(m_bits, bits, count);

  if (!CreatePaletteFromDib()) {
    Clear();
    return FALSE;
  }
  return TRUE;
}

BOOL CDibSection::CreateFromPicture(const CPictureHolder& picture, int width, int height) {
  Clear();
  if (width <= 0 || height <= 0) return FALSE;
  // The picture is rendered into a 32-bit section rather than a bitmap of
  // the screen's format, so that its colours do not depend on the display.
  BITMAPINFO render{};
  render.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* renderBits = nullptr;
  CDC memory;
  CBitmap bitmap;
  {
    const CClientDC screen(nullptr);
    if (!screen || !memory.CreateCompatibleDC(screen)) return FALSE;
    bitmap.Attach(::CreateDIBSection(screen, &render, DIB_RGB_COLORS, &renderBits, nullptr, 0));
  }
  if (!bitmap.GetSafeHandle()) return FALSE;
  // Screen row i of the picture into memory row i, as COLORREFs swapped to
  // DIB pixels.
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
  {
    const CSelectedObject selected(memory, bitmap);
    const RECT rect{0, 0, width, height};
    if (!picture.Render(memory, rect)) return FALSE;
    ::GdiFlush();
    for (int i = 0; i < height; ++i)
      for (int j = 0; j < width; ++j)
        pixels[static_cast<size_t>(i) * width + j] = ::GetPixel(memory, j, i);
  }
  PictureToDibBits(pixels.data(), width, height, pixels.data());

  const DibHeader header = PictureHeader(width, height);
  BITMAPINFO info{};
  info.bmiHeader = {header.size, header.width, header.height, header.planes, header.bitCount,
                    header.compression, header.sizeImage, header.xPelsPerMeter,
                    header.yPelsPerMeter, header.clrUsed, header.clrImportant};
  return CreateFromInfo(&info, pixels.data());
}

BOOL CDibSection::CreatePaletteFromDib() {
  m_palette.DeleteObject();
  if (IsEmpty()) return FALSE;
  std::vector<PaletteColor> colors;
  if (m_colorCount == 0) {
    colors = DibPalette(0, nullptr, 0);
  } else {
    std::vector<DibQuad> table(static_cast<size_t>(m_colorCount));
    int read = 0;
    CDC memory;
    if (memory.CreateCompatibleDC(CClientDC(nullptr))) {
      const CSelectedObject selected(memory, m_bitmap);
      read = static_cast<int>(::GetDIBColorTable(memory, 0, static_cast<UINT>(m_colorCount),
                                                 reinterpret_cast<RGBQUAD*>(table.data())));
    }
    colors = DibPalette(m_colorCount, table.data(), read);
  }
  m_palette.Attach(MakePalette(colors));
  return m_palette.GetSafeHandle() != nullptr;
}

int CDibSection::Draw(CDC& dc, int x, int y, BOOL forceBackground) {
  if (IsEmpty()) return 0;
  HPALETTE oldPalette = nullptr;
  if (m_palette.GetSafeHandle() && (::GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE)) {
    oldPalette = ::SelectPalette(dc, m_palette, forceBackground);
    ::RealizePalette(dc);
  }
  const int width = m_info.header.biWidth;
  const int lines = std::abs(m_info.header.biHeight);
  const int drawn = ::SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(width), static_cast<DWORD>(lines),
                                        0, 0, 0, static_cast<UINT>(lines), m_bits,
                                        reinterpret_cast<const BITMAPINFO*>(&m_info), m_colorUsage);
  if (oldPalette) ::SelectPalette(dc, oldPalette, forceBackground);
  return drawn;
}

}  // namespace vsk
