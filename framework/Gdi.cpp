#include "framework/Gdi.h"

#include <cstdlib>

#include "framework/Wnd.h"

namespace vsk {

BOOL CBitmap::LoadBitmap(UINT id) {
  Attach(::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id)));
  return m_handle != nullptr;
}

BOOL CBitmap::CreateCompatibleBitmap(HDC dc, int width, int height) {
  Attach(::CreateCompatibleBitmap(dc, width, height));
  return m_handle != nullptr;
}

BOOL CFont::CreatePointFont(int pointSize10, const wchar_t* face) {
  LOGFONTW lf{};
  {
    CClientDC screen(nullptr);
    // Tenths of a point to logical units: the height of the em, negative.
    POINT pt{0, ::MulDiv(::GetDeviceCaps(screen, LOGPIXELSY), pointSize10, 720)};
    ::DPtoLP(screen, &pt, 1);
    POINT origin{0, 0};
    ::DPtoLP(screen, &origin, 1);
    lf.lfHeight = -std::abs(static_cast<int>(pt.y - origin.y));
  }
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
  Attach(::CreateFontIndirectW(&lf));
  return m_handle != nullptr;
}

CDC::~CDC() {
  if (m_owned && m_hDC) ::DeleteDC(m_hDC);
}

HDC CDC::Detach() {
  HDC dc = m_hDC;
  m_hDC = nullptr;
  m_owned = false;
  return dc;
}

BOOL CDC::CreateCompatibleDC(HDC dc) {
  if (m_owned && m_hDC) ::DeleteDC(m_hDC);
  m_hDC = ::CreateCompatibleDC(dc);
  m_owned = m_hDC != nullptr;
  return m_owned;
}

void CDC::StrokeLines(COLORREF color, std::initializer_list<CPoint> points) {
  CPen pen(PS_SOLID, 1, color);
  const CSelectedObject selected(m_hDC, pen);
  bool first = true;
  for (const CPoint& p : points) {
    if (first)
      MoveTo(p.x, p.y);
    else
      LineTo(p.x, p.y);
    first = false;
  }
}

void CDC::FillSolidRect(const CRect& r, COLORREF c) {
  CBrush brush(c);
  const RECT rc = ToRECT(r);
  ::FillRect(m_hDC, &rc, brush);
}

int CDC::DrawText(const std::wstring& text, CRect* rect, UINT format) {
  RECT rc = ToRECT(*rect);
  const int h = ::DrawTextW(m_hDC, text.c_str(), static_cast<int>(text.size()), &rc, format);
  *rect = FromRECT(rc);
  return h;
}

BOOL CDC::DrawState(CPoint pt, CSize size, HICON icon, UINT flags) {
  return ::DrawStateW(m_hDC, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, pt.x, pt.y,
                      size.cx, size.cy, flags | DST_ICON);
}

BOOL CDC::DrawState(CPoint pt, CSize size, const std::wstring& text, UINT flags) {
  return ::DrawStateW(m_hDC, nullptr, nullptr, reinterpret_cast<LPARAM>(text.c_str()),
                      static_cast<WPARAM>(text.size()), pt.x, pt.y, size.cx, size.cy,
                      flags | DST_PREFIXTEXT);
}

int CDC::GetClipBox(CRect* rect) const {
  RECT rc{};
  const int kind = ::GetClipBox(m_hDC, &rc);
  *rect = FromRECT(rc);
  return kind;
}

CPoint CDC::SetWindowOrg(int x, int y) {
  POINT old{};
  ::SetWindowOrgEx(m_hDC, x, y, &old);
  return {static_cast<int>(old.x), static_cast<int>(old.y)};
}

CPaintDC::CPaintDC(HWND wnd) : m_wnd(wnd) { m_hDC = ::BeginPaint(wnd, &m_ps); }
CPaintDC::~CPaintDC() { ::EndPaint(m_wnd, &m_ps); }

CClientDC::CClientDC(HWND wnd) : m_wnd(wnd) { m_hDC = ::GetDC(wnd); }
CClientDC::~CClientDC() { ::ReleaseDC(m_wnd, m_hDC); }

CWindowDC::CWindowDC(HWND wnd) : m_wnd(wnd) { m_hDC = ::GetWindowDC(wnd); }
CWindowDC::~CWindowDC() {
  if (m_hDC) ::ReleaseDC(m_wnd, m_hDC);
}

COffscreenDC::COffscreenDC(CDC& target) : m_target(target) {
  target.GetClipBox(&m_rect);
  CreateCompatibleDC(target);
  m_bitmap.CreateCompatibleBitmap(target, m_rect.Width(), m_rect.Height());
  m_oldBitmap = SelectObject(m_bitmap);
  SetWindowOrg(m_rect.left, m_rect.top);
}

COffscreenDC::~COffscreenDC() {
  m_target.BitBlt(m_rect.left, m_rect.top, m_rect.Width(), m_rect.Height(), m_hDC, m_rect.left,
                  m_rect.top, SRCCOPY);
  SelectObject(m_oldBitmap);
}

}  // namespace vsk
