// The DIB wrapper, the hover button and the About box under Wine: sections
// drawn into memory bitmaps and read back by pixel, real mouse, timer and
// key messages sent to the windows.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "dialogs/AboutDialog.h"
#include "framework/App.h"
#include "dialogs/DibSection.h"
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

CWinApp g_app;

struct AppNames : ::testing::Environment {
  void SetUp() override { g_app.InitNames(::GetModuleHandleW(nullptr)); }
};
const auto* const g_names = ::testing::AddGlobalTestEnvironment(new AppNames);

constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255),
                   kWhite = RGB(255, 255, 255), kGrey = RGB(1, 2, 3);

// A 32-bit header with room for a colour table after it.
struct InfoWithTable {
  BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER), 0, 0, 1, 0, BI_RGB, 0, 0, 0, 0, 0};
  RGBQUAD colors[256]{};
  const BITMAPINFO* get() const { return reinterpret_cast<const BITMAPINFO*>(this); }
};

// A whole 24-bit .bmp file; rows given from the top.
std::vector<BYTE> BmpFile(int width, int height, const std::vector<COLORREF>& topDown) {
  const int row = (width * 3 + 3) & ~3;
  std::vector<BYTE> file(54 + static_cast<size_t>(row) * height);
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&file[at], &v, 4); };
  file[0] = 'B', file[1] = 'M';
  put32(2, static_cast<uint32_t>(file.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  file[26] = 1, file[28] = 24;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const COLORREF c = topDown[static_cast<size_t>(y) * width + x];
      BYTE* p = &file[54 + static_cast<size_t>(height - 1 - y) * row + x * 3];
      p[0] = GetBValue(c), p[1] = GetGValue(c), p[2] = GetRValue(c);
    }
  return file;
}

int PaletteSize(HPALETTE palette) {
  WORD n = 0;
  ::GetObjectW(palette, sizeof n, &n);
  return n;
}

TEST(DibSection, ThirtyTwoBitRowsUnpaddedBottomUpAndTheDefaultPalette) {
  constexpr int w = 400, h = 3;
  std::vector<uint32_t> bits(w * h, 0x00010203);
  bits[0] = 0x00FF0000;                // memory row 0: the bottom row on screen
  bits[2 * w + 399] = 0x000000FF;      // last memory row: the top row
  InfoWithTable info;
  info.header.biWidth = w, info.header.biHeight = h, info.header.biBitCount = 32;
  CDibSection dib;
  ASSERT_TRUE(dib.CreateFromInfo(info.get(), bits.data()));
  EXPECT_EQ(dib.GetColorCount(), 0);
  EXPECT_EQ(std::memcmp(dib.GetBits(), bits.data(), 1600 * h), 0);
  EXPECT_EQ(PaletteSize(dib.GetPalette()), 256);
  PALETTEENTRY e[256]{};
  ASSERT_EQ(::GetPaletteEntries(dib.GetPalette(), 0, 256, e), 256u);
  EXPECT_EQ(e[2].peBlue, 255);                                   // the fixed colours
  EXPECT_EQ(e[16 + 1].peRed, 51);                                // cube: red fastest
  EXPECT_EQ(e[16 + 36].peBlue, 51);
  EXPECT_EQ(e[255].peGreen, 255);                                // grey ramp

  PixelCanvas canvas(w + 10, h + 10, kWhite);
  CDC dc;
  dc.Attach(canvas.dc());
  EXPECT_EQ(dib.Draw(dc, 5, 4, FALSE), h);
  dc.Detach();
  EXPECT_EQ(canvas.At(5, 4 + h - 1), kRed);
  EXPECT_EQ(canvas.At(5 + 399, 4), kBlue);
  EXPECT_EQ(canvas.At(5 + 200, 5), kGrey);
  EXPECT_EQ(canvas.At(4, 4), kWhite);
  EXPECT_EQ(canvas.At(5 + w, 4), kWhite);
}

TEST(DibSection, ColourTablesBecomeThePaletteAndPaddedRowsAreCopied) {
  InfoWithTable info;
  info.header.biWidth = 3, info.header.biHeight = 2, info.header.biBitCount = 8;
  for (int i = 0; i < 256; ++i) info.colors[i] = {BYTE(i), BYTE(255 - i), 7, 0};
  const BYTE bits[8] = {0, 1, 2, 0xEE, 10, 20, 30, 0xEE};  // rows padded to 4 bytes
  CDibSection dib;
  ASSERT_TRUE(dib.CreateFromInfo(info.get(), bits));
  EXPECT_EQ(dib.GetColorCount(), 256);
  EXPECT_EQ(std::memcmp(dib.GetBits(), bits, 8), 0);
  PALETTEENTRY e[256]{};
  ASSERT_EQ(::GetPaletteEntries(dib.GetPalette(), 0, 256, e), 256u);
  EXPECT_EQ(e[30].peRed, 7);
  EXPECT_EQ(e[30].peGreen, 225);
  EXPECT_EQ(e[30].peBlue, 30);

  PixelCanvas canvas(3, 2, kWhite);
  CDC dc;
  dc.Attach(canvas.dc());
  EXPECT_EQ(dib.Draw(dc, 0, 0, FALSE), 2);
  dc.Detach();
  EXPECT_EQ(canvas.At(2, 0), RGB(7, 225, 30));  // top row: memory row 1
  EXPECT_EQ(canvas.At(1, 1), RGB(7, 254, 1));

  // One bit per pixel: two table entries.
  InfoWithTable mono;
  mono.header.biWidth = 8, mono.header.biHeight = 1, mono.header.biBitCount = 1;
  mono.colors[0] = {0, 0, 0, 0}, mono.colors[1] = {0, 255, 0, 0};
  const BYTE monoBits[4] = {0xF0, 0, 0, 0};
  ASSERT_TRUE(dib.CreateFromInfo(mono.get(), monoBits));
  EXPECT_EQ(dib.GetColorCount(), 2);
  EXPECT_EQ(PaletteSize(dib.GetPalette()), 2);
}

