// The notification-area icon's pop-up menu.
#pragma once

#include <windows.h>

namespace vsk {

// Menu 145 at the cursor, its first item the default, owned by `owner`,
// which receives the chosen command as WM_COMMAND. Returns when the menu
// has closed.
void ShowTrayMenu(HWND owner);

}  // namespace vsk
