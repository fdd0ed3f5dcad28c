// Points, sizes and rectangles in the Win32 manner (right and bottom are
// exclusive), without <windows.h>, so that plain logic can use them natively.
#pragma once

namespace vsk {

struct CSize {
  int cx = 0, cy = 0;
  constexpr CSize() = default;
  constexpr CSize(int x, int y) : cx(x), cy(y) {}
  friend constexpr bool operator==(const CSize&, const CSize&) = default;
};

struct CPoint {
  int x = 0, y = 0;
  constexpr CPoint() = default;
  constexpr CPoint(int px, int py) : x(px), y(py) {}
  constexpr void Offset(int dx, int dy) { x += dx, y += dy; }
  friend constexpr bool operator==(const CPoint&, const CPoint&) = default;
};

struct CRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  constexpr CRect() = default;
  constexpr CRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
  constexpr CRect(CPoint topLeft, CSize size)
      : left(topLeft.x), top(topLeft.y), right(topLeft.x + size.cx), bottom(topLeft.y + size.cy) {}

  constexpr int Width() const { return right - left; }
  constexpr int Height() const { return bottom - top; }
  constexpr CSize Size() const { return {Width(), Height()}; }
  constexpr CPoint TopLeft() const { return {left, top}; }
  constexpr bool IsRectEmpty() const { return right <= left || bottom <= top; }
  constexpr bool PtInRect(CPoint p) const {
    return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
  }
  constexpr void OffsetRect(int dx, int dy) { left += dx, right += dx, top += dy, bottom += dy; }
  friend constexpr bool operator==(const CRect&, const CRect&) = default;
};

}  // namespace vsk
