// The help dialog and its animated owner-drawn OK button: the size the
// button takes at its first drawing, the bevel's pixels, OK's sound.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/HelpDialog.h"
#include "tests/TestUtil.h"
#include "tests/win/WinTestUtil.h"
#include "res/resource.h"

namespace vsk {
namespace {

using test::PixelCanvas;
using test::RecordingPlayer;
using test::TempDir;
using test::WhenShown;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr COLORREF kFill = RGB(1, 2, 3);

class HelpDialogTest : public ::testing::Test {
 protected:
  void Open() {
    dialog_ = std::make_unique<CHelpDialog>(profile_, player_);
    ASSERT_TRUE(dialog_->Create(IDD_HELP_DIALOG));
    dialog_->ShowWindow(SW_SHOW);
    test::PumpMessages();
  }
  void TearDown() override {
    if (dialog_ && dialog_->m_hWnd) dialog_->DestroyWindow();
  }
  HWND Ok() { return dialog_->GetDlgItem(IDOK); }
  CRect WindowRect(HWND w) {
    RECT r{};
    ::GetWindowRect(w, &r);
    return FromRECT(r);
  }
  // The button's drawing request, as the dialog gets it, into `canvas`.
  void Draw(PixelCanvas& canvas, UINT state) {
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = IDOK;
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = state;
    dis.hwndItem = Ok();
    dis.hDC = canvas.dc();
    dis.rcItem = {0, 0, canvas.width(), canvas.height()};
    dialog_->SendMessage(WM_DRAWITEM, IDOK, reinterpret_cast<LPARAM>(&dis));
  }

