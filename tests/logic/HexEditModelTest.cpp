#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <vector>

#include "controls/HexEditModel.h"

namespace {

using Key = CHexEditModel::Key;
using Scroll = CHexEditModel::Scroll;

constexpr int kCw = 8;
constexpr int kLh = 16;

// A loaded model of `length` bytes 0, 1, 2, … laid out in a client area of
// `rows` whole rows.
CHexEditModel Loaded(int length, int rows) {
  std::vector<uint8_t> bytes(length);
  std::iota(bytes.begin(), bytes.end(), 0);
  CHexEditModel m;
  m.SetData(bytes.data(), length);
  m.Layout(kCw, kLh, 40 * kCw + 20, rows * kLh + kLh / 2);
  return m;
}

// Click in the middle of cell k of visible row r.
bool ClickCell(CHexEditModel& m, int k, int r, bool shift = false) {
  return m.Click(k * kCw + kCw / 2, r * kLh + kLh / 2, shift);
}

TEST(HexEditLayout, RowsPartialRowAndScrollBar) {
  CHexEditModel m15 = Loaded(15, 6);
  EXPECT_EQ(m15.VisibleRows(), 3);
  EXPECT_TRUE(m15.PartialRow());
  CHexEditModel m14 = Loaded(14, 6);
  EXPECT_EQ(m14.VisibleRows(), 2);
  EXPECT_TRUE(m14.PartialRow());
  CHexEditModel m20 = Loaded(20, 6);
  EXPECT_EQ(m20.VisibleRows(), 2);
  EXPECT_FALSE(m20.PartialRow());

  CHexEditModel big = Loaded(100, 3);
  EXPECT_EQ(big.VisibleRows(), 3);
  EXPECT_FALSE(big.PartialRow());
  EXPECT_EQ(big.CharColumnX(), 30 * kCw);
  EXPECT_EQ(big.DrawLimit(), 3 * kLh);
  const auto bar = big.VerticalScrollBar();
  EXPECT_EQ(bar.max, 9);
  EXPECT_EQ(bar.page, 3);
  EXPECT_TRUE(bar.arrowsEnabled);
  EXPECT_FALSE(m20.VerticalScrollBar().arrowsEnabled);
}

TEST(HexEditLayout, LoadResetsCaretAndMarksLayoutDirty) {
  CHexEditModel m = Loaded(40, 2);
  EXPECT_FALSE(m.LayoutDirty());
  m.KeyDown(Key::Down, false);
  m.KeyDown(Key::Down, false);
  ASSERT_EQ(m.Top(), 10);
  const uint8_t data[3] = {1, 2, 3};
  m.SetData(data, 3);
  EXPECT_TRUE(m.LayoutDirty());
  EXPECT_EQ(m.Top(), 0);
  EXPECT_EQ(m.Caret(), 0);
  EXPECT_EQ(m.State(), CHexEditModel::kHighNibble);

  uint8_t out[8] = {};
  EXPECT_EQ(m.GetData(out, 2), 3);
  EXPECT_EQ(out[1], 2);
  EXPECT_EQ(out[2], 0);
  EXPECT_EQ(m.GetData(nullptr, 5), 3);
}

TEST(HexEditText, CellsAndRows) {
  EXPECT_EQ(CHexEditModel::HexCell(0xAB), "AB ");
  EXPECT_EQ(CHexEditModel::CharCell('z'), 'z');
  EXPECT_EQ(CHexEditModel::CharCell(0x80), '.');
  EXPECT_EQ(CHexEditModel::CharCell(0x1F), '.');
  CHexEditModel m = Loaded(12, 5);
  EXPECT_EQ(m.RowsToDraw(), 2);
  EXPECT_EQ(m.HexRowText(1), "0A 0B " + std::string(24, ' '));
  EXPECT_EQ(m.CharRowText(1), "..");
}

TEST(HexEditKeys, MovesStopAtTheEdges) {
  CHexEditModel m = Loaded(25, 5);
  m.KeyDown(Key::Left, false);
  EXPECT_EQ(m.Caret(), 0);
  EXPECT_EQ(m.State(), CHexEditModel::kLowNibble);
  m.KeyDown(Key::Right, false);
  EXPECT_EQ(m.Caret(), 1);
  EXPECT_EQ(m.State(), CHexEditModel::kHighNibble);
  m.KeyDown(Key::Left, false);
  EXPECT_EQ(m.Caret(), 0);
  EXPECT_EQ(m.State(), CHexEditModel::kLowNibble);
  EXPECT_EQ(m.CaretX(), kCw);

  m.KeyDown(Key::End, true);
  EXPECT_EQ(m.Caret(), 24);
  EXPECT_EQ(m.State(), CHexEditModel::kLowNibble);
  m.KeyDown(Key::Right, false);
  EXPECT_EQ(m.Caret(), 24);
  EXPECT_EQ(m.State(), CHexEditModel::kHighNibble);
  m.KeyDown(Key::Down, false);
  EXPECT_EQ(m.Caret(), 24);

  m.KeyDown(Key::Tab, true);
  EXPECT_EQ(m.State(), CHexEditModel::kCharColumn);
  EXPECT_EQ(m.CaretX(), 30 * kCw + 4 * kCw);
  EXPECT_EQ(m.CaretY(), 2 * kLh);
  m.KeyDown(Key::Home, false);
  EXPECT_EQ(m.Caret(), 20);
  m.KeyDown(Key::Right, false);
  m.KeyDown(Key::Up, false);
  m.KeyDown(Key::Up, false);
  m.KeyDown(Key::Up, false);
  EXPECT_EQ(m.Caret(), 0);
  m.KeyDown(Key::Tab, false);
  m.KeyDown(Key::Other, false);
  EXPECT_EQ(m.State(), CHexEditModel::kCharColumn);
}

TEST(HexEditKeys, EndStopsOnTheLastByteAndCtrlEndScrolls) {
  CHexEditModel m = Loaded(25, 5);
  m.KeyDown(Key::Down, false);
  m.KeyDown(Key::Down, false);
  m.KeyDown(Key::End, false);
  EXPECT_EQ(m.Caret(), 24);

  CHexEditModel big = Loaded(100, 3);
  big.KeyDown(Key::End, true);
  EXPECT_EQ(big.Caret(), 99);
  EXPECT_EQ(big.Top(), 70);
  EXPECT_EQ(big.CaretY(), 2 * kLh);
  big.KeyDown(Key::Home, true);
  EXPECT_EQ(big.Caret(), 0);
  EXPECT_EQ(big.Top(), 0);

  CHexEditModel partial = Loaded(15, 6);
  partial.KeyDown(Key::End, true);
  EXPECT_EQ(partial.Top(), 0);
  EXPECT_EQ(partial.Caret(), 14);
}

TEST(HexEditKeys, CaretMovesScrollOneLine) {
  CHexEditModel m = Loaded(100, 3);
  for (int i = 0; i < 3; ++i) m.KeyDown(Key::Down, false);
  EXPECT_EQ(m.Caret(), 30);
  EXPECT_EQ(m.Top(), 10);
  EXPECT_EQ(m.CaretY(), 2 * kLh);
  for (int i = 0; i < 3; ++i) m.KeyDown(Key::Up, false);
  EXPECT_EQ(m.Caret(), 0);
  EXPECT_EQ(m.Top(), 0);
}

TEST(HexEditKeys, EmptyOrMissingBufferIgnoresInput) {
  CHexEditModel none;
  EXPECT_FALSE(none.KeyDown(Key::Right, false));
  EXPECT_FALSE(none.Char('1'));
  EXPECT_FALSE(none.Click(1, 1, true));
  CHexEditModel empty = Loaded(0, 3);
  EXPECT_FALSE(empty.KeyDown(Key::Down, false));
  EXPECT_FALSE(empty.Char('a'));
  EXPECT_EQ(empty.Caret(), 0);
  EXPECT_EQ(empty.RowsToDraw(), 0);
}

TEST(HexEditTyping, HexColumnTakesLowerCaseDigitsOnly) {
  CHexEditModel m = Loaded(3, 3);
  EXPECT_TRUE(m.Char('A'));
  EXPECT_EQ(m.Bytes()[0], 0x00);
  EXPECT_EQ(m.Caret(), 0);
  m.Char('g');
  m.Char('a');
  EXPECT_EQ(m.Bytes()[0], 0xA0);
  EXPECT_EQ(m.State(), CHexEditModel::kLowNibble);
  m.Char('7');
  EXPECT_EQ(m.Bytes()[0], 0xA7);
  EXPECT_EQ(m.Caret(), 1);
  EXPECT_EQ(m.State(), CHexEditModel::kHighNibble);
  m.KeyDown(Key::End, false);
  m.Char('f');
  m.Char('f');
  m.Char('1');
  EXPECT_EQ(m.Bytes()[2], 0x1F);
  EXPECT_EQ(m.Caret(), 2);
}

TEST(HexEditTyping, CharacterColumnStoresControlCharacters) {
  CHexEditModel m = Loaded(5, 3);
  m.KeyDown(Key::Tab, true);
  for (uint8_t c : {uint8_t{0x0D}, uint8_t{0x08}, uint8_t{0x1B}, uint8_t{0xE9}}) m.Char(c);
  m.Char('\t');
  EXPECT_EQ(m.Bytes(), (std::vector<uint8_t>{0x0D, 0x08, 0x1B, 0xE9, 4}));
  EXPECT_EQ(m.CharRowText(0), ".....");
  EXPECT_EQ(m.Caret(), 4);
}

TEST(HexEditTyping, TypingPastTheVisibleRowsScrolls) {
  CHexEditModel m = Loaded(40, 2);
  m.KeyDown(Key::Tab, true);
  for (int i = 0; i < 20; ++i) m.Char('x');
  EXPECT_EQ(m.Caret(), 20);
  EXPECT_EQ(m.Top(), 10);
  EXPECT_TRUE(m.CaretInClient());
}

TEST(HexEditClick, ShiftClickSelections) {
  CHexEditModel hex = Loaded(20, 3);
  ClickCell(hex, 3 * 2, 0);
  ClickCell(hex, 3 * 5, 0, true);
  EXPECT_EQ(hex.SelectionAnchor(), 2);
  EXPECT_EQ(hex.SelectionEnd(), 6);
  EXPECT_FALSE(hex.CaretShown());
  EXPECT_EQ(hex.LookOf(1), CHexEditModel::Look::Plain);
  EXPECT_EQ(hex.LookOf(2), CHexEditModel::Look::Selected);
  EXPECT_EQ(hex.LookOf(5), CHexEditModel::Look::Selected);
  EXPECT_EQ(hex.LookOf(6), CHexEditModel::Look::Window);

  CHexEditModel chars = Loaded(20, 3);
  ClickCell(chars, 32, 0);
  ClickCell(chars, 35, 0, true);
  EXPECT_FALSE(chars.SelectionInHexColumn());
  EXPECT_EQ(chars.LookOf(4), CHexEditModel::Look::Selected);
  EXPECT_EQ(chars.LookOf(5), CHexEditModel::Look::Window);

  CHexEditModel back = Loaded(20, 3);
  ClickCell(back, 3 * 5, 0);
  ClickCell(back, 3 * 2 + 1, 0, true);
  EXPECT_EQ(back.LookOf(2), CHexEditModel::Look::Plain);
  EXPECT_EQ(back.LookOf(3), CHexEditModel::Look::Selected);
  EXPECT_EQ(back.LookOf(4), CHexEditModel::Look::Selected);
  EXPECT_EQ(back.LookOf(5), CHexEditModel::Look::Window);

  ClickCell(back, 0, 1);
  EXPECT_TRUE(back.SelectionShown());
  back.KeyDown(Key::Right, false);
  EXPECT_FALSE(back.SelectionShown());
  EXPECT_TRUE(back.CaretShown());
}

TEST(HexEditClick, HitTesting) {
  CHexEditModel m = Loaded(15, 3);
  ClickCell(m, 3 * 3 + 2, 0);
  EXPECT_EQ(m.Caret(), 4);
  EXPECT_EQ(m.State(), CHexEditModel::kHighNibble);
  EXPECT_EQ(m.CaretX(), 12 * kCw);
  ClickCell(m, 3 * 9 + 2, 0);
  EXPECT_EQ(m.Caret(), 10);
  EXPECT_EQ(m.CaretX(), 0);
  EXPECT_EQ(m.CaretY(), kLh);
  ClickCell(m, 3 * 1 + 1, 1);
  EXPECT_EQ(m.Caret(), 11);
  EXPECT_EQ(m.State(), CHexEditModel::kLowNibble);

  EXPECT_FALSE(ClickCell(m, 3 * 5, 1));   // past the short last row
  EXPECT_FALSE(ClickCell(m, 30 + 5, 1));
  EXPECT_FALSE(ClickCell(m, 40, 0));
  EXPECT_EQ(m.Caret(), 11);
  ClickCell(m, 3 * 5, 1, true);
  EXPECT_EQ(m.SelectionAnchor(), 11);
  EXPECT_FALSE(m.SelectionShown());
  EXPECT_TRUE(m.CaretShown());
}

TEST(HexEditScroll, PageDownNearTheEnd) {
  CHexEditModel m = Loaded(95, 3);
  m.ScrollRequest(Scroll::PageDown);
  m.ScrollRequest(Scroll::PageDown);
  EXPECT_EQ(m.Top(), 60);
  EXPECT_EQ(m.Caret(), 60);
  EXPECT_TRUE(m.ScrollRequest(Scroll::PageDown));
  EXPECT_EQ(m.Top(), 65);
  EXPECT_EQ(m.Caret(), 65);
  EXPECT_EQ(m.RowStart(0), 65);
  EXPECT_FALSE(m.ScrollRequest(Scroll::PageDown));
  EXPECT_FALSE(m.ScrollRequest(Scroll::LineDown));

  m.ScrollRequest(Scroll::ThumbTrack, 0);
  EXPECT_EQ(m.Top(), 0);
  EXPECT_EQ(m.Caret(), 0);
  m.ScrollRequest(Scroll::PageDown);
  m.ScrollRequest(Scroll::ThumbTrack, 6);
  m.ScrollRequest(Scroll::PageDown);
  for (int i = 0; i < 8; ++i) m.ScrollRequest(Scroll::LineUp);
  EXPECT_EQ(m.Top(), 0);
  EXPECT_EQ(m.Caret(), 0);
}

// Whatever arrives, the caret stays on a byte and painting reads no byte
// outside the buffer.
TEST(HexEditRobustness, RandomInputKeepsTheCaretOnTheBuffer) {
  std::mt19937 rng(1971);
  for (int length : {1, 9, 10, 15, 30, 95, 100}) {
    for (int rows : {0, 1, 2, 3, 12}) {
      CHexEditModel m = Loaded(length, rows);
      for (int step = 0; step < 400; ++step) {
        switch (rng() % 4) {
          case 0:
            m.KeyDown(static_cast<Key>(rng() % 8), rng() % 2);
            break;
          case 1:
            m.Char(static_cast<uint8_t>(rng()));
            break;
          case 2:
            m.Click(int(rng() % 400) - 20, int(rng() % 250) - 20, rng() % 3 == 0);
            break;
          default:
            m.ScrollRequest(static_cast<Scroll>(rng() % 6), int(rng() % 12));
            break;
        }
        ASSERT_GE(m.Caret(), 0);
        ASSERT_LT(m.Caret(), length);
        ASSERT_GE(m.Top(), 0);
        for (int r = 0; r < m.RowsToDraw(); ++r) {
          ASSERT_LT(m.RowStart(r), length);
          ASSERT_EQ(m.HexRowText(r).size(), 30u);
        }
      }
    }
  }
}

}  // namespace
