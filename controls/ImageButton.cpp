#include "controls/ImageButton.h"

#include "framework/Gdi.h"
#include "controls/ImageButtonLayout.h"

namespace vsk {
namespace {

HICON LoadIconResource(int id) {
  // 0 x 0 with LR_DEFAULTCOLOR: the resource's own size.
  return static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr),
                                         MAKEINTRESOURCEW(static_cast<WORD>(id)), IMAGE_ICON, 0,
                                         0, LR_DEFAULTCOLOR));
}

}  // namespace

CImageButton::CImageButton() {
  ResetBackColorOut(0);
  ResetTextColorOut(0);
  ResetBackColorIn(0);
  ResetTextColorIn(0);
}

CImageButton::~CImageButton() { FreeIcons(); }

void CImageButton::FreeIcons() {
  if (m_iconOut && m_iconOut != m_iconIn) ::DestroyIcon(m_iconOut);
  if (m_iconIn) ::DestroyIcon(m_iconIn);
  m_iconIn = m_iconOut = nullptr;
}

void CImageButton::SetIcons(int inIconId, int outIconId, int width, int height) {
  HICON in = LoadIconResource(inIconId);
  HICON out = outIconId ? LoadIconResource(outIconId) : in;
  FreeIcons();
  m_iconIn = in;
  m_iconOut = out;
  m_iconWidth = static_cast<uint8_t>(width);
  m_iconHeight = static_cast<uint8_t>(height);
  if (m_hWnd) RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CImageButton::SetAlignment(int alignment) {
  if (alignment == 0 || alignment == 1) m_alignment = alignment;
  if (m_hWnd) InvalidateRect(nullptr, TRUE);
}

void CImageButton::SetShowText(BOOL show) {
  m_showText = show;
  if (m_hWnd) InvalidateRect(nullptr, TRUE);
}

void CImageButton::SetColor(COLORREF& member, COLORREF color, int repaint) {
  member = color;
  if (repaint == 1 && m_hWnd) InvalidateRect(nullptr, TRUE);
}

void CImageButton::SetBackColorOut(COLORREF c, int r) { SetColor(m_backColorOut, c, r); }
void CImageButton::SetTextColorOut(COLORREF c, int r) { SetColor(m_textColorOut, c, r); }
void CImageButton::SetBackColorIn(COLORREF c, int r) { SetColor(m_backColorIn, c, r); }
void CImageButton::SetTextColorIn(COLORREF c, int r) { SetColor(m_textColorIn, c, r); }
void CImageButton::ResetBackColorOut(int r) { SetColor(m_backColorOut, ::GetSysColor(COLOR_BTNFACE), r); }
void CImageButton::ResetTextColorOut(int r) { SetColor(m_textColorOut, ::GetSysColor(COLOR_BTNTEXT), r); }
void CImageButton::ResetBackColorIn(int r) { SetColor(m_backColorIn, ::GetSysColor(COLOR_BTNFACE), r); }
void CImageButton::ResetTextColorIn(int r) { SetColor(m_textColorIn, ::GetSysColor(COLOR_BTNTEXT), r); }

const MessageMap* CImageButton::GetMessageMap() const {
  // Its window messages arrive through the cracked virtuals below.
  return CButton::GetMessageMap();
}

void CImageButton::PreSubclassWindow() {
  const UINT style = static_cast<UINT>(GetStyle() & 0xFF);
  // BS_OWNERDRAW is 0xB: OR-ing keeps the other low bits, as the drawing
  // only needs the owner-draw bits set.
  SendMessage(BM_SETSTYLE, style | BS_OWNERDRAW, TRUE);
  CButton::PreSubclassWindow();
}

void CImageButton::DrawItem(DRAWITEMSTRUCT* dis) {
  CDC target;
  target.Attach(dis->hDC);
  {
    COffscreenDC dc(target);
    const CRect face = FromRECT(dis->rcItem);
    const bool pressed = (dis->itemState & ODS_SELECTED) != 0;
    const bool disabled = (dis->itemState & ODS_DISABLED) != 0;
    const bool active = m_mouseOver == 1 || pressed;

    dc.FillSolidRect(face, active ? m_backColorIn : m_backColorOut);

    if (m_drawBorder == 1 && (pressed || m_mouseOver == 1)) {
      const COLORREF topLeft = ::GetSysColor(pressed ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT);
      const COLORREF bottomRight = ::GetSysColor(pressed ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW);
      dc.StrokeLines(topLeft, {{face.left, face.bottom - 1}, {face.left, face.top},
                               {face.right, face.top}});
      dc.StrokeLines(bottomRight, {{face.left, face.bottom - 1}, {face.right - 1, face.bottom - 1},
                                   {face.right - 1, face.top - 1}});
    }

    const std::wstring text = m_showText ? GetWindowText() : std::wstring();
    const CImageButtonLayout layout(face, m_alignment, m_iconIn != nullptr, !text.empty(),
                                    m_iconWidth, m_iconHeight, pressed);
    if (m_iconIn) {
      const CRect& i = layout.IconRect();
      dc.DrawState(i.TopLeft(), i.Size(), active ? m_iconIn : m_iconOut,
                   disabled ? DSS_DISABLED : DSS_NORMAL);
    }

    if (!text.empty()) {
      const CSelectedObject font(dc, GetFont());
      dc.SetTextColor(active ? m_textColorIn : m_textColorOut);
      dc.SetBkColor(active ? m_backColorIn : m_backColorOut);
      CRect measured(0, 0, 0, 0);
      dc.DrawText(text, &measured, DT_CALCRECT | DT_SINGLELINE);
      const CRect t = layout.CaptionRect(measured.Size());
      dc.DrawState(t.TopLeft(), t.Size(), text, disabled ? DSS_DISABLED : DSS_NORMAL);
    }
  }
  target.Detach();
}

void CImageButton::OnMouseMove(UINT flags, CPoint point) {
  CButton::OnMouseMove(flags, point);
  const bool leftDown = (flags & MK_LBUTTON) != 0;
  if (leftDown && m_mouseOver != 1) return;
  if (::GetCapture() != m_hWnd) {
    m_mouseOver = 1;
    SetCapture();
    InvalidateRect(nullptr, TRUE);
    return;
  }
  CRect client;
  GetClientRect(&client);
  if (client.PtInRect(point)) return;
  if (m_mouseOver == 1) {
    m_mouseOver = 0;
    InvalidateRect(nullptr, TRUE);
  }
  if (!leftDown) ::ReleaseCapture();
}

void CImageButton::OnKillFocus(HWND wnd) {
  CButton::OnKillFocus(wnd);
  if (m_mouseOver == 1) {
    m_mouseOver = 0;
    InvalidateRect(nullptr, TRUE);
  }
}

void CImageButton::OnCaptureChanged(HWND wnd) {
  if (m_mouseOver == 1) {
    ::ReleaseCapture();
    InvalidateRect(nullptr, TRUE);
  }
  CButton::OnCaptureChanged(wnd);
}

}  // namespace vsk
