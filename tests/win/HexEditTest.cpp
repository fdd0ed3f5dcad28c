// The hex edit control as a window: its pixels, and keys, characters,
// clicks and scroll requests sent as real messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <numeric>
#include <vector>

#include "framework/Dialog.h"
#include "controls/HexEdit.h"
#include "tests/win/WinTestUtil.h"

namespace vsk {
namespace {

using test::DialogTemplate;
using test::kButton;
using test::kEdit;
using test::PixelCanvas;

constexpr WORD kHexId = 1046, kOtherId = 1043;
constexpr COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0);

class HexHost : public CDialog {
 public:
  explicit HexHost(const DLGTEMPLATE* t) : CDialog(t) {}
  CHexEdit hex;
  std::vector<int> commands;
  void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, kHexId, hex); }

 protected:
  BOOL OnCommand(WPARAM w, LPARAM) override {
    if (HIWORD(w) <= 1) commands.push_back(LOWORD(w));
    return TRUE;
  }
};

void SetCtrl(bool down) {
  BYTE keys[256] = {};
  ::GetKeyboardState(keys);
  keys[VK_CONTROL] = down ? 0x80 : 0;
  ::SetKeyboardState(keys);
}

class HexEditTest : public ::testing::Test {
 protected:
  // A control `rowsHigh` dialog units tall, 210 wide, with an edit beside
  // it to take the focus away.
  void Make(short high) {
    tmpl_ = std::make_unique<DialogTemplate>(WS_POPUP | WS_VISIBLE, 230, static_cast<short>(high + 30));
    tmpl_->Add(kEdit, ES_AUTOHSCROLL | WS_TABSTOP | WS_BORDER, 5, 5, 60, 12, kOtherId)
        .Add(kEdit, ES_MULTILINE | WS_VSCROLL | WS_TABSTOP, 5, 22, 215, high, kHexId)
        .Add(kButton, BS_DEFPUSHBUTTON | WS_TABSTOP, 180, 5, 40, 12, IDOK, L"OK");
    host_ = std::make_unique<HexHost>(tmpl_->get());
    ASSERT_TRUE(host_->CreateIndirect(tmpl_->get()));
    host_->ShowWindow(SW_SHOW);
    ::SetForegroundWindow(*host_);
    test::PumpMessages();
  }
  void TearDown() override {
    SetCtrl(false);
    if (host_) host_->DestroyWindow();
  }

  CHexEdit& hex() { return host_->hex; }
  const CHexEditModel& model() { return host_->hex.Model(); }
  void Load(int count, int first = 0) {
    std::vector<uint8_t> bytes(static_cast<size_t>(count));
    std::iota(bytes.begin(), bytes.end(), static_cast<uint8_t>(first));
    hex().SetData(bytes.data(), count);
    hex().UpdateWindow();
  }
  void Key(UINT vk, bool ctrl = false) {
    SetCtrl(ctrl);
    hex().SendMessage(WM_KEYDOWN, vk, 1);
    SetCtrl(false);
  }
  void Type(const std::wstring& text) {
    for (wchar_t c : text) hex().SendMessage(WM_CHAR, c, 1);
  }
  // A click at the middle of hex cell k (0..29) or character cell 30..39.
  void ClickCell(int k, int row, bool shift = false) {
    const int x = k * model().CharWidth() + model().CharWidth() / 2;
    const int y = row * model().LineHeight() + model().LineHeight() / 2;
    hex().SendMessage(WM_LBUTTONDOWN, MK_LBUTTON | (shift ? MK_SHIFT : 0), MAKELPARAM(x, y));
    hex().SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  }
  CRect Client() {
    CRect r;
    hex().GetClientRect(&r);
    return r;
  }
  std::unique_ptr<PixelCanvas> Print() {
    const CRect r = Client();
    auto canvas = std::make_unique<PixelCanvas>(r.Width(), r.Height(), RGB(1, 2, 3));
    hex().SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas->dc()), PRF_CLIENT);
    return canvas;
  }
  // The pixels of one character cell.
  std::vector<COLORREF> Cell(const PixelCanvas& c, int x, int y) {
    std::vector<COLORREF> px;
    if (x < 0 || y < 0 || x + model().CharWidth() > c.width() || y + model().LineHeight() > c.height())
      return {RGB(1, 2, 3)};
    for (int j = 0; j < model().LineHeight(); ++j)
      for (int i = 0; i < model().CharWidth(); ++i) px.push_back(c.At(x + i, y + j));
    return px;
  }
  std::vector<COLORREF> HexCell(const PixelCanvas& c, int k, int row) {
    return Cell(c, k * model().CharWidth(), row * model().LineHeight());
  }
  std::vector<COLORREF> CharCell(const PixelCanvas& c, int byteInRow, int row) {
    return Cell(c, model().CharColumnX() + byteInRow * model().CharWidth(), row * model().LineHeight());
  }
  // The character drawn by itself in the control's font and the colours.
  std::vector<COLORREF> Glyph(wchar_t ch, COLORREF text, COLORREF back) {
    PixelCanvas c(model().CharWidth() * 2, model().LineHeight() * 2, back);
    HFONT font = ::CreateFontW(-12, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, ANSI_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                               FIXED_PITCH | FF_MODERN, L"Courier New");
    HGDIOBJ old = ::SelectObject(c.dc(), font);
    ::SetTextColor(c.dc(), text);
    ::SetBkColor(c.dc(), back);
    ::TextOutW(c.dc(), 0, 0, &ch, 1);
    ::SelectObject(c.dc(), old);
    ::DeleteObject(font);
    return Cell(c, 0, 0);
  }
  static int CountOf(const std::vector<COLORREF>& px, COLORREF color) {
    return static_cast<int>(std::count(px.begin(), px.end(), color));
  }
  CPoint CaretPos() {
    POINT p{};
    ::GetCaretPos(&p);
    return {static_cast<int>(p.x), static_cast<int>(p.y)};
  }
  void ExpectCaret(int byte, int state) {
    EXPECT_EQ(model().Caret(), byte);
    EXPECT_EQ(model().State(), state);
    EXPECT_EQ(CaretPos(), CPoint(model().CaretX(), model().CaretY()));
  }

  std::unique_ptr<DialogTemplate> tmpl_;
  std::unique_ptr<HexHost> host_;
};

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
