// The colour every dialog of the program paints behind its controls; the
// flat buttons of the dialogs take it for their faces.
#pragma once

#include <windows.h>

namespace vsk {

inline constexpr COLORREF kDialogColor = RGB(42, 255, 202);

}  // namespace vsk
