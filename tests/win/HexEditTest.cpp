// The hex edit control as a window: keys, characters, clicks and scroll
// requests sent as real messages.
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

TEST_F(HexEditTest, KeysMoveTheCaretAndItsPixelPosition) {
  Make(40);
  Load(25);
  hex().SetFocus();
  const int cw = model().CharWidth(), lh = model().LineHeight();
  ExpectCaret(0, CHexEditModel::kHighNibble);
  EXPECT_EQ(CaretPos(), CPoint(0, 0));
  Key(VK_LEFT);  // high nibble of byte 0: to its low nibble
  ExpectCaret(0, CHexEditModel::kLowNibble);
  EXPECT_EQ(CaretPos(), CPoint(cw, 0));
  Key(VK_RIGHT);
  ExpectCaret(1, CHexEditModel::kHighNibble);
  EXPECT_EQ(CaretPos(), CPoint(3 * cw, 0));
  Key(VK_DOWN);
  ExpectCaret(11, CHexEditModel::kHighNibble);
  EXPECT_EQ(CaretPos(), CPoint(3 * cw, lh));
  Key(VK_END);
  ExpectCaret(19, CHexEditModel::kHighNibble);
  Key(VK_DOWN);  // row 2 holds bytes 20 ... 24 only: the step is undone
  ExpectCaret(19, CHexEditModel::kHighNibble);
  Key(VK_HOME);
  ExpectCaret(10, CHexEditModel::kHighNibble);
  Key(VK_TAB);  // without Ctrl: nothing
  ExpectCaret(10, CHexEditModel::kHighNibble);
  Key(VK_TAB, true);
  ExpectCaret(10, CHexEditModel::kCharColumn);
  EXPECT_EQ(CaretPos(), CPoint(model().CharColumnX(), lh));
  Key(VK_END, true);
  ExpectCaret(24, CHexEditModel::kCharColumn);
  Key(VK_UP);
  ExpectCaret(14, CHexEditModel::kCharColumn);
  Key(VK_HOME, true);
  ExpectCaret(0, CHexEditModel::kCharColumn);
  EXPECT_EQ(model().Top(), 0);
  Key(VK_UP);
  ExpectCaret(0, CHexEditModel::kCharColumn);
  Key(VK_NEXT);  // Page Down is not handled
  ExpectCaret(0, CHexEditModel::kCharColumn);
}

TEST_F(HexEditTest, TypingFillsNibblesAndStoresCharacters) {
  Make(40);
  Load(12, 0);
  hex().SetFocus();
  Type(L"4A1a0");  // "A" is refused in the hex column
  std::vector<uint8_t> out(12);
  EXPECT_EQ(hex().GetData(out.data(), 12), 12);
  EXPECT_EQ(out[0], 0x41);
  EXPECT_EQ(out[1], 0xA0);
  ExpectCaret(2, CHexEditModel::kHighNibble);
  Type(L"\t");
  ExpectCaret(2, CHexEditModel::kHighNibble);

  Key(VK_TAB, true);
  Type(L"\r\b\x1b" L"zЖ");
  hex().GetData(out.data(), 12);
  char zhe = 0;
  ::WideCharToMultiByte(CP_ACP, 0, L"Ж", 1, &zhe, 1, nullptr, nullptr);
  EXPECT_EQ(out[2], 0x0D);
  EXPECT_EQ(out[3], 0x08);
  EXPECT_EQ(out[4], 0x1B);
  EXPECT_EQ(out[5], 'z');
  EXPECT_EQ(out[6], static_cast<uint8_t>(zhe));
  ExpectCaret(7, CHexEditModel::kCharColumn);
  // A byte of 0x80 or above shows as ".".
  const auto c = Print();
  EXPECT_EQ(CharCell(*c, 6, 0), Glyph(L'.', kBlack, kWhite));
  EXPECT_EQ(CharCell(*c, 5, 0), Glyph(L'z', kBlack, kWhite));

  // Typing on the last byte stays on it.
  Key(VK_END, true);
  Type(L"qr");
  hex().GetData(out.data(), 12);
  EXPECT_EQ(out[11], 'r');
  ExpectCaret(11, CHexEditModel::kCharColumn);
}

