// The hover button and the About box under Wine: real mouse, timer and
// key messages sent to the windows, their pixels read back.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "dialogs/AboutDialog.h"
#include "framework/App.h"
#include "controls/HoverButton.h"
#include "controls/HoverJump.h"
#include "tests/TestUtil.h"
#include "tests/win/WinTestUtil.h"
#include "res/resource.h"

namespace vsk {
namespace {

using test::DialogTemplate;
using test::PixelCanvas;
using test::RecordingPlayer;
using test::kButton;
using test::kWhite;

CWinApp g_app;

struct AppNames : ::testing::Environment {
  void SetUp() override { g_app.InitNames(::GetModuleHandleW(nullptr)); }
};
const auto* const g_names = ::testing::AddGlobalTestEnvironment(new AppNames);

enum : WORD { kHoverId = 1200 };

class HoverHost : public CDialog {
 public:
  explicit HoverHost(const DLGTEMPLATE* t) : CDialog(t) {}
  CHoverButton button;
  void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, kHoverId, button); }
};

class HoverButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tmpl_.Add(kButton, BS_PUSHBUTTON, 0, 0, 10, 10, kHoverId, L"OK");
    ASSERT_TRUE(host_.CreateIndirect(tmpl_.get()));
    // A 300 × 200 client area and a 60 × 30 button at (100, 100).
    RECT frame{0, 0, 300, 200};
    ::AdjustWindowRectEx(&frame, host_.GetStyle(), FALSE, 0);
    ::SetWindowPos(host_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                   SWP_NOMOVE | SWP_NOZORDER);
    Place({100, 100, 160, 130});
    host_.ShowWindow(SW_SHOWNA);
    test::PumpMessages();
  }
  void TearDown() override { host_.DestroyWindow(); }

  void Place(const RECT& r) { ::MoveWindow(host_.button, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE); }
  // The pointer given in the host's client coordinates, sent as the button
  // gets it.
  RECT MoveOver(int x, int y) {
    POINT p{x, y};
    ::MapWindowPoints(host_, host_.button, &p, 1);
    host_.button.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
    RECT r{};
    ::GetWindowRect(host_.button, &r);
    ::MapWindowPoints(nullptr, host_, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  static bool Same(const RECT& a, const RECT& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

  DialogTemplate tmpl_{WS_POPUP | WS_CAPTION, 200, 140};
  HoverHost host_{nullptr};
};

TEST_F(HoverButtonTest, JumpsByThirdsAndRoomNeverClampedNeverResized) {
  // Middle third on both axes: stays.
  EXPECT_TRUE(Same(MoveOver(130, 115), {100, 100, 160, 130}));
  // Right third, room on the left: right edge at x − 10.
  EXPECT_TRUE(Same(MoveOver(150, 115), {80, 100, 140, 130}));
  // Corner: left third and top third at once, room on the right and below.
  Place({100, 100, 160, 130});
  EXPECT_TRUE(Same(MoveOver(101, 101), {111, 111, 171, 141}));
  // Bottom-right corner near the top-left of the parent: no room on the
  // preferred sides, so over the pointer, whatever lies beyond.
  Place({20, 10, 80, 40});
  EXPECT_TRUE(Same(MoveOver(75, 35), {85, 45, 145, 75}));
  // Left third at the right edge of the parent: to the left of the pointer.
  Place({250, 100, 310, 130});
  EXPECT_TRUE(Same(MoveOver(255, 115), {185, 100, 245, 130}));
  // Right third with room: the button may leave the client area.
  Place({280, 100, 340, 130});
  const RECT out = MoveOver(335, 115);
  EXPECT_TRUE(Same(out, {265, 100, 325, 130}));
}

TEST_F(HoverButtonTest, AgreesWithTheJumpRuleForAGridOfPointers) {
  for (int y = 95; y < 140; y += 4)
    for (int x = 95; x < 170; x += 6) {
      Place({100, 100, 160, 130});
      const JumpRect want = HoverJump({0, 0, 300, 200}, x, y, {100, 100, 160, 130}, 10);
      const RECT got = MoveOver(x, y);
      EXPECT_TRUE(Same(got, {want.left, want.top, want.right, want.bottom})) << x << "," << y;
    }
}

// --- About box --------------------------------------------------------------

class TestAbout : public CAboutDialog {
 public:
  using CAboutDialog::CAboutDialog;
  std::function<void(TestAbout&)> atInit;
  BOOL OnInitDialog() override {
    const BOOL r = CAboutDialog::OnInitDialog();
    if (atInit) atInit(*this);
    return r;
  }
};

// The picture's client point (x, y) as an lParam.
LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

class AboutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_.WriteProfileInt(kOptionsSection, L"Sound", 1);
    ASSERT_TRUE(dlg_.Create(IDD_ABOUTBOX));
    dlg_.ShowWindow(SW_SHOWNA);
  }
  void TearDown() override { dlg_.DestroyWindow(); }

  test::TempDir dir_;
  IniProfile profile_{dir_ / "Vireskand.INI"};
  RecordingPlayer player_;
  TestAbout dlg_{nullptr, profile_, player_};
};

