#include "app/WindowShape.h"

#include <commctrl.h>

#include "framework/Gdi.h"
#include "res/resource.h"

namespace vsk {
namespace {

// The header's first row, stretched over the caption and the frame above
// the client area, continues the lettering's fill upward.
void CoverCaption(HWND window) {
  RECT frame{};
  ::GetWindowRect(window, &frame);
  POINT client{0, 0};
  ::ClientToScreen(window, &client);
  const int top = client.y - frame.top;
  const int left = client.x - frame.left;
  CWindowDC dc(window);
  CBitmap header;
  if (!dc || !header.LoadBitmap(IDB_HEADER)) return;
  BITMAP info{};
  ::GetObjectW(header, sizeof(info), &info);
  CDC art;
  art.CreateCompatibleDC(dc);
  const CSelectedObject selected(art, header);
  ::StretchBlt(dc, 0, 0, frame.right - frame.left, top, art, 0, 0, 1, 1, SRCCOPY);
  ::StretchBlt(dc, left, 0, info.bmWidth, top, art, 0, 0, info.bmWidth, 1, SRCCOPY);
}

LRESULT CALLBACK FrameProc(HWND window, UINT msg, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR) {
  const LRESULT result = ::DefSubclassProc(window, msg, w, l);
  switch (msg) {
    case WM_NCPAINT:
    case WM_NCACTIVATE:
    case WM_SETTEXT:
    case WM_SETICON:  // the system redraws the caption's icon at once
      CoverCaption(window);
      break;
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(window, FrameProc, 0);
      break;
    default:
      break;
  }
  return result;
}

// The outline of the text, in window coordinates.
HRGN TextRegion(HWND window) {
  CFont font;
  font.CreatePointFont(700, kShapeFace);
  CClientDC windowDc(window);
  CDC dc;
  dc.CreateCompatibleDC(windowDc);
  const CSelectedObject selected(dc, font);
  dc.SetBkMode(TRANSPARENT);
  dc.BeginPath();
  dc.TextOut(25, -10, kShapeText);
  dc.EndPath();
  return dc.PathToRegion();
}

}  // namespace

void CutWindowShape(HWND window) {
  CRgn text;
  text.Attach(TextRegion(window));
  CRgn shape, bottom;
  shape.CreateRoundRectRgn(3, 75, 604, 426, 138, 80);
  if (text.GetSafeHandle()) shape.CombineRgn(shape, text, RGN_OR);
  // The rectangle squares off the bottom corners.
  bottom.CreateRectRgn(3, 425, 604, 443);
  shape.CombineRgn(shape, bottom, RGN_OR);
  // The system owns the region from here on.
  if (::SetWindowRgn(window, shape, TRUE)) shape.Detach();
  ::SetWindowSubclass(window, FrameProc, 0, 0);
}

}  // namespace vsk
