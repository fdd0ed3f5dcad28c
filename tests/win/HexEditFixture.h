// The hex edit control in a dialog of its own, with helpers that print it,
// read its cells' pixels and send it keys and clicks.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "controls/HexEdit.h"
#include "framework/Dialog.h"
#include "tests/win/WinTestUtil.h"

namespace vsk::test {

inline constexpr WORD kHexId = 1046, kOtherId = 1043;

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

inline void SetCtrl(bool down) {
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
    PumpMessages();
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

}  // namespace vsk::test