TEST(DibSection, FailuresLeaveItEmptyAndDrawingItDrawsNothing) {
  InfoWithTable info;
  info.header.biWidth = 4, info.header.biHeight = 4, info.header.biBitCount = 32;
  const std::vector<uint32_t> bits(16, 0x00FF0000);
  CDibSection dib;
  ASSERT_TRUE(dib.CreateFromInfo(info.get(), bits.data()));
  EXPECT_FALSE(dib.CreateFromInfo(nullptr, bits.data()));
  EXPECT_TRUE(dib.IsEmpty());
  EXPECT_EQ(dib.GetBits(), nullptr);
  EXPECT_FALSE(dib.CreateFromInfo(info.get(), nullptr));
  EXPECT_EQ(dib.Width(), 0);
  info.header.biPlanes = 0, info.header.biBitCount = 13;  // no such section
  EXPECT_FALSE(dib.CreateFromInfo(info.get(), bits.data()));
  EXPECT_FALSE(dib.CreatePaletteFromDib());

  PixelCanvas canvas(8, 8, kWhite);
  CDC dc;
  dc.Attach(canvas.dc());
  EXPECT_EQ(dib.Draw(dc, 0, 0, FALSE), 0);
  dc.Detach();
  EXPECT_EQ(canvas.Count(kWhite, {0, 0, 8, 8}), 64);
}

TEST(DibSection, SizeImageLargerThanTheSectionCopiesOnlyTheSection) {
  InfoWithTable info;
  info.header.biWidth = 2, info.header.biHeight = 2, info.header.biBitCount = 32;
  info.header.biSizeImage = 1 << 20;  // the source really holds this much
  std::vector<uint32_t> bits((1 << 20) / 4, 0x0000FF00);
  CDibSection dib;
  ASSERT_TRUE(dib.CreateFromInfo(info.get(), bits.data()));
  EXPECT_EQ(dib.GetBits()[3], 0x0000FF00u);
}

TEST(DibSection, PictureLandsTopRowFirstWithRedAndBlueExchanged) {
  // 3 × 2: top row red, green, blue; bottom row white.
  const std::vector<BYTE> file = BmpFile(3, 2, {kRed, kGreen, kBlue, kWhite, kWhite, kWhite});
  CPictureHolder picture;
  ASSERT_TRUE(picture.CreateFromBytes(file.data(), file.size()));
  CDibSection dib;
  ASSERT_TRUE(dib.CreateFromPicture(picture, 3, 2));
  EXPECT_EQ(dib.GetHeader().biBitCount, 32);
  EXPECT_EQ(dib.Height(), 2);  // bottom-up
  const uint32_t* p = dib.GetBits();
  EXPECT_EQ(p[0], 0x00FF0000u);
  EXPECT_EQ(p[1], 0x0000FF00u);
  EXPECT_EQ(p[2], 0x000000FFu);
  EXPECT_EQ(p[3], 0x00FFFFFFu);

  // Scaled: 2 × 2 quarters to 8 × 8.
  const std::vector<BYTE> quarters = BmpFile(2, 2, {kRed, kGreen, kBlue, kWhite});
  ASSERT_TRUE(picture.CreateFromBytes(quarters.data(), quarters.size()));
  ASSERT_TRUE(dib.CreateFromPicture(picture, 8, 8));
  EXPECT_EQ(dib.GetBits()[0], 0x00FF0000u);           // memory row 0: picture's top
  EXPECT_EQ(dib.GetBits()[7 * 8 + 7], 0x00FFFFFFu);

  EXPECT_FALSE(picture.CreateFromBytes("BM", 2));
  EXPECT_TRUE(picture.IsEmpty());
  EXPECT_FALSE(dib.CreateFromPicture(picture, 8, 8));
  EXPECT_TRUE(dib.IsEmpty());
}

TEST(DibSection, TheAboutPictureStoredUpsideDownShowsUpright) {
  CPictureHolder picture;
  ASSERT_TRUE(picture.CreateFromResource(IDB_ABOUT));
  CDibSection dib;
  ASSERT_TRUE(dib.CreateFromPicture(picture, 400, 140));
  PixelCanvas shown(400, 140, kWhite);
  CDC dc;
  dc.Attach(shown.dc());
  EXPECT_EQ(dib.Draw(dc, 0, 0, FALSE), 140);
  dc.Detach();

  // The stored bitmap as it is: upside down.
  HBITMAP stored = static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_ABOUT),
                                                     IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  ASSERT_NE(stored, nullptr);
  PixelCanvas raw(400, 140, kWhite);
  HDC src = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(src, stored);
  ::BitBlt(raw.dc(), 0, 0, 400, 140, src, 0, 0, SRCCOPY);
  ::SelectObject(src, old);
  ::DeleteDC(src);
  ::DeleteObject(stored);

  int same = 0, flipped = 0;
  for (int y = 0; y < 140; y += 3)
    for (int x = 0; x < 400; x += 7) {
      same += shown.At(x, y) == raw.At(x, y);
      flipped += shown.At(x, y) == raw.At(x, 139 - y);
    }
  const int samples = 47 * 58;
  EXPECT_EQ(flipped, samples);
  EXPECT_LT(same, samples * 9 / 10);
}

// --- Hover button -----------------------------------------------------------

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
