// The main window with the settings dialog and the notification-area icon:
// what a confirmed dialog changes in the running window, hiding into the
// tray and coming back, and the tray menu's commands.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "controls/ImageButton.h"
#include "res/resource.h"
#include "tests/win/MainWindowHarness.h"
#include "tests/win/WinTestUtil.h"

namespace vsk {
namespace {

namespace fs = std::filesystem;
using test::MessageBoxAnswerer;
using test::RunMainWindow;
using test::ScriptedMainDialog;
using test::WhenShown;

constexpr int kLargeButtons[] = {IDC_SCAN, IDC_SETTINGS, IDC_DATABASE,
                                 IDC_HELP_BUTTON, IDC_ABOUT, IDC_EXIT};

// The icon of `owner` is in the notification area exactly when it can be
// modified.
bool TrayIconShown(HWND owner) {
  NOTIFYICONDATAW probe{};
  probe.cbSize = NOTIFYICONDATAW_V1_SIZE;
  probe.hWnd = owner;
  probe.uID = 0;
  probe.uFlags = NIF_TIP;
  lstrcpynW(probe.szTip, L"Vireskand", 64);
  return ::Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
}

// The keys and values of the program's section "OPTIONS".
std::map<std::wstring, std::wstring> ProfileSection() {
  std::vector<wchar_t> buf(4096);
  const DWORD n = ::GetPrivateProfileSectionW(L"OPTIONS", buf.data(), static_cast<DWORD>(buf.size()),
                                              test::ProgramProfileFile().c_str());
  // One line per key, each ended by a null.
  std::wstring lines(buf.data(), n);
  for (wchar_t& c : lines)
    if (c == L'\0') c = L'\n';
  return test::KeyValues(lines);
}

class MainWindowShell : public ::testing::Test {
 protected:
  void SetUp() override {
    AfxGetApp()->InitNames(::GetModuleHandleW(nullptr));
    fs::remove(test::ProgramProfileFile());
  }
  void TearDown() override {
    program_.state.scan.Stop();
    fs::remove(test::ProgramProfileFile());
  }
  static void Tray(ScriptedMainDialog& d, UINT mouse, WPARAM id = 0) {
    d.SendMessage(kTrayMessage, id, mouse);
    test::PumpMessages();
  }
  // Opens the tray menu, notes its items, and picks the item at `index`
  // with the keyboard, as a user would. The activation changes of hiding
  // the window arrive from the X server later and would close a menu
  // opened at once, so they are let in first.
  void PickFromTrayMenu(ScriptedMainDialog& d, int index) {
    for (int i = 0; i < 10; ++i) {
      test::PumpMessages();
      ::Sleep(20);
    }
    WhenShown menuDriver(L"#32768", nullptr, [&](HWND menuWnd) {
      HMENU menu = reinterpret_cast<HMENU>(::SendMessageW(menuWnd, MN_GETHMENU, 0, 0));
      items_.clear();
      for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        wchar_t text[64] = {};
        ::GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        items_.push_back(text);
      }
      defaultItem_ = static_cast<int>(::GetMenuDefaultItem(menu, FALSE, 0));
      for (int i = 0; i <= index; ++i) ::PostMessageW(menuWnd, WM_KEYDOWN, VK_DOWN, 0);
      ::PostMessageW(menuWnd, WM_KEYDOWN, VK_RETURN, 0);
    });
    Tray(d, WM_RBUTTONUP);
    EXPECT_TRUE(menuDriver.done()) << "the menu opened";
  }

