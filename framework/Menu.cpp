#include "framework/Menu.h"

namespace vsk {
namespace {

class CMenuResource {
 public:
  explicit CMenuResource(UINT id)
      : m_menu(::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id))) {}
  CMenuResource(const CMenuResource&) = delete;
  CMenuResource& operator=(const CMenuResource&) = delete;
  ~CMenuResource() {
    if (m_menu) ::DestroyMenu(m_menu);
  }
  HMENU FirstPopup() const { return m_menu ? ::GetSubMenu(m_menu, 0) : nullptr; }

 private:
  HMENU m_menu;
};

}  // namespace

void TrackPopupMenuAtCursor(HWND owner, UINT menuId, bool firstItemDefault) {
  const CMenuResource menu(menuId);
  HMENU popup = menu.FirstPopup();
  if (!popup) return;
  if (firstItemDefault) ::SetMenuDefaultItem(popup, 0, TRUE);
  POINT at{};
  ::GetCursorPos(&at);
  // Without the foreground the menu would not close on a click elsewhere,
  // and without the WM_NULL after it the next one might not open.
  ::SetForegroundWindow(owner);
  ::TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_LEFTBUTTON, at.x, at.y, 0, owner, nullptr);
  ::PostMessageW(owner, WM_NULL, 0, 0);
}

}  // namespace vsk
