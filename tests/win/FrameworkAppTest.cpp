// The framework under Wine: dialog colours, the application's names and
// profile, menus, message boxes, device contexts and list views.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/App.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/Gdi.h"
#include "framework/Menu.h"
#include "tests/TestUtil.h"
#include "tests/win/TestResources.h"
#include "tests/win/FrameworkHarness.h"
#include "tests/win/WinTestUtil.h"

namespace vsk {
namespace {

using test::Counter;
using test::DialogTemplate;
using test::ExchangeDialog;
using test::ExchangeTemplate;
using test::MessageBoxAnswerer;
using test::g_app;
using test::kAfterGroup;
using test::kButton;
using test::kByte;
using test::kCheck;
using test::kEdit;
using test::kName;
using test::kNumber;
using test::kRadio1;
using test::kRadio2;
using test::kRadio3;
using test::kStatic;

TEST(DialogColour, DialogsStaticsAndButtonsGetTheProcessColourWithBlackText) {
  const DialogTemplate t = ExchangeTemplate();
  ExchangeDialog dlg(t.get());
  ASSERT_TRUE(dlg.CreateIndirect(t.get()));
  HDC dc = ::CreateCompatibleDC(nullptr);
  // Without a colour the system paints as it would.
  EXPECT_EQ(dlg.SendMessage(WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(dlg.m_hWnd)),
            ::DefDlgProcW(dlg, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(dlg.m_hWnd)));

  g_app.SetDialogBkColor(RGB(42, 255, 202), RGB(0, 0, 0));
  for (UINT msg : {WM_CTLCOLORDLG, WM_CTLCOLORSTATIC, WM_CTLCOLORBTN}) {
    ::SetTextColor(dc, RGB(1, 2, 3));
    auto brush = reinterpret_cast<HBRUSH>(
        dlg.SendMessage(msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(dlg.Item(kCheck))));
    LOGBRUSH lb{};
    ASSERT_EQ(::GetObjectW(brush, sizeof(lb), &lb), static_cast<int>(sizeof(lb))) << msg;
    EXPECT_EQ(lb.lbColor, RGB(42, 255, 202));
    EXPECT_EQ(::GetTextColor(dc), RGB(0, 0, 0));
    EXPECT_EQ(::GetBkColor(dc), RGB(42, 255, 202));
  }
  // Edits keep the system's colours.
  const auto editBrush = reinterpret_cast<HBRUSH>(dlg.SendMessage(
      WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(dlg.Item(kName))));
  LOGBRUSH lb{};
  ::GetObjectW(editBrush, sizeof(lb), &lb);
  EXPECT_NE(lb.lbColor, RGB(42, 255, 202));

  // And the dialog's background is erased with it.
  test::PixelCanvas canvas(50, 50, RGB(255, 255, 255));
  dlg.SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc()));
  EXPECT_EQ(canvas.At(45, 45), RGB(42, 255, 202));
  ::DeleteDC(dc);
  dlg.DestroyWindow();
  DialogBackground::Clear();
}

TEST(Application, TitleAndProfileAreNamedAfterTheExecutable) {
  EXPECT_EQ(g_app.m_pszAppName, L"framework_tests");
  EXPECT_EQ(g_app.m_pszProfileName, L"framework_tests.INI");
  wchar_t windows[MAX_PATH] = {};
  ::GetWindowsDirectoryW(windows, MAX_PATH);
  const std::filesystem::path ini = std::filesystem::path(windows) / L"framework_tests.INI";
  std::filesystem::remove(ini);

  EXPECT_EQ(g_app.GetProfileInt(L"OPTIONS", L"Sound", 7), 7);
  EXPECT_EQ(g_app.GetProfileString(L"OPTIONS", L"FileMask", L"*"), L"*");
  EXPECT_FALSE(std::filesystem::exists(ini)) << "reading creates nothing";
  EXPECT_TRUE(g_app.WriteProfileInt(L"OPTIONS", L"Sound", 0));
  EXPECT_TRUE(g_app.WriteProfileString(L"OPTIONS", L"FileMask", L"экз"));
  EXPECT_EQ(g_app.GetProfileInt(L"OPTIONS", L"Sound", 7), 0);
  EXPECT_EQ(g_app.GetProfileString(L"OPTIONS", L"FileMask", L"*"), L"экз");
  // Text outside the ANSI code page survives: the file is UTF-16.
  EXPECT_TRUE(g_app.WriteProfileString(L"OPTIONS", L"ReportFileName", L"Ωμέγα.txt"));
  EXPECT_EQ(g_app.GetProfileString(L"OPTIONS", L"ReportFileName", L""), L"Ωμέγα.txt");
  EXPECT_EQ(test::ReadBytes(ini).substr(0, 2), "\xFF\xFE");
  std::filesystem::remove(ini);
}

