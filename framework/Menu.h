// Pop-up menus from menu resources, tracked at the mouse pointer.
#pragma once

#include <windows.h>

namespace vsk {

// Shows the first pop-up of menu resource `menuId` at the pointer, owned by
// `owner`, which receives the chosen command as WM_COMMAND. With
// `firstItemDefault` the first item is the default one (shown bold).
// Returns when the menu has closed.
void TrackPopupMenuAtCursor(HWND owner, UINT menuId, bool firstItemDefault = false);

}  // namespace vsk
