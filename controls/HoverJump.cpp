#include "controls/HoverJump.h"

namespace {

// One axis: [low, high) is the button, [pLow, pHigh) the parent, p the
// pointer. Returns the new low edge. Integer division truncates toward zero.
int JumpAxis(int low, int high, int pLow, int pHigh, int p, int gap) {
  const int size = high - low;
  const int centre = (high + low) / 2;
  const int sixth = size / 6;
  if (p - sixth > centre) {
    if (low > pLow + size + gap) return p - gap - size;
    return p + gap;
  }
  if (p + sixth < centre) {
    if (high < pHigh - gap - size) return p + gap;
    return p - gap - size;
  }
  return low;
}

}  // namespace

JumpRect HoverJump(const JumpRect& parentClient, int x, int y, const JumpRect& button, int gap) {
  const int width = button.right - button.left;
  const int height = button.bottom - button.top;
  JumpRect n;
  n.left = JumpAxis(button.left, button.right, parentClient.left, parentClient.right, x, gap);
  n.top = JumpAxis(button.top, button.bottom, parentClient.top, parentClient.bottom, y, gap);
  n.right = n.left + width;
  n.bottom = n.top + height;
  return n;
}