TEST_F(AboutTest, OpensWithThePictureStillWaterTheTimerAndThePointerPlaced) {
  EXPECT_EQ(dlg_.Picture().Width(), 400);
  EXPECT_EQ(dlg_.Picture().Height(), 140);
  EXPECT_EQ(dlg_.FrameImage().Width(), 400);
  EXPECT_EQ(std::memcmp(dlg_.Picture().GetBits(), dlg_.FrameImage().GetBits(), 400 * 140 * 4), 0);
  EXPECT_EQ(dlg_.Water().Width(), 400);
  EXPECT_EQ(dlg_.Water().Height(), 140);
  EXPECT_EQ(dlg_.Water().Page(), 0);
  POINT cursor{};
  ::GetCursorPos(&cursor);
  EXPECT_EQ(cursor.x, 400);
  EXPECT_EQ(cursor.y, 350);
  EXPECT_TRUE(player_.Played().empty());  // the opening sound is the caller's

  // The OK button is the hover button, attached by data exchange.
  EXPECT_EQ(dlg_.OkButton().m_hWnd, dlg_.GetDlgItem(IDOK));
  EXPECT_EQ(dlg_.OkButton().m_gap, 10);

  // The real timer renders frames: the page flips.
  const int page = dlg_.Water().Page();
  bool flipped = false;
  for (DWORD start = ::GetTickCount(); !flipped && ::GetTickCount() - start < 2000;) {
    test::PumpMessages();
    flipped = dlg_.Water().Page() != page;
    ::Sleep(5);
  }
  EXPECT_TRUE(flipped);
}

TEST_F(AboutTest, ClicksAndMovesAddBlobsWhereTheFieldRowsCountFromTheBottom) {
  CWaterEffect want;
  want.Create(400, 140);
  const int page = dlg_.Water().Page();

  // A click at the picture's top-left corner: a quarter disc at the
  // interior's top-left; border rows and columns untouched.
  dlg_.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(0, 0));
  want.AddBlob(0, 140, 50, 500, page);
  const auto& field = dlg_.Water().Field(page);
  EXPECT_EQ(field, want.Field(page));
  EXPECT_EQ(field[138 * 400 + 1], 500);
  EXPECT_EQ(field[139 * 400 + 1], 0);
  EXPECT_EQ(field[138 * 400 + 0], 0);

  // A move, with or without a button held: radius 5, strength 50.
  dlg_.SendMessage(WM_MOUSEMOVE, 0, At(200, 70));
  dlg_.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, At(300, 20));
  want.AddBlob(200, 70, 5, 50, page);
  want.AddBlob(300, 120, 5, 50, page);
  EXPECT_EQ(dlg_.Water().Field(page), want.Field(page));
  EXPECT_EQ(dlg_.Water().Field(page)[120 * 400 + 300], 50);

  // Outside the picture (the text below it, the right-hand strip): nothing.
  dlg_.SendMessage(WM_MOUSEMOVE, 0, At(200, 140));
  dlg_.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(400, 50));
  dlg_.SendMessage(WM_MOUSEMOVE, 0, At(-1, 50));
  EXPECT_EQ(dlg_.Water().Field(page), want.Field(page));
  EXPECT_EQ(dlg_.Water().Field(1 - page), want.Field(1 - page));
}

