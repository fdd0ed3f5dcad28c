#include "controls/HoverButton.h"

#include <iterator>

#include "controls/HoverJump.h"

namespace vsk {

CHoverButton::~CHoverButton() { DestroyWindow(); }

const MessageMap* CHoverButton::GetMessageMap() const {
  // WM_MOUSEMOVE is cracked to OnMouseMove by CWnd; nothing else to map.
  static const MessageMap map{CButton::GetMessageMap(), nullptr, 0};
  return &map;
}

void CHoverButton::OnMouseMove(UINT flags, CPoint point) {
  HWND parent = GetParent();
  if (!parent) parent = ::GetDesktopWindow();
  RECT client{};
  ::GetClientRect(parent, &client);

  POINT pointer{point.x, point.y};
  ::ClientToScreen(m_hWnd, &pointer);
  ::ScreenToClient(parent, &pointer);

  RECT window{};
  ::GetWindowRect(m_hWnd, &window);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&window), 2);

  const JumpRect n = HoverJump({client.left, client.top, client.right, client.bottom}, pointer.x,
                               pointer.y, {window.left, window.top, window.right, window.bottom}, m_gap);
  ::MoveWindow(m_hWnd, n.left, n.top, n.right - n.left, n.bottom - n.top, TRUE);
  RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  CButton::OnMouseMove(flags, point);
}

}  // namespace vsk
