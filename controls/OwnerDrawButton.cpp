#include "controls/OwnerDrawButton.h"

#include "framework/Gdi.h"

namespace vsk {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr int kBevel = 2;
constexpr UINT kLastFrame = 22;

}  // namespace

void DrawBevel(HDC hdc, int w, int h, bool pressed) {
  CDC dc;
  dc.Attach(hdc);
  const COLORREF first = pressed ? kBlack : kWhite;
  dc.StrokeLines(first, {{1, h - 1}, {1, 1}, {w - 1, 1}});
  dc.StrokeLines(first, {{0, h - 1}, {0, 0}, {w - 1, 0}});
  const COLORREF second = pressed ? kWhite : kGrey;
  dc.StrokeLines(second, {{w - 1, 0}, {w - 1, h - 1}, {0, h - 1}});
  dc.StrokeLines(second, {{w - 2, 1}, {w - 2, h - 2}, {0, h - 2}});
  if (pressed)
    dc.StrokeLines(kGrey, {{1, h - 2}, {1, 1}, {w - 2, 1}});
  else
    dc.StrokeLines(kBlack, {{w - 1, 0}, {w - 1, h - 1}, {-1, h - 1}});
  dc.Detach();
}

COwnerDrawButton::~COwnerDrawButton() {
  // The child goes with the button; only a button that outlives its
  // dialog's window would leave it behind.
  if (m_animation.m_hWnd && ::IsWindow(m_animation.m_hWnd)) ::DestroyWindow(m_animation.m_hWnd);
}

void COwnerDrawButton::CreateAnimation() {
  CRect client;
  GetClientRect(&client);
  HWND child = ::CreateWindowExW(0, ANIMATE_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, 0, 0,
                                 client.Width(), client.Height(), m_hWnd, nullptr,
                                 ::GetModuleHandleW(nullptr), nullptr);
  if (!child) return;
  m_animation.Attach(child);
  // Without ACS_CENTER the control takes the clip's frame size on opening.
  if (!m_animation.Open(static_cast<UINT>(m_aviId))) return;
  CRect frame;
  m_animation.GetWindowRect(&frame);
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, frame.Width() + 2 * kBevel, frame.Height() + 2 * kBevel,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
  ::MoveWindow(child, kBevel, kBevel, frame.Width(), frame.Height(), TRUE);
  // The resize drew nothing, and the drawing under way is clipped to the
  // old size: the whole frame comes with the next paint.
  ::InvalidateRect(m_hWnd, nullptr, FALSE);
  m_animation.Play(0, kLastFrame, static_cast<UINT>(-1));
}

void COwnerDrawButton::DrawItem(DRAWITEMSTRUCT* dis) {
  if (!m_animation.m_hWnd) CreateAnimation();
  // The button is never disabled here, so a disabled look is not drawn.
  CRect client;
  GetClientRect(&client);
  DrawBevel(dis->hDC, client.Width(), client.Height(), (dis->itemState & ODS_SELECTED) != 0);
}

}  // namespace vsk
