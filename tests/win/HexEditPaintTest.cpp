// The hex edit control's pixels: digits and characters in their cells,
// the empty control, and the selection.
#include <gtest/gtest.h>

#include <vector>

#include "tests/win/HexEditFixture.h"

namespace vsk {
namespace {

using test::HexEditTest;
using test::PixelCanvas;
using test::SetCtrl;
using test::kBlack;
using test::kHexId;
using test::kOtherId;
using test::kWhite;

TEST_F(HexEditTest, DigitsAndCharactersArePaintedInTheirCells) {
  Make(60);
  const uint8_t bytes[] = {0x4A, 0x7E, 0x00, 0x80, 0x39, 0x20, 0xFF, 0x41, 0x0D, 0x62, 0x5A, 0x30};
  hex().SetData(bytes, sizeof bytes);
  const auto c = Print();
  ASSERT_GT(model().CharWidth(), 3);
  ASSERT_GT(model().LineHeight(), 6);

  const auto glyph = [&](wchar_t ch) { return Glyph(ch, kBlack, kWhite); };
  // Row 0: "4A 7E 00 80 39 20 FF 41 0D 62", upper-case digits, blank cells.
  EXPECT_EQ(HexCell(*c, 0, 0), glyph(L'4'));
  EXPECT_EQ(HexCell(*c, 1, 0), glyph(L'A'));
  EXPECT_EQ(HexCell(*c, 2, 0), glyph(L' '));
  EXPECT_EQ(HexCell(*c, 4, 0), glyph(L'E'));
  EXPECT_EQ(HexCell(*c, 18, 0), glyph(L'F'));
  EXPECT_EQ(HexCell(*c, 19, 0), glyph(L'F'));
  EXPECT_NE(glyph(L'4'), glyph(L'A'));
  // Characters: printable bytes themselves, the rest ".".
  EXPECT_EQ(CharCell(*c, 0, 0), glyph(L'J'));
  EXPECT_EQ(CharCell(*c, 1, 0), glyph(L'~'));
  EXPECT_EQ(CharCell(*c, 2, 0), glyph(L'.'));
  EXPECT_EQ(CharCell(*c, 3, 0), glyph(L'.'));
  EXPECT_EQ(CharCell(*c, 5, 0), glyph(L' '));
  EXPECT_EQ(CharCell(*c, 6, 0), glyph(L'.'));
  EXPECT_EQ(CharCell(*c, 8, 0), glyph(L'.'));
  // Row 1 holds two bytes; the rest of it and the rows below are white.
  EXPECT_EQ(HexCell(*c, 0, 1), glyph(L'5'));
  EXPECT_EQ(HexCell(*c, 4, 1), glyph(L'0'));
  EXPECT_EQ(CharCell(*c, 1, 1), glyph(L'0'));
  EXPECT_EQ(CountOf(HexCell(*c, 6, 1), kWhite), model().CharWidth() * model().LineHeight());
  EXPECT_EQ(CountOf(CharCell(*c, 2, 1), kWhite), model().CharWidth() * model().LineHeight());
  const int rightOfText = model().CharColumnX() + 10 * model().CharWidth();
  const CRect r = Client();
  EXPECT_EQ(c->Count(kWhite, {rightOfText, 0, r.Width(), r.Height()}),
            (r.Width() - rightOfText) * r.Height());
  EXPECT_EQ(c->Count(kWhite, {0, 2 * model().LineHeight(), r.Width(), r.Height()}),
            r.Width() * (r.Height() - 2 * model().LineHeight()));
}

TEST_F(HexEditTest, EmptyControlIsWhiteAndTheScreenShowsWhatIsPrinted) {
  Make(40);
  {
    auto blank = Print();
    const CRect r = Client();
    EXPECT_EQ(blank->Count(kWhite, {0, 0, r.Width(), r.Height()}), r.Width() * r.Height());
  }
  // The load shows the horizontal bar, which takes client height.
  Load(25, 0x30);
  const CRect r = Client();
  const auto printed = Print();
  hex().RedrawWindow(RDW_INVALIDATE | RDW_UPDATENOW);
  PixelCanvas screen(r.Width(), r.Height(), RGB(1, 2, 3));
  HDC dc = ::GetDC(hex());
  ::BitBlt(screen.dc(), 0, 0, r.Width(), r.Height(), dc, 0, 0, SRCCOPY);
  ::ReleaseDC(hex(), dc);
  int differ = 0;
  for (int y = 0; y < r.Height(); ++y)
    for (int x = 0; x < r.Width(); ++x) differ += screen.At(x, y) != printed->At(x, y);
  EXPECT_EQ(differ, 0);
  EXPECT_EQ(HexCell(screen, 0, 2), Glyph(L'4', kBlack, kWhite));  // byte 20 = 0x44
}

TEST_F(HexEditTest, SelectionIsPaintedInTheCaretsColumnOnly) {
  Make(40);
  Load(20, 0x41);
  ClickCell(6, 0);              // byte 2, high nibble
  ClickCell(15, 0, true);       // byte 5: hex selection 2 ... 5
  ASSERT_EQ(model().SelectionAnchor(), 2);
  ASSERT_EQ(model().SelectionEnd(), 6);
  const COLORREF hi = ::GetSysColor(COLOR_HIGHLIGHT);
  const COLORREF hiText = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
  {
    const auto c = Print();
    EXPECT_EQ(HexCell(*c, 3, 0), Glyph(L'4', kBlack, kWhite));           // byte 1 = 0x42
    EXPECT_EQ(HexCell(*c, 6, 0), Glyph(L'4', hiText, hi));               // byte 2 = 0x43
    EXPECT_EQ(HexCell(*c, 8, 0), Glyph(L' ', hiText, hi));
    EXPECT_EQ(HexCell(*c, 16, 0), Glyph(L'6', hiText, hi));              // byte 5 = 0x46
    EXPECT_EQ(HexCell(*c, 18, 0), Glyph(L'4', ::GetSysColor(COLOR_WINDOWTEXT), ::GetSysColor(COLOR_WINDOW)));
    EXPECT_EQ(CharCell(*c, 2, 0), Glyph(L'C', kBlack, kWhite));
    EXPECT_EQ(CountOf(CharCell(*c, 3, 0), hi), 0);
    EXPECT_FALSE(model().CaretShown());
  }
  // Ctrl+Tab keeps the selection and moves it to the character column.
  Key(VK_TAB, true);
  EXPECT_EQ(model().State(), CHexEditModel::kCharColumn);
  {
    const auto c = Print();
    EXPECT_EQ(CharCell(*c, 2, 0), Glyph(L'C', hiText, hi));
    EXPECT_EQ(CharCell(*c, 5, 0), Glyph(L'F', hiText, hi));
    EXPECT_EQ(CharCell(*c, 1, 0), Glyph(L'B', kBlack, kWhite));
    EXPECT_EQ(CountOf(HexCell(*c, 6, 0), hi), 0);
  }
  // Any other handled key clears it.
  Key(VK_RIGHT);
  {
    const auto c = Print();
    const CRect r = Client();
    EXPECT_EQ(c->Count(hi, {0, 0, r.Width(), r.Height()}), 0);
  }
}

}  // namespace
}  // namespace vsk
