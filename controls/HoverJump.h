// Where the hover button jumps when the pointer moves over it: on each axis
// the pointer's third of the button decides the direction, and the room
// between the button's current edge and the parent's client edge decides
// the side of the pointer. The result is never clamped to the parent and
// keeps the button's size. All coordinates are the parent's client ones;
// right and bottom are exclusive.
#pragma once

struct JumpRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  friend bool operator==(const JumpRect&, const JumpRect&) = default;
};

JumpRect HoverJump(const JumpRect& parentClient, int x, int y, const JumpRect& button, int gap);