TEST_F(HexEditTest, ClicksPlaceTheCaretAndShiftClicksSelect) {
  Make(40);
  Load(15);
  ::SetFocus(host_->GetDlgItem(kOtherId));
  ClickCell(11, 0);  // the blank after byte 3: byte 4, high nibble
  EXPECT_EQ(::GetFocus(), hex().m_hWnd);
  ExpectCaret(4, CHexEditModel::kHighNibble);
  ClickCell(13, 1);  // byte 14, low nibble
  ExpectCaret(14, CHexEditModel::kLowNibble);
  ClickCell(18, 1);  // right of the short last row: nothing
  ExpectCaret(14, CHexEditModel::kLowNibble);
  ClickCell(37, 0);
  ExpectCaret(7, CHexEditModel::kCharColumn);

  // Character column from 2 to 5 selects 2 ... 4; the caret hides.
  ClickCell(32, 0);
  ClickCell(35, 0, true);
  EXPECT_EQ(model().SelectionAnchor(), 2);
  EXPECT_EQ(model().SelectionEnd(), 5);
  EXPECT_FALSE(model().CaretShown());
  // Hex column from 5 back to 2 selects 3 ... 4 (anchor 5, end 3).
  Key(VK_TAB, true);
  ClickCell(15, 0);
  EXPECT_EQ(model().SelectionAnchor(), 2);  // a plain click keeps it
  Key(VK_LEFT);
  Key(VK_RIGHT);
  ClickCell(15, 0);
  ClickCell(6, 0, true);
  EXPECT_EQ(model().SelectionAnchor(), 5);
  EXPECT_EQ(model().SelectionEnd(), 3);
  const auto c = Print();
  const COLORREF hi = ::GetSysColor(COLOR_HIGHLIGHT);
  EXPECT_EQ(CountOf(HexCell(*c, 6, 0), hi), 0);
  EXPECT_GT(CountOf(HexCell(*c, 9, 0), hi), 0);
  EXPECT_GT(CountOf(HexCell(*c, 12, 0), hi), 0);
  EXPECT_EQ(CountOf(HexCell(*c, 15, 0), hi), 0);

  // A double click's second press acts as a click.
  Key(VK_HOME);
  const int x = 3 * model().CharWidth() + 1, y = model().LineHeight() + 1;
  hex().SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(x, y));
  ExpectCaret(11, CHexEditModel::kHighNibble);
}

TEST_F(HexEditTest, WithoutDataInputIsIgnoredButAClickTakesTheFocus) {
  Make(40);
  ::SetFocus(host_->GetDlgItem(kOtherId));
  ClickCell(3, 0);
  EXPECT_EQ(::GetFocus(), hex().m_hWnd);
  Key(VK_RIGHT);
  Type(L"12");
  EXPECT_FALSE(model().HasBuffer());
  EXPECT_EQ(hex().GetData(nullptr, 0), 0);

  hex().SetData(nullptr, 0);
  Key(VK_RIGHT);
  Type(L"12");
  EXPECT_EQ(model().Length(), 0);
  EXPECT_EQ(model().Caret(), 0);
}

TEST_F(HexEditTest, LayoutAndScrollBarFollowTheLoad) {
  Make(80);
  Load(15);
  EXPECT_EQ(model().VisibleRows(), 3);
  EXPECT_TRUE(model().PartialRow());
  SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
  ::GetScrollInfo(hex(), SB_VERT, &si);
  EXPECT_EQ(si.nMax, 0);
  Load(14);
  EXPECT_EQ(model().VisibleRows(), 2);
  EXPECT_TRUE(model().PartialRow());
  Load(20);
  EXPECT_EQ(model().VisibleRows(), 2);
  EXPECT_FALSE(model().PartialRow());
  // Ctrl+End with the partial row stays on row 0.
  Load(15);
  hex().SetFocus();
  Key(VK_END, true);
  EXPECT_EQ(model().Top(), 0);
  ExpectCaret(14, CHexEditModel::kHighNibble);
}