  test::ProgramState program_;
  std::vector<std::wstring> items_;
  int defaultItem_ = -1;
};

TEST_F(MainWindowShell, ConfirmedSettingsReachTheProfileAndTheRunningWindow) {
  std::vector<BOOL> showText;
  BOOL tabHandled = TRUE;
  bool fileBeforeOk = true, hiddenInTray = false;
  RunMainWindow(program_.state, [&](ScriptedMainDialog& d) {
    fileBeforeOk = fs::exists(test::ProgramProfileFile());
    WhenShown settings(L"#32770", L"Настройки", [](HWND dlg) {
      for (int id : {IDC_TEXT_IN_BUTTON, IDC_EMERGING_HELP, IDC_SUB_DIR, IDC_FILE_OK,
                     IDC_MINIMIZED_IN_TRAY, IDC_SOUND, IDC_REPORT_TO_FILE, IDC_PRIORITY_LOW,
                     IDC_REPORT_OVERWRITE, IDC_REPORT})
        ::SendMessageW(::GetDlgItem(dlg, id), BM_CLICK, 0, 0);
      ::SetDlgItemTextW(dlg, IDC_FILE_MASK, L"*.com");
      ::SetDlgItemTextW(dlg, IDC_REPORT_FILE_NAME, L"Отчёт.txt");
      ::SendMessageW(::GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
    });
    d.SendMessage(WM_COMMAND, IDC_SETTINGS);
    EXPECT_TRUE(settings.done());
    for (int id : kLargeButtons)
      showText.push_back(static_cast<CImageButton*>(CWnd::FromHandlePermanent(d.GetDlgItem(id)))->GetShowText());
    MSG tab{d.GetDlgItem(IDC_SCAN), WM_KEYDOWN, VK_TAB, 1, 0, {}};
    tabHandled = d.PreTranslateMessage(&tab);
    d.SendMessage(WM_COMMAND, IDC_MINIMIZE);
    hiddenInTray = !d.IsWindowVisible() && TrayIconShown(d);
    Tray(d, WM_LBUTTONDBLCLK);
    d.SendMessage(WM_COMMAND, IDC_EXIT);
  });
  EXPECT_FALSE(fileBeforeOk) << "opening the window writes no profile";
  EXPECT_EQ(showText, std::vector<BOOL>(6, FALSE)) << "captions off at once";
  EXPECT_FALSE(tabHandled) << "tooltips off at once";
  EXPECT_TRUE(hiddenInTray) << "the next minimize uses the tray";
  // What the next scan and its end read.
  const Options& o = program_.state.options;
  EXPECT_EQ(o.Priority, 1);
  EXPECT_EQ(o.FileMask, L"*.com");
  EXPECT_EQ(o.SubDir, 1);
  EXPECT_EQ(o.FileOk, 1);
  EXPECT_EQ(o.Sound, 0);
  EXPECT_EQ(o.Report, 0);
  EXPECT_EQ(o.ReportToFile, 1);
  EXPECT_EQ(o.ReportFileName, L"Отчёт.txt");
  EXPECT_EQ(o.ReportFileMode, 0);
  EXPECT_EQ(ProfileSection(),
            (std::map<std::wstring, std::wstring>{
                {L"Priority", L"1"}, {L"FileOk", L"1"}, {L"Report", L"0"}, {L"ReportToFile", L"1"},
                {L"ReportFileName", L"Отчёт.txt"}, {L"MinimizedInSystemTray", L"1"},
                {L"TextInButton", L"0"}, {L"Sound", L"0"}, {L"EmergingHelp", L"0"},
                {L"FileMask", L"*.com"}, {L"SubDir", L"1"}, {L"ReportFileMode", L"0"}}));
}

TEST_F(MainWindowShell, MinimizeHidesIntoTheTrayAndADoubleClickBringsItBack) {
  AfxGetApp()->WriteProfileInt(L"OPTIONS", L"MinimizedInSystemTray", 1);
  bool hidden = false, shownAfterMinimize = false, stillHidden = false, restored = false,
       shownAfterRestore = true;
  RunMainWindow(program_.state, [&](ScriptedMainDialog& d) {
    d.SendMessage(WM_COMMAND, IDC_MINIMIZE);
    hidden = !d.IsWindowVisible();
    shownAfterMinimize = TrayIconShown(d);
    Tray(d, WM_LBUTTONDBLCLK, 1);  // another icon's message
    Tray(d, WM_LBUTTONDOWN);
    stillHidden = !d.IsWindowVisible();
    Tray(d, WM_LBUTTONDBLCLK);
    restored = d.IsWindowVisible() && !d.IsIconic();
    shownAfterRestore = TrayIconShown(d);
    d.SendMessage(WM_COMMAND, IDC_EXIT);
  });
  EXPECT_TRUE(hidden);
  EXPECT_TRUE(shownAfterMinimize);
  EXPECT_TRUE(stillHidden);
  EXPECT_TRUE(restored);
  EXPECT_FALSE(shownAfterRestore) << "the icon goes on restore";
}

TEST_F(MainWindowShell, WithoutTheTrayOptionMinimizeGoesToTheTaskbar) {
  bool iconic = false, tray = true;
  RunMainWindow(program_.state, [&](ScriptedMainDialog& d) {
    d.SendMessage(WM_COMMAND, IDC_MINIMIZE);
    iconic = d.IsIconic() != FALSE;
    tray = TrayIconShown(d);
    d.ShowWindow(SW_RESTORE);
    d.SendMessage(WM_COMMAND, IDC_EXIT);
  });
  EXPECT_TRUE(iconic);
  EXPECT_FALSE(tray);
}

TEST_F(MainWindowShell, TheTrayMenuRestoresShowsAboutAndExits) {
  AfxGetApp()->WriteProfileInt(L"OPTIONS", L"MinimizedInSystemTray", 1);
  bool restored = false, aboutShown = false, hiddenAfterAbout = false, iconAfterAbout = false;
  bool quarantineShown = false;
  bool iconAfterExit = true;
  std::vector<std::wstring> items;
  int defaultItem = -1;
  const INT_PTR result = RunMainWindow(program_.state, [&](ScriptedMainDialog& d) {
    d.SendMessage(WM_COMMAND, IDC_MINIMIZE);
    PickFromTrayMenu(d, 0);
    items = items_;
    defaultItem = defaultItem_;
    restored = d.IsWindowVisible() && !TrayIconShown(d);

    d.SendMessage(WM_COMMAND, IDC_MINIMIZE);
    {
      WhenShown quarantine(L"#32770", L"Карантин",
                           [](HWND box) { ::PostMessageW(box, WM_COMMAND, IDCANCEL, 0); });
      PickFromTrayMenu(d, 1);
      test::PumpMessages();
      quarantineShown = quarantine.done();
    }
    {
      WhenShown about(L"#32770", L"О программе",
                      [](HWND box) { ::PostMessageW(box, WM_COMMAND, IDOK, 0); });
      PickFromTrayMenu(d, 2);
      aboutShown = about.done();
    }
    hiddenAfterAbout = !d.IsWindowVisible();
    iconAfterAbout = TrayIconShown(d);

    PickFromTrayMenu(d, 3);
    iconAfterExit = TrayIconShown(d);
  });
  EXPECT_EQ(items, (std::vector<std::wstring>{L"Восстановить", L"Карантин...", L"О программе...", L"Выход"}));
  EXPECT_TRUE(quarantineShown);
  EXPECT_EQ(defaultItem, ID_TRAY_RESTORE) << "the first item is the bold default";
  EXPECT_TRUE(restored);
  EXPECT_TRUE(aboutShown);
  EXPECT_TRUE(hiddenAfterAbout);
  EXPECT_TRUE(iconAfterAbout);
  EXPECT_FALSE(iconAfterExit);
  EXPECT_EQ(result, IDOK);
}

TEST_F(MainWindowShell, ExitFromTheTrayDuringAScanIsRefusedAndTheWindowStaysHidden) {
  AfxGetApp()->WriteProfileInt(L"OPTIONS", L"MinimizedInSystemTray", 1);
  MessageBoxAnswerer answers;
  bool hidden = false, icon = false, running = false;
  RunMainWindow(program_.state, [&](ScriptedMainDialog& d) {
    d.SendMessage(WM_COMMAND, IDC_MINIMIZE);
    program_.state.scan.Start();
    PickFromTrayMenu(d, 3);
    hidden = ::IsWindow(d) && !d.IsWindowVisible();
    icon = TrayIconShown(d);
    running = program_.state.scan.IsRunning();
    program_.state.scan.Stop();
    Tray(d, WM_LBUTTONDBLCLK);
    d.SendMessage(WM_COMMAND, IDC_EXIT);
  });
  ASSERT_EQ(answers.shown.size(), 1u);
  EXPECT_EQ(answers.shown[0].text, kFinishScanFirst);
  EXPECT_TRUE(hidden);
  EXPECT_TRUE(icon);
  EXPECT_TRUE(running);
}

TEST_F(MainWindowShell, ExitWithTheTrayOptionOnRemovesTheIconAlsoWhenVisible) {
  AfxGetApp()->WriteProfileInt(L"OPTIONS", L"MinimizedInSystemTray", 1);
  bool before = false, after = true;
  RunMainWindow(program_.state, [&](ScriptedMainDialog& d) {
    // An icon left over while the window shows, as after a failed restore.
    NOTIFYICONDATAW icon{};
    icon.cbSize = NOTIFYICONDATAW_V1_SIZE;
    icon.hWnd = d;
    icon.uFlags = NIF_TIP;
    ::Shell_NotifyIconW(NIM_ADD, &icon);
    before = TrayIconShown(d);
    d.SendMessage(WM_COMMAND, IDC_EXIT);
    after = TrayIconShown(d);
  });
  EXPECT_TRUE(before);
  EXPECT_FALSE(after);
}

}  // namespace
}  // namespace vsk
