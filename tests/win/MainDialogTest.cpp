// The main window in this process, from its own template and resources.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <filesystem>
#include <functional>

#include "app/MainDialog.h"
#include "app/Sounds.h"
#include "framework/App.h"
#include "res/resource.h"
#include "tests/TestUtil.h"
#include "tests/win/MainWindowHarness.h"
#include "tests/win/WinTestUtil.h"

namespace vsk {
namespace {

namespace fs = std::filesystem;

CWinApp g_app;

using test::ProgramState;
using test::RunMainWindow;
using test::ScriptedMainDialog;

// 16 x 16 pixels of an icon drawn on black, or of a frame of bitmap 136.
using Frame = std::array<COLORREF, 256>;
Frame Pixels(const std::function<void(HDC)>& draw) {
  test::PixelCanvas canvas(16, 16, RGB(0, 0, 0));
  draw(canvas.dc());
  Frame f{};
  for (int i = 0; i < 256; ++i) f[i] = canvas.At(i % 16, i / 16);
  return f;
}
long Distance(const Frame& a, const Frame& b) {
  long d = 0;
  for (int i = 0; i < 256; ++i)
    d += std::abs(GetRValue(a[i]) - GetRValue(b[i])) + std::abs(GetGValue(a[i]) - GetGValue(b[i])) +
         std::abs(GetBValue(a[i]) - GetBValue(b[i]));
  return d;
}

TEST(MainWindow, TheSmallIconCyclesThroughTheFourFramesFromFrameZero) {
  HBITMAP strip = static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr),
                                                    MAKEINTRESOURCEW(IDB_ICON_FRAMES), IMAGE_BITMAP, 0, 0, 0));
  ASSERT_NE(strip, nullptr);
  std::array<Frame, 4> frames;
  for (int k = 0; k < 4; ++k)
    frames[k] = Pixels([&](HDC dc) {
      HDC src = ::CreateCompatibleDC(dc);
      HGDIOBJ old = ::SelectObject(src, strip);
      ::BitBlt(dc, 0, 0, 16, 16, src, 16 * k, 0, SRCCOPY);
      ::SelectObject(src, old);
      ::DeleteDC(src);
    });
  ::DeleteObject(strip);

  std::vector<int> shown;
  RunMainWindow([&](ScriptedMainDialog& d) {
    for (int tick = 0; tick < 6; ++tick) {
      d.SendMessage(WM_TIMER, kIconTimer);
      auto icon = reinterpret_cast<HICON>(d.SendMessage(WM_GETICON, ICON_SMALL));
      const Frame seen = Pixels([&](HDC dc) { ::DrawIconEx(dc, 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL); });
      int best = 0;
      for (int k = 1; k < 4; ++k)
        if (Distance(seen, frames[k]) < Distance(seen, frames[best])) best = k;
      shown.push_back(best);
    }
    d.SendMessage(WM_COMMAND, IDC_EXIT);
  });
  EXPECT_EQ(shown, (std::vector<int>{0, 1, 2, 3, 0, 1}));
}

TEST(MainWindow, ToolTipsCoverEveryControlWithAnIdAndEnterDoesNotClose) {
  int tools = -1;
  std::wstring scanTip;
  bool openAfterEnter = false;
  const INT_PTR result = RunMainWindow([&](ScriptedMainDialog& d) {
    struct Find {
      HWND owner, tips;
    } find{d.m_hWnd, nullptr};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND w, LPARAM l) -> BOOL {
          auto* f = reinterpret_cast<Find*>(l);
          wchar_t cls[64] = {};
          ::GetClassNameW(w, cls, 64);
          if (wcscmp(cls, TOOLTIPS_CLASSW) == 0 && ::GetWindow(w, GW_OWNER) == f->owner) f->tips = w;
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&find));
    ASSERT_NE(find.tips, nullptr);
    tools = static_cast<int>(::SendMessageW(find.tips, TTM_GETTOOLCOUNT, 0, 0));
    wchar_t text[128] = {};
    TTTOOLINFOW info{};
    info.cbSize = sizeof(info);
    info.hwnd = d.m_hWnd;
    info.uId = reinterpret_cast<UINT_PTR>(d.GetDlgItem(IDC_SCAN));
    info.lpszText = text;
    ::SendMessageW(find.tips, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&info));
    scanTip = text;

    d.SendMessage(WM_COMMAND, IDOK);
    test::PumpMessages();
    openAfterEnter = ::IsWindowVisible(d.m_hWnd) != FALSE;
    d.SendMessage(WM_COMMAND, IDCANCEL);
  });
  // The list, eight buttons, the progress bar and the status line; not the
  // two pictures.
  EXPECT_EQ(tools, 11);
  EXPECT_EQ(scanTip, L"Начать/Завершить проверку");
  EXPECT_TRUE(openAfterEnter);
  EXPECT_EQ(result, IDCANCEL) << "Escape and the close box end it through Cancel";
}