TEST_F(HexEditTest, ScrollBarAndKeysScrollTheRows) {
  Make(40);
  Load(200);
  hex().SetFocus();
  const int rows = model().VisibleRows();
  ASSERT_GE(rows, 2);
  ASSERT_LT(rows, 20);
  SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
  ::GetScrollInfo(hex(), SB_VERT, &si);
  EXPECT_EQ(si.nMax, 19);
  EXPECT_EQ(si.nPage, static_cast<UINT>(rows));

  // The scroll bar carries the caret with the rows.
  Key(VK_RIGHT);  // byte 0, low nibble
  hex().SendMessage(WM_VSCROLL, SB_LINEDOWN);
  EXPECT_EQ(model().Top(), 10);
  EXPECT_EQ(::GetScrollPos(hex(), SB_VERT), 1);
  ExpectCaret(10, CHexEditModel::kLowNibble);
  EXPECT_EQ(CaretPos(), CPoint(model().CharWidth(), 0));
  {
    const auto c = Print();
    EXPECT_EQ(HexCell(*c, 0, 0), Glyph(L'0', kBlack, kWhite));  // byte 10 = 0x0A
    EXPECT_EQ(HexCell(*c, 1, 0), Glyph(L'A', kBlack, kWhite));
  }
  hex().SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 15));
  EXPECT_EQ(model().Top(), 150);
  EXPECT_EQ(::GetScrollPos(hex(), SB_VERT), 15);
  // Page down near the end: rows start at length - 10 x visible rows.
  hex().SendMessage(WM_VSCROLL, SB_PAGEDOWN);
  EXPECT_EQ(model().Top(), 200 - 10 * rows);
  hex().SendMessage(WM_VSCROLL, SB_LINEDOWN);
  EXPECT_EQ(model().Top(), 200 - 10 * rows);
  hex().SendMessage(WM_VSCROLL, SB_PAGEUP);
  EXPECT_EQ(model().Top(), 200 - 20 * rows);
  hex().SendMessage(WM_VSCROLL, SB_ENDSCROLL);
  EXPECT_EQ(model().Top(), 200 - 20 * rows);

  // Keys scroll one line to follow the caret.
  Key(VK_HOME, true);
  EXPECT_EQ(model().Top(), 0);
  for (int i = 0; i < rows; ++i) Key(VK_DOWN);
  EXPECT_EQ(model().Top(), 10);
  ExpectCaret(10 * rows, CHexEditModel::kLowNibble);
  EXPECT_EQ(::GetScrollPos(hex(), SB_VERT), 1);
  Key(VK_END, true);
  EXPECT_EQ(model().Caret(), 199);
  EXPECT_EQ(model().Top(), 200 - 10 * rows);
}

TEST_F(HexEditTest, DialogKeysReachTheControl) {
  Make(40);
  Load(10);
  hex().SetFocus();
  EXPECT_EQ(hex().SendMessage(WM_GETDLGCODE), static_cast<LRESULT>(DLGC_WANTALLKEYS));
  Key(VK_TAB, true);
  // Through the dialog manager: Tab, Enter and Escape neither move the
  // focus nor press a button; Enter and Escape are stored as characters.
  for (UINT vk : {VK_TAB, VK_RETURN, VK_ESCAPE}) {
    hex().PostMessage(WM_KEYDOWN, vk, 1);
    hex().PostMessage(WM_KEYUP, vk, 0xC0000001);
  }
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    if (!host_->PreTranslateMessage(&msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  EXPECT_EQ(::GetFocus(), hex().m_hWnd);
  EXPECT_TRUE(host_->commands.empty());
  uint8_t out[2] = {};
  hex().GetData(out, 2);
  EXPECT_EQ(out[0], 0x0D);
  EXPECT_EQ(out[1], 0x1B);
}

}  // namespace
}  // namespace vsk
