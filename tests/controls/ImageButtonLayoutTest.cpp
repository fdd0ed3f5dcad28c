#include <gtest/gtest.h>

#include "controls/ImageButtonLayout.h"

namespace vsk {
namespace {

const CRect kFace(0, 0, 88, 90);

TEST(ImageButtonLayout, WithoutCaptionTheIconIsCentredWhateverTheAlignment) {
  for (int alignment : {0, 1}) {
    const CImageButtonLayout l(kFace, alignment, true, false, 64, 64, false);
    EXPECT_EQ(l.IconRect().TopLeft(), CPoint(12, 13)) << alignment;
    EXPECT_EQ(l.IconRect().right, 88);
    EXPECT_EQ(l.IconRect().bottom, 90);
  }
}

TEST(ImageButtonLayout, AboveTheCaptionTheIconTouchesTheTopAndTheCaptionCentresBelowIt) {
  const CImageButtonLayout l(kFace, 1, true, true, 64, 64, false);
  EXPECT_EQ(l.IconRect().TopLeft(), CPoint(12, 0));
  // The part below the icon is rows 64..90: 26 high; a 40 x 13 text.
  EXPECT_EQ(l.CaptionRect({40, 13}), CRect(24, 70, 64, 83));
}

TEST(ImageButtonLayout, LeftOfTheCaptionTheIconStandsThreePixelsInAndTheCaptionCentresRightOfIt) {
  const CImageButtonLayout l(CRect(10, 20, 110, 52), 0, true, true, 32, 32, false);
  EXPECT_EQ(l.IconRect().TopLeft(), CPoint(13, 20));
  // Caption area from 10 + 32 + 3 = 45 to 110: 65 wide; text 21 wide -> +22.
  EXPECT_EQ(l.CaptionRect({21, 10}), CRect(67, 31, 88, 41));
}

TEST(ImageButtonLayout, ACaptionTallerThanThePartBelowTheIconEndsAtTheFaceBottom) {
  // A 68-pixel face under a 64-pixel icon leaves 4 rows for a 14-row text.
  const CImageButtonLayout up(CRect(0, 0, 66, 68), 1, true, true, 64, 64, false);
  EXPECT_EQ(up.CaptionRect({50, 14}), CRect(8, 54, 58, 68));
  const CImageButtonLayout down(CRect(0, 0, 66, 68), 1, true, true, 64, 64, true);
  EXPECT_EQ(down.CaptionRect({50, 14}), CRect(9, 55, 59, 69));
  // A text taller than the whole face stays centred on it.
  const CImageButtonLayout tiny(CRect(0, 0, 20, 10), 1, false, true, 0, 0, false);
  EXPECT_EQ(tiny.CaptionRect({10, 14}), CRect(5, -2, 15, 12));
}

TEST(ImageButtonLayout, WithoutIconsTheCaptionCentresOnTheWholeFace) {
  const CImageButtonLayout l(kFace, 1, false, true, 64, 64, false);
  EXPECT_EQ(l.CaptionRect({40, 14}), CRect(24, 38, 64, 52));
}

TEST(ImageButtonLayout, PressedMovesIconAndCaptionOnePixelRightAndDown) {
  for (int alignment : {0, 1, 2}) {
    const CImageButtonLayout up(kFace, alignment, true, true, 32, 32, false);
    const CImageButtonLayout down(kFace, alignment, true, true, 32, 32, true);
    CRect moved = up.IconRect();
    moved.OffsetRect(1, 1);
    EXPECT_EQ(down.IconRect(), moved) << alignment;
    CRect text = up.CaptionRect({20, 10});
    text.OffsetRect(1, 1);
    EXPECT_EQ(down.CaptionRect({20, 10}), text) << alignment;
  }
}

TEST(ImageButtonLayout, AnUnknownAlignmentLeavesTheIconOnTheWholeFace) {
  const CImageButtonLayout l(kFace, 2, true, true, 32, 32, false);
  EXPECT_EQ(l.IconRect(), kFace);
  EXPECT_EQ(l.CaptionRect({20, 10}), CRect(34, 40, 54, 50));
}

TEST(ImageButtonLayout, HalvingsRoundTowardZeroForOddAndOversizedValues) {
  // 7 - 4 = 3 spare pixels: the icon moves by 1, not 2.
  const CImageButtonLayout odd(CRect(0, 0, 7, 7), 1, true, false, 4, 4, false);
  EXPECT_EQ(odd.IconRect().TopLeft(), CPoint(1, 1));
  // An icon larger than the face: (10 - 13) / 2 is -1, not -2.
  const CImageButtonLayout big(CRect(0, 0, 10, 10), 1, true, false, 13, 13, false);
  EXPECT_EQ(big.IconRect().TopLeft(), CPoint(-1, -1));
  // A text wider than its area moves left by half the excess, toward zero.
  const CImageButtonLayout wide(CRect(0, 0, 10, 10), 1, false, true, 0, 0, false);
  EXPECT_EQ(wide.CaptionRect({13, 3}).left, -1);
}

}  // namespace
}  // namespace vsk