TEST(MainWindow, ExitDuringAScanIsRefusedWithAMessageAndTheWindowStays) {
  test::MessageBoxAnswerer answers;
  ProgramState program;
  ScanControl& scan = program.state.scan;
  bool stayed = false;
  const INT_PTR result = RunMainWindow(program.state, [&](ScriptedMainDialog& d) {
    scan.Start();
    d.SendMessage(WM_COMMAND, IDC_EXIT_SMALL);
    stayed = ::IsWindow(d.m_hWnd) && ::IsWindowVisible(d.m_hWnd);
    EXPECT_TRUE(scan.IsRunning()) << "the scan goes on";
    scan.Stop();
    d.SendMessage(WM_COMMAND, IDC_EXIT_SMALL);
  });
  EXPECT_TRUE(stayed);
  ASSERT_EQ(answers.shown.size(), 1u);
  EXPECT_EQ(answers.shown[0].text, kFinishScanFirst);
  EXPECT_EQ(result, IDOK);
}

TEST(MainWindow, WithoutEmergingHelpTheKeyboardIsLeftToTheFocusedControl) {
  g_app.InitNames(::GetModuleHandleW(nullptr));
  g_app.WriteProfileInt(L"OPTIONS", L"EmergingHelp", 0);
  HWND before = nullptr, after = nullptr;
  BOOL handled = TRUE;
  RunMainWindow([&](ScriptedMainDialog& d) {
    ::SetFocus(d.GetDlgItem(IDC_SCAN));
    before = ::GetFocus();
    MSG tab{before, WM_KEYDOWN, VK_TAB, 1, 0, {}};
    handled = d.PreTranslateMessage(&tab);
    after = ::GetFocus();
    d.SendMessage(WM_COMMAND, IDC_EXIT);
  });
  fs::remove(test::ProgramProfileFile());
  EXPECT_FALSE(handled);
  EXPECT_EQ(after, before) << "Tab does not move the focus";
}

TEST(MainWindow, TheResultColumnFitsTheLongestResultAndTheWidthsAUserGivesAreKept) {
  g_app.InitNames(::GetModuleHandleW(nullptr));
  fs::remove(test::ProgramProfileFile());
  std::vector<int> first, reopened;
  int longest = 0;
  auto widths = [](ScriptedMainDialog& d) {
    const HWND list = d.GetDlgItem(IDC_RESULTS);
    return std::vector<int>{static_cast<int>(::SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0)),
                            static_cast<int>(::SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0))};
  };
  RunMainWindow([&](ScriptedMainDialog& d) {
    first = widths(d);
    longest = static_cast<int>(::SendDlgItemMessageW(d.m_hWnd, IDC_RESULTS, LVM_GETSTRINGWIDTHW, 0,
                                                     reinterpret_cast<LPARAM>(L"Неизлечим, переименован")));
    d.SendMessage(WM_COMMAND, IDC_EXIT);
  });
  const std::wstring untouched = g_app.GetProfileString(L"OPTIONS", L"ResultColumns", L"none");
  RunMainWindow([&](ScriptedMainDialog& d) {
    ::SendDlgItemMessageW(d.m_hWnd, IDC_RESULTS, LVM_SETCOLUMNWIDTH, 0, 280);
    d.SendMessage(WM_COMMAND, IDC_EXIT);
  });
  const std::wstring kept = g_app.GetProfileString(L"OPTIONS", L"ResultColumns", L"none");
  RunMainWindow([&](ScriptedMainDialog& d) {
    reopened = widths(d);
    d.SendMessage(WM_COMMAND, IDC_EXIT);
  });
  fs::remove(test::ProgramProfileFile());
  ASSERT_EQ(first.size(), 2u);
  EXPECT_GT(first[1], longest) << "no result text is cut";
  EXPECT_GE(first[0], 225);
  EXPECT_EQ(untouched, L"none") << "widths left as they were are not written";
  EXPECT_EQ(kept, L"280," + std::to_wstring(first[1]));
  EXPECT_EQ(reopened, (std::vector<int>{280, first[1]}));
}

TEST(Sounds, WavesPlayFromTheResourcesAndAMissingOneGivesZero) {
  EXPECT_EQ(PlayWave(999, SND_ASYNC), 0);
  // Without an audio driver the asynchronous start still succeeds.
  EXPECT_NE(PlayWave(IDR_WAVE_CLICK, SND_ASYNC), 0);
}

}  // namespace
}  // namespace vsk