TEST_F(AboutTest, TimerFramesBendThePictureAsTheWaterSays) {
  // The reference runs the same water over a copy of the picture.
  std::vector<uint32_t> source(dlg_.Picture().GetBits(), dlg_.Picture().GetBits() + 400 * 140);
  std::vector<uint32_t> target = source;
  CWaterEffect want;
  want.Create(400, 140);
  ::KillTimer(dlg_, CAboutDialog::kWaterTimer);  // frames only when sent here

  dlg_.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(120, 60));
  want.AddBlob(120, 80, 50, 500, 0);
  for (int frame = 0; frame < 5; ++frame) {
    dlg_.SendMessage(WM_TIMER, CAboutDialog::kWaterTimer, 0);
    want.Frame(source.data(), target.data());
    if (frame == 1) {
      dlg_.SendMessage(WM_MOUSEMOVE, 0, At(330, 30));
      want.AddBlob(330, 110, 5, 50, want.Page());
    }
  }
  EXPECT_EQ(dlg_.Water().Page(), want.Page());
  EXPECT_EQ(dlg_.Water().Field(0), want.Field(0));
  EXPECT_EQ(dlg_.Water().Field(1), want.Field(1));
  const uint32_t* frame = dlg_.FrameImage().GetBits();
  EXPECT_EQ(std::memcmp(frame, target.data(), target.size() * 4), 0);
  EXPECT_NE(std::memcmp(frame, source.data(), source.size() * 4), 0);
  // The picture itself is never bent.
  EXPECT_EQ(std::memcmp(dlg_.Picture().GetBits(), source.data(), source.size() * 4), 0);

  // The last frame is what the window shows, upright, at the client's
  // top-left corner.
  PixelCanvas shown(400, 140, kWhite);
  HDC client = ::GetDC(dlg_);
  ::BitBlt(shown.dc(), 0, 0, 400, 140, client, 0, 0, SRCCOPY);
  ::ReleaseDC(dlg_, client);
  int differing = 0;
  for (int y = 0; y < 140; y += 2)
    for (int x = 0; x < 400; x += 3) {
      const uint32_t p = frame[(139 - y) * 400 + x];
      differing += shown.At(x, y) != RGB(p >> 16, (p >> 8) & 0xFF, p & 0xFF);
    }
  EXPECT_EQ(differing, 0);

  // Another timer's message leaves the water alone.
  dlg_.SendMessage(WM_TIMER, 7, 0);
  EXPECT_EQ(dlg_.Water().Page(), want.Page());
}

TEST_F(AboutTest, OkButtonRunsFromThePointer) {
  HWND ok = dlg_.GetDlgItem(IDOK);
  RECT before{};
  ::GetWindowRect(ok, &before);
  // The right edge of the button: the right third.
  ::SendMessageW(ok, WM_MOUSEMOVE, 0, MAKELPARAM(before.right - before.left - 2, (before.bottom - before.top) / 2));
  RECT after{};
  ::GetWindowRect(ok, &after);
  EXPECT_EQ(after.right, before.right - 2 - 10);
  EXPECT_EQ(after.right - after.left, before.right - before.left);
  EXPECT_EQ(after.top, before.top);
}

// Runs the box modally; `keys` are posted from inside its loop.
INT_PTR RunModal(IProfile& profile, RecordingPlayer& player, std::vector<WPARAM> keys) {
  TestAbout dlg(nullptr, profile, player);
  dlg.atInit = [&](TestAbout& d) {
    for (WPARAM key : keys) ::PostMessageW(d, WM_KEYDOWN, key, 1);
  };
  return dlg.DoModal();
}

TEST(AboutBox, EnterClosesWithOkAndTheClickSoundEscWithoutIt) {
  test::TempDir dir;
  IniProfile profile(dir / "Vireskand.INI");
  RecordingPlayer player;
  // No key: sound is on.
  EXPECT_EQ(RunModal(profile, player, {VK_RETURN}), IDOK);
  EXPECT_EQ(player.Played(), std::vector<int>{IDR_WAVE_CLICK});

  player.TakePlayed();
  EXPECT_EQ(RunModal(profile, player, {VK_ESCAPE}), IDCANCEL);
  EXPECT_TRUE(player.Played().empty());

  profile.WriteProfileInt(kOptionsSection, L"Sound", 0);
  EXPECT_EQ(RunModal(profile, player, {VK_RETURN}), IDOK);
  EXPECT_TRUE(player.Played().empty()) << "the profile it is given decides";
}

}  // namespace
}  // namespace vsk