  TempDir dir_;
  IniProfile profile_{dir_ / "Vireskand.INI"};
  RecordingPlayer player_;
  std::unique_ptr<CHelpDialog> dialog_;
};

TEST_F(HelpDialogTest, TheFirstDrawingSizesTheButtonToTheClipAndLaterOnesDoNot) {
  Open();
  ASSERT_NE(Ok(), nullptr);
  ::UpdateWindow(*dialog_);
  const CRect button = WindowRect(Ok());
  EXPECT_EQ(button.Width(), 104);
  EXPECT_EQ(button.Height(), 26);
  auto* ok = static_cast<COwnerDrawButton*>(CWnd::FromHandlePermanent(Ok()));
  ASSERT_NE(ok, nullptr);
  HWND clip = ok->GetAnimationWindow();
  ASSERT_NE(clip, nullptr);
  EXPECT_EQ(::GetParent(clip), Ok());
  const CRect child = WindowRect(clip);
  EXPECT_EQ(child.left - button.left, 2);
  EXPECT_EQ(child.top - button.top, 2);
  EXPECT_EQ(child.Width(), 100);
  EXPECT_EQ(child.Height(), 22);

  // Moved elsewhere, the button keeps its place and size when redrawn.
  ::SetWindowPos(Ok(), nullptr, 5, 6, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ::RedrawWindow(Ok(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  const CRect again = WindowRect(Ok());
  EXPECT_EQ(again.Width(), 104);
  EXPECT_EQ(again.Height(), 26);
  EXPECT_EQ(ok->GetAnimationWindow(), clip) << "one child for the button's life";
}

TEST_F(HelpDialogTest, OnScreenTheWholeFrameShowsAfterTheFirstPaint) {
  Open();
  for (int i = 0; i < 10; ++i) {
    test::PumpMessages();
    ::Sleep(20);
  }
  const CRect b = WindowRect(Ok());
  HDC screen = ::GetDC(nullptr);
  // The far edges lie outside the size the button had when first drawn.
  EXPECT_EQ(::GetPixel(screen, b.right - 1, b.top + 10), kBlack);
  EXPECT_EQ(::GetPixel(screen, b.right - 2, b.top + 10), kGrey);
  EXPECT_EQ(::GetPixel(screen, b.left + 80, b.bottom - 1), kBlack);
  EXPECT_EQ(::GetPixel(screen, b.left + 80, b.bottom - 2), kGrey);
  EXPECT_EQ(::GetPixel(screen, b.left + 90, b.top), kWhite);
  EXPECT_EQ(::GetPixel(screen, b.left, b.top + 10), kWhite);
  ::ReleaseDC(nullptr, screen);
}

TEST_F(HelpDialogTest, TheBevelIsRaisedNormallyAndSunkenWhilePressed) {
  Open();
  const int w = 104, h = 26;
  PixelCanvas raised(w, h, kFill), sunken(w, h, kFill);
  Draw(raised, 0);
  Draw(sunken, ODS_SELECTED | ODS_FOCUS);
  struct Probe {
    int x, y;
    COLORREF normal, pressed;
  };
  const Probe probes[] = {
      {0, 10, kWhite, kBlack},      {1, 10, kWhite, kGrey},       // left edge
      {50, 0, kWhite, kBlack},      {50, 1, kWhite, kGrey},       // top edge
      {w - 1, 10, kBlack, kWhite},  {w - 2, 10, kGrey, kWhite},   // right edge
      {50, h - 1, kBlack, kWhite},  {50, h - 2, kGrey, kWhite},   // bottom edge
      {0, 0, kWhite, kBlack},       {w - 1, h - 1, kBlack, kWhite},
      {0, h - 1, kBlack, kBlack},   {w - 1, 0, kBlack, kWhite},
      {50, 10, kFill, kFill},  // inside the frame the clip draws, not the bevel
  };
  for (const Probe& p : probes) {
    EXPECT_EQ(raised.At(p.x, p.y), p.normal) << p.x << "," << p.y;
    EXPECT_EQ(sunken.At(p.x, p.y), p.pressed) << p.x << "," << p.y;
  }
  // Two pixels of frame on each side, nothing else touched.
  const RECT inside{2, 2, w - 2, h - 2};
  EXPECT_EQ(raised.Count(kFill, inside), (w - 4) * (h - 4));
  EXPECT_EQ(sunken.Count(kFill, inside), (w - 4) * (h - 4));
}

TEST_F(HelpDialogTest, OkClicksWhenTheStoredSoundIsOnAtThatMoment) {
  Open();
  profile_.WriteProfileInt(kOptionsSection, L"Sound", 0);
  ::SendMessageW(Ok(), BM_CLICK, 0, 0);
  EXPECT_TRUE(player_.Played().empty());
  EXPECT_EQ(dialog_->m_hWnd, nullptr) << "OK closes it";

  Open();
  profile_.WriteProfileInt(kOptionsSection, L"Sound", 3);
  ::SendMessageW(Ok(), BM_CLICK, 0, 0);
  EXPECT_EQ(player_.Played(), std::vector<int>{wave::kClick});

  Open();
  dialog_->SendMessage(WM_COMMAND, IDCANCEL);
  EXPECT_EQ(player_.Played().size(), 1u) << "Cancel is silent";
}

TEST_F(HelpDialogTest, ItRunsModallyWithItsTextAndTitle) {
  std::wstring title, text;
  WhenShown driver(L"#32770", L"Помощь", [&](HWND dlg) {
    wchar_t buf[128] = {};
    ::GetWindowTextW(dlg, buf, 128);
    title = buf;
    HWND child = ::GetWindow(dlg, GW_CHILD);
    ::GetWindowTextW(child, buf, 128);
    text = buf;
    ::PostMessageW(dlg, WM_COMMAND, IDOK, 0);
  });
  CHelpDialog dlg(profile_, player_);
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(title, L"Помощь");
  EXPECT_EQ(text, L"Здесь будет помощь.");
  EXPECT_EQ(player_.Played(), std::vector<int>{wave::kClick}) << "no key: sound is on";
}

}  // namespace
}  // namespace vsk
