// Device contexts and GDI objects as RAII wrappers: each owns its handle
// and releases it in its destructor.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

#include "framework/Geometry.h"

namespace vsk {

template <class Handle>
class CGdiObject {
 public:
  CGdiObject() = default;
  explicit CGdiObject(Handle h) : m_handle(h) {}
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;
  ~CGdiObject() { DeleteObject(); }
  operator Handle() const { return m_handle; }
  Handle GetSafeHandle() const { return m_handle; }
  void Attach(Handle h) {
    DeleteObject();
    m_handle = h;
  }
  Handle Detach() {
    Handle h = m_handle;
    m_handle = nullptr;
    return h;
  }
  void DeleteObject() {
    if (m_handle) ::DeleteObject(m_handle);
    m_handle = nullptr;
  }

 protected:
  Handle m_handle = nullptr;
};

class CBitmap : public CGdiObject<HBITMAP> {
 public:
  BOOL LoadBitmap(UINT id);
  BOOL CreateCompatibleBitmap(HDC dc, int width, int height);
};

class CFont : public CGdiObject<HFONT> {
 public:
  // Size in tenths of a point, for the screen's resolution.
  BOOL CreatePointFont(int pointSize10, const wchar_t* face);
};

class CPen : public CGdiObject<HPEN> {
 public:
  CPen(int style, int width, COLORREF color) : CGdiObject(::CreatePen(style, width, color)) {}
};

class CBrush : public CGdiObject<HBRUSH> {
 public:
  CBrush() = default;
  explicit CBrush(COLORREF color) : CGdiObject(::CreateSolidBrush(color)) {}
};

class CRgn : public CGdiObject<HRGN> {
 public:
  BOOL CreateRoundRectRgn(int l, int t, int r, int b, int w, int h) {
    Attach(::CreateRoundRectRgn(l, t, r, b, w, h));
    return m_handle != nullptr;
  }
  BOOL CreateRectRgn(int l, int t, int r, int b) {
    Attach(::CreateRectRgn(l, t, r, b));
    return m_handle != nullptr;
  }
  int CombineRgn(HRGN a, HRGN b, int mode) { return ::CombineRgn(m_handle, a, b, mode); }
};

class CDC {
 public:
  CDC() = default;
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;
  virtual ~CDC();

  HDC m_hDC = nullptr;
  operator HDC() const { return m_hDC; }
  void Attach(HDC dc) { m_hDC = dc; }
  HDC Detach();
  BOOL CreateCompatibleDC(HDC dc);

  HGDIOBJ SelectObject(HGDIOBJ obj) { return ::SelectObject(m_hDC, obj); }
  COLORREF SetTextColor(COLORREF c) { return ::SetTextColor(m_hDC, c); }
  COLORREF SetBkColor(COLORREF c) { return ::SetBkColor(m_hDC, c); }
  int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
  BOOL MoveTo(int x, int y) { return ::MoveToEx(m_hDC, x, y, nullptr); }
  BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
  // Solid one-pixel lines of `color` from point to point; as with LineTo
  // the last point is left unpainted. The DC's pen is restored afterwards.
  void StrokeLines(COLORREF color, std::initializer_list<CPoint> points);
  void FillSolidRect(const CRect& r, COLORREF c);
  BOOL TextOut(int x, int y, const std::wstring& text) {
    return ::TextOutW(m_hDC, x, y, text.c_str(), static_cast<int>(text.size()));
  }
  int DrawText(const std::wstring& text, CRect* rect, UINT format);
  BOOL DrawState(CPoint pt, CSize size, HICON icon, UINT flags);
  BOOL DrawState(CPoint pt, CSize size, const std::wstring& text, UINT flags);
  BOOL DrawIcon(int x, int y, HICON icon) { return ::DrawIcon(m_hDC, x, y, icon); }
  BOOL BeginPath() { return ::BeginPath(m_hDC); }
  BOOL EndPath() { return ::EndPath(m_hDC); }
  HRGN PathToRegion() { return ::PathToRegion(m_hDC); }
  BOOL BitBlt(int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop) {
    return ::BitBlt(m_hDC, x, y, w, h, src, sx, sy, rop);
  }
  int GetClipBox(CRect* rect) const;
  CPoint SetWindowOrg(int x, int y);

 protected:
  bool m_owned = false;  // created here, deleted here
};

class CPaintDC : public CDC {
 public:
  explicit CPaintDC(HWND wnd);
  ~CPaintDC() override;
  PAINTSTRUCT m_ps{};

 private:
  HWND m_wnd;
};

// A null window gives the screen's DC.
class CClientDC : public CDC {
 public:
  explicit CClientDC(HWND wnd);
  ~CClientDC() override;

 private:
  HWND m_wnd;
};

// The whole window, caption and frame included.
class CWindowDC : public CDC {
 public:
  explicit CWindowDC(HWND wnd);
  ~CWindowDC() override;

 private:
  HWND m_wnd;
};

// Selects `object` into `dc` for its own lifetime and then puts back what
// the DC held before, so that nothing is deleted while still selected.
class CSelectedObject {
 public:
  CSelectedObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(::SelectObject(dc, object)) {}
  CSelectedObject(const CSelectedObject&) = delete;
  CSelectedObject& operator=(const CSelectedObject&) = delete;
  ~CSelectedObject() {
    if (m_old && m_old != HGDI_ERROR) ::SelectObject(m_dc, m_old);
  }

 private:
  HDC m_dc;
  HGDIOBJ m_old;
};

// A memory DC over the target's clip box, in the target's coordinates; the
// destructor copies the drawing back in one BitBlt, so nothing flickers.
class COffscreenDC : public CDC {
 public:
  explicit COffscreenDC(CDC& target);
  ~COffscreenDC() override;

 private:
  CDC& m_target;
  CBitmap m_bitmap;
  HGDIOBJ m_oldBitmap = nullptr;
  CRect m_rect;
};

}  // namespace vsk
