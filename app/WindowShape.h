// The main window's outline: a rounded body with square bottom corners
// joined with the outline of a line of large text above it. The standard
// caption lies outside it and is painted over where a taller face than the
// outline was drawn for would let it show.
#pragma once

#include <windows.h>

namespace vsk {

inline constexpr wchar_t kShapeText[] = L"V i r e s k a n d";
inline constexpr wchar_t kShapeFace[] = L"Vampire95";

// Cuts `window` to the outline and keeps its caption covered from then on.
void CutWindowShape(HWND window);

}  // namespace vsk
