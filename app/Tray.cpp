#include "app/Tray.h"

#include "res/resource.h"

namespace vsk {

void ShowTrayMenu(HWND owner) {
  HMENU menu = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_TRAY_MENU));
  if (!menu) return;
  HMENU popup = ::GetSubMenu(menu, 0);
  ::SetMenuDefaultItem(popup, 0, TRUE);
  POINT at{};
  ::GetCursorPos(&at);
  // Without the foreground the menu would not close on a click elsewhere,
  // and without the WM_NULL after it a second right click would not open
  // it again.
  ::SetForegroundWindow(owner);
  ::TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_LEFTBUTTON, at.x, at.y, 0, owner, nullptr);
  ::PostMessageW(owner, WM_NULL, 0, 0);
  ::DestroyMenu(menu);
}

}  // namespace vsk