TEST(Menus, APopupFromTheResourcesAtThePointerSendsItsCommandAndIsFollowedByANull) {
  const DialogTemplate t(WS_POPUP | WS_VISIBLE, 100, 50);
  Counter owner(t.get());
  ASSERT_TRUE(owner.CreateIndirect(t.get()));
  std::vector<std::wstring> items;
  UINT defaultItem = 0;
  test::WhenShown picker(L"#32768", nullptr, [&](HWND menuWnd) {
    HMENU menu = reinterpret_cast<HMENU>(::SendMessageW(menuWnd, MN_GETHMENU, 0, 0));
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
      wchar_t text[32] = {};
      ::GetMenuStringW(menu, static_cast<UINT>(i), text, 32, MF_BYPOSITION);
      items.emplace_back(text);
    }
    defaultItem = ::GetMenuDefaultItem(menu, FALSE, 0);
    ::PostMessageW(menuWnd, WM_KEYDOWN, VK_DOWN, 0);
    ::PostMessageW(menuWnd, WM_KEYDOWN, VK_RETURN, 0);
  });
  TrackPopupMenuAtCursor(owner, IDR_TEST_MENU, true);
  EXPECT_TRUE(picker.done());
  EXPECT_EQ(items, (std::vector<std::wstring>{L"Первый", L"Второй"}));
  EXPECT_EQ(defaultItem, static_cast<UINT>(ID_TEST_FIRST));
  // What the owner's queue holds: the chosen command, then the null that
  // lets the next menu open.
  std::vector<std::pair<UINT, WPARAM>> queued;
  MSG msg;
  while (::PeekMessageW(&msg, owner, 0, 0, PM_REMOVE))
    if (msg.message == WM_COMMAND || msg.message == WM_NULL) queued.emplace_back(msg.message, msg.wParam);
  EXPECT_EQ(queued, (std::vector<std::pair<UINT, WPARAM>>{{WM_COMMAND, ID_TEST_FIRST}, {WM_NULL, 0}}));
  owner.DestroyWindow();
}

TEST(Application, MessageBoxesCarryTheTitle) {
  MessageBoxAnswerer answers;
  EXPECT_EQ(AfxMessageBox(L"Вирусная база данных не найдена!!!"), IDOK);
  ASSERT_EQ(answers.shown.size(), 1u);
  EXPECT_EQ(answers.shown[0].caption, L"framework_tests");
  EXPECT_EQ(answers.shown[0].text, L"Вирусная база данных не найдена!!!");
}

TEST(DeviceContexts, TheOffscreenDcDrawsInTargetCoordinatesAndCopiesOnlyItsClipBox) {
  test::PixelCanvas canvas(40, 40, RGB(255, 255, 255));
  HRGN clip = ::CreateRectRgn(10, 10, 30, 30);
  ::SelectClipRgn(canvas.dc(), clip);
  ::DeleteObject(clip);
  {
    CDC target;
    target.Attach(canvas.dc());
    {
      COffscreenDC off(target);
      off.FillSolidRect(CRect(0, 0, 40, 40), RGB(255, 0, 0));
      off.FillSolidRect(CRect(10, 10, 12, 12), RGB(0, 0, 255));
      // Nothing reaches the target before the end.
      EXPECT_EQ(canvas.At(15, 15), RGB(255, 255, 255));
    }
    target.Detach();
  }
  EXPECT_EQ(canvas.At(10, 10), RGB(0, 0, 255));
  EXPECT_EQ(canvas.At(15, 15), RGB(255, 0, 0));
  EXPECT_EQ(canvas.At(29, 29), RGB(255, 0, 0));
  EXPECT_EQ(canvas.At(5, 5), RGB(255, 255, 255));
  EXPECT_EQ(canvas.At(30, 30), RGB(255, 255, 255));
}

TEST(Controls, ListViewColumnsItemsAndToolTipsFromStringResources) {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&icc);
  DialogTemplate t(WS_POPUP, 200, 100);
  t.Add(0, LVS_REPORT | WS_BORDER, 5, 5, 150, 60, 200, L"", WC_LISTVIEWW)
      .Add(0, WS_BORDER, 5, 70, 150, 6, 201, L"", PROGRESS_CLASSW)
      .Add(kButton, BS_PUSHBUTTON, 160, 5, 30, 14, IDC_TEST_BUTTON, L"B");
  CDialog dlg(t.get());
  ASSERT_TRUE(dlg.CreateIndirect(t.get()));
  CListCtrl list;
  CProgressCtrl progress;
  list.SubclassDlgItem(200, &dlg);
  progress.SubclassDlgItem(201, &dlg);
  list.SetExtendedStyle(0x4A1);
  EXPECT_EQ(list.GetExtendedStyle(), 0x4A1u);
  EXPECT_EQ(list.InsertColumn(0, L"Объект", LVCFMT_LEFT, 225), 0);
  EXPECT_EQ(list.InsertColumn(1, L"Результат", LVCFMT_LEFT, 100), 1);
  EXPECT_EQ(list.GetColumnText(1), L"Результат");
  EXPECT_EQ(list.GetColumnWidth(0), 225);
  EXPECT_EQ(list.InsertItem(0, L"C:\\файл.com", 0), 0);
  list.SetItemText(0, 1, L"OK");
  EXPECT_EQ(list.GetItemText(0, 0), L"C:\\файл.com");
  EXPECT_EQ(list.GetItemText(0, 1), L"OK");
  progress.SetRange32(0, 10);
  progress.SetPos(4);
  EXPECT_EQ(progress.GetPos(), 4);

  CToolTipCtrl tips;
  ASSERT_TRUE(tips.Create(&dlg));
  EXPECT_TRUE(tips.AddTool(dlg.GetDlgItem(IDC_TEST_BUTTON), IDC_TEST_BUTTON));
  EXPECT_EQ(tips.GetToolCount(), 1);
  wchar_t text[80] = {};
  TTTOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.hwnd = dlg;
  info.uId = reinterpret_cast<UINT_PTR>(dlg.GetDlgItem(IDC_TEST_BUTTON));
  info.lpszText = text;
  tips.SendMessage(TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&info));
  EXPECT_STREQ(text, L"Подсказка кнопки");
  dlg.DestroyWindow();
}

}  // namespace
}  // namespace vsk
