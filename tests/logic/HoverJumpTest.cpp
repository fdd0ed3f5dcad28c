#include <gtest/gtest.h>

#include "controls/HoverJump.h"

namespace {

// A 60 × 30 button: centre (130, 115), sixths 10 and 5.
const JumpRect kParent{0, 0, 400, 300};
const JumpRect kButton{100, 100, 160, 130};
constexpr int kGap = 10;

JumpRect Moved(const JumpRect& r, int dx, int dy) {
  return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

TEST(HoverJump, MiddleThirdKeepsThePlace) {
  EXPECT_EQ(HoverJump(kParent, 130, 115, kButton, kGap), kButton);
  EXPECT_EQ(HoverJump(kParent, 140, 120, kButton, kGap), kButton);  // strict tests
  EXPECT_EQ(HoverJump(kParent, 120, 110, kButton, kGap), kButton);
}

TEST(HoverJump, HorizontalThirds) {
  // Right third with room on the left: right edge at x − gap.
  EXPECT_EQ(HoverJump(kParent, 141, 115, kButton, kGap), (JumpRect{71, 100, 131, 130}));
  // Left third with room on the right: left edge at x + gap.
  EXPECT_EQ(HoverJump(kParent, 119, 115, kButton, kGap), (JumpRect{129, 100, 189, 130}));
  // Right third, no room: over the pointer to the right.
  const JumpRect nearLeft{70, 100, 130, 130};  // 70 is not > 0 + 60 + 10
  EXPECT_EQ(HoverJump(kParent, 111, 115, nearLeft, kGap), (JumpRect{121, 100, 181, 130}));
  // Left third, no room: to the left of the pointer.
  const JumpRect nearRight{270, 100, 330, 130};  // 330 is not < 400 − 10 − 60
  EXPECT_EQ(HoverJump(kParent, 289, 115, nearRight, kGap), (JumpRect{219, 100, 279, 130}));
  EXPECT_EQ(HoverJump(kParent, 288, 115, Moved(nearRight, -1, 0), kGap),
            (JumpRect{298, 100, 358, 130}));
}

TEST(HoverJump, VerticalThirdsAndCorners) {
  EXPECT_EQ(HoverJump(kParent, 130, 121, kButton, kGap), (JumpRect{100, 81, 160, 111}));
  EXPECT_EQ(HoverJump(kParent, 130, 109, kButton, kGap), (JumpRect{100, 119, 160, 149}));
  const JumpRect nearTop{100, 40, 160, 70};
  EXPECT_EQ(HoverJump(kParent, 130, 61, nearTop, kGap), (JumpRect{100, 71, 160, 101}));
  const JumpRect nearBottom{100, 260, 160, 290};
  EXPECT_EQ(HoverJump(kParent, 130, 269, nearBottom, kGap), (JumpRect{100, 229, 160, 259}));
  EXPECT_EQ(HoverJump(kParent, 150, 125, kButton, kGap), (JumpRect{80, 85, 140, 115}));
}

TEST(HoverJump, NeverClampedNeverResized) {
  const JumpRect small{0, 0, 100, 100};
  const JumpRect b{30, 60, 90, 90};
  const JumpRect n = HoverJump(small, 45, 89, b, kGap);
  EXPECT_EQ(n, (JumpRect{-25, 49, 35, 79}));
  EXPECT_EQ(n.right - n.left, 60);
  EXPECT_EQ(n.bottom - n.top, 30);
  EXPECT_EQ(HoverJump(small, 200, 70, b, kGap), (JumpRect{210, 60, 270, 90}));
}

TEST(HoverJump, DivisionsTruncateTowardZero) {
  // Centre (−61 + 0) / 2 = −30, not −31: a pointer at −20 is in the middle.
  const JumpRect b{-61, 0, 0, 30};
  EXPECT_EQ(HoverJump(kParent, -20, 15, b, kGap), b);
  EXPECT_NE(HoverJump(kParent, -19, 15, b, kGap), b);
}

}  // namespace
