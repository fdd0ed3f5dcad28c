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
#include "tests/win/WinTestUtil.h"

namespace vsk {
namespace {

using test::DialogTemplate;
using test::kButton;
using test::kEdit;
using test::kStatic;
using test::MessageBoxAnswerer;

CWinApp g_app;  // no name: the title is the executable's base name

struct AppNames : ::testing::Environment {
  void SetUp() override { g_app.InitNames(::GetModuleHandleW(nullptr)); }
};
const auto* const g_names = ::testing::AddGlobalTestEnvironment(new AppNames);

enum : WORD { kCheck = 101, kRadio1, kRadio2, kRadio3, kAfterGroup, kName, kNumber, kByte };

DialogTemplate ExchangeTemplate() {
  DialogTemplate t(WS_POPUP | WS_CAPTION | WS_SYSMENU, 200, 140);
  t.Add(kButton, BS_AUTOCHECKBOX | WS_TABSTOP, 5, 5, 80, 10, kCheck, L"Флажок")
      .Add(kButton, BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 5, 20, 80, 10, kRadio1, L"1")
      .Add(kButton, BS_AUTORADIOBUTTON, 5, 32, 80, 10, kRadio2, L"2")
      .Add(kButton, BS_AUTORADIOBUTTON, 5, 44, 80, 10, kRadio3, L"3")
      .Add(kButton, BS_AUTOCHECKBOX | WS_GROUP, 5, 56, 80, 10, kAfterGroup, L"x")
      .Add(kEdit, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 5, 70, 100, 12, kName)
      .Add(kEdit, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 5, 86, 100, 12, kNumber)
      .Add(kEdit, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 5, 102, 100, 12, kByte)
      .Add(kButton, BS_DEFPUSHBUTTON | WS_TABSTOP, 110, 120, 40, 14, IDOK, L"OK")
      .Add(kButton, BS_PUSHBUTTON | WS_TABSTOP, 155, 120, 40, 14, IDCANCEL, L"Cancel");
  return t;
}

// A dialog whose test body runs inside the modal loop, from OnInitDialog.
class ExchangeDialog : public CDialog {
 public:
  using CDialog::CDialog;
  int check = 1, radio = 2, number = 7;
  BYTE byteValue = 12;
  std::wstring name = L"Имя";
  std::function<void(ExchangeDialog&)> atInit;
  int preTranslated = 0;

  void DoDataExchange(CDataExchange* dx) override {
    DDX_Check(dx, kCheck, check);
    DDX_Radio(dx, kRadio1, radio);
    DDX_Text(dx, kName, name);
    DDV_MaxChars(dx, name, 5);
    DDX_Text(dx, kNumber, number);
    DDX_Text(dx, kByte, byteValue);
    DDV_MinMaxByte(dx, byteValue, 0, 30);
  }
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    if (atInit) atInit(*this);
    return TRUE;
  }
  BOOL PreTranslateMessage(MSG* msg) override {
    ++preTranslated;
    return CDialog::PreTranslateMessage(msg);
  }
  HWND Item(int id) const { return GetDlgItem(id); }
  using CDialog::UpdateData;
};

TEST(DataExchange, LoadsMembersIntoControlsAndSavesThemBackOnOK) {
  const DialogTemplate t = ExchangeTemplate();
  ExchangeDialog dlg(t.get());
  dlg.atInit = [](ExchangeDialog& d) {
    EXPECT_EQ(::SendMessageW(d.Item(kCheck), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(::SendMessageW(d.Item(kRadio3), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(::SendMessageW(d.Item(kRadio1), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    // The radio walk stops at the next group.
    EXPECT_EQ(::SendMessageW(d.Item(kAfterGroup), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    wchar_t text[64] = {};
    ::GetWindowTextW(d.Item(kName), text, 64);
    EXPECT_STREQ(text, L"Имя");
    ::GetWindowTextW(d.Item(kByte), text, 64);
    EXPECT_STREQ(text, L"12");
    // The name box takes at most 5 characters.
    EXPECT_EQ(::SendMessageW(d.Item(kName), EM_GETLIMITTEXT, 0, 0), 5);

    ::SendMessageW(d.Item(kCheck), BM_SETCHECK, BST_UNCHECKED, 0);
    ::SendMessageW(d.Item(kRadio3), BM_SETCHECK, BST_UNCHECKED, 0);
    ::SendMessageW(d.Item(kRadio1), BM_SETCHECK, BST_CHECKED, 0);
    ::SetWindowTextW(d.Item(kName), L"Новое");
    ::SetWindowTextW(d.Item(kNumber), L" -42 ");
    ::SetWindowTextW(d.Item(kByte), L"30");
    d.PostMessage(WM_COMMAND, IDOK, 0);
  };
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.m_hWnd, nullptr);
  EXPECT_EQ(dlg.check, 0);
  EXPECT_EQ(dlg.radio, 0);
  EXPECT_EQ(dlg.name, L"Новое");
  EXPECT_EQ(dlg.number, -42);
  EXPECT_EQ(dlg.byteValue, 30);
  EXPECT_GT(dlg.preTranslated, 0);
}

TEST(DataExchange, BadValuesShowTheRangeMessageKeepTheDialogAndFocusTheBox) {
  const DialogTemplate t = ExchangeTemplate();
  struct Case {
    const wchar_t* byteText;
    const wchar_t* message;
    int member;  // a number out of range is stored before its check fails
  };
  for (const Case c : {Case{L"", L"Please enter an integer between 0 and 255.", 12},
                       Case{L"256", L"Please enter an integer between 0 and 255.", 12},
                       Case{L"1x", L"Please enter an integer between 0 and 255.", 12},
                       Case{L"31", L"Please enter an integer between 0 and 30.", 31}}) {
    MessageBoxAnswerer answers;
    ExchangeDialog dlg(t.get());
    dlg.atInit = [&](ExchangeDialog& d) {
      ::SetWindowTextW(d.Item(kByte), c.byteText);
      EXPECT_FALSE(d.UpdateData(TRUE));
      EXPECT_EQ(::GetFocus(), d.Item(kByte));
      // OK with a bad value keeps the dialog open.
      d.SendMessage(WM_COMMAND, IDOK, 0);
      EXPECT_NE(d.m_hWnd, nullptr);
      d.PostMessage(WM_COMMAND, IDCANCEL, 0);
    };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    ASSERT_EQ(answers.shown.size(), 2u) << c.byteText;
    EXPECT_EQ(answers.shown[0].text, c.message);
    EXPECT_EQ(answers.shown[0].caption, L"framework_tests");
    EXPECT_EQ(dlg.byteValue, c.member);
  }
}

TEST(ModalLoop, EscapeCancelsThroughIsDialogMessageAndEnterPressesTheDefaultButton) {
  const DialogTemplate t = ExchangeTemplate();
  for (const auto& [key, expected] : {std::pair{VK_ESCAPE, IDCANCEL}, std::pair{VK_RETURN, IDOK}}) {
    ExchangeDialog dlg(t.get());
    dlg.atInit = [key = key](ExchangeDialog& d) {
      ::PostMessageW(d.Item(kCheck), WM_KEYDOWN, static_cast<WPARAM>(key), 1);
    };
    EXPECT_EQ(dlg.DoModal(), expected);
  }
}

class Counter : public CDialog {
 public:
  using CDialog::CDialog;
  int first = 0, range = 0, notified = 0, custom = 0, baseCommand = 0, updates = 0;
  UINT lastRange = 0;
  std::vector<UINT> rangeIds;
  bool okOverridden = false;

 protected:
  void OnFirst() { ++first; }
  void OnRange() { ++range; }
  void OnRangeId(UINT id) { rangeIds.push_back(id); }
  void OnUpdate() { ++updates; }
  void OnNotified(NMHDR* h, LRESULT* result) {
    ++notified;
    *result = static_cast<LRESULT>(h->idFrom);
  }
  LRESULT OnCustom(WPARAM w, LPARAM) {
    ++custom;
    return static_cast<LRESULT>(w * 2);
  }
  void OnThrow() { throw std::runtime_error("handler failure"); }
  void OnOK() override { okOverridden = true; }
  const MessageMap* GetMessageMap() const override {
    static const MapEntry entries[] = {
        OnCommandEntry(300, &Counter::OnFirst),
        OnCommandRangeEntry(310, 315, &Counter::OnRange),
        OnCommandRangeEntry(350, 352, &Counter::OnRangeId),
        OnControlEntry(EN_UPDATE, 340, &Counter::OnUpdate),
        OnNotifyEntry(NM_RCLICK, 320, &Counter::OnNotified),
        OnMessageEntry(WM_APP + 5, &Counter::OnCustom),
        OnCommandEntry(330, &Counter::OnThrow),
    };
    static const MessageMap map{CDialog::GetMessageMap(), entries, std::size(entries)};
    return &map;
  }
};

TEST(MessageMap, RoutesCommandsRangesNotificationsAndMessagesAndChainsToTheBase) {
  const DialogTemplate t(WS_POPUP, 100, 50);
  Counter dlg(t.get());
  ASSERT_TRUE(dlg.CreateIndirect(t.get()));
  dlg.SendMessage(WM_COMMAND, 300, 0);
  dlg.SendMessage(WM_COMMAND, MAKEWPARAM(300, 1), 0);  // accelerator
  dlg.SendMessage(WM_COMMAND, MAKEWPARAM(300, EN_CHANGE), 0);  // not a click
  EXPECT_EQ(dlg.first, 2);
  for (UINT id : {309u, 310u, 313u, 315u, 316u}) dlg.SendMessage(WM_COMMAND, id, 0);
  EXPECT_EQ(dlg.range, 3);
  // A range whose handler is told the command, clicks and accelerators only.
  for (WPARAM w : {MAKEWPARAM(349, 0), MAKEWPARAM(351, 0), MAKEWPARAM(352, 1), MAKEWPARAM(350, EN_CHANGE),
                   MAKEWPARAM(353, 0)})
    dlg.SendMessage(WM_COMMAND, w, 0);
  EXPECT_EQ(dlg.rangeIds, (std::vector<UINT>{351, 352}));
  // A control's notification: its own code only, no click.
  for (WPARAM w : {MAKEWPARAM(340, EN_UPDATE), MAKEWPARAM(340, EN_CHANGE), MAKEWPARAM(340, 0),
                   MAKEWPARAM(341, EN_UPDATE)})
    dlg.SendMessage(WM_COMMAND, w, 0);
  EXPECT_EQ(dlg.updates, 1);

  NMHDR h{nullptr, 320, NM_RCLICK};
  dlg.SendMessage(WM_NOTIFY, 320, reinterpret_cast<LPARAM>(&h));
  // WM_NOTIFY results reach the sender through DWLP_MSGRESULT.
  EXPECT_EQ(dlg.notified, 1);
  EXPECT_EQ(::GetWindowLongPtrW(dlg, DWLP_MSGRESULT), 320);
  NMHDR other{nullptr, 321, NM_RCLICK};
  dlg.SendMessage(WM_NOTIFY, 321, reinterpret_cast<LPARAM>(&other));
  EXPECT_EQ(dlg.notified, 1);

  EXPECT_EQ(dlg.SendMessage(WM_APP + 5, 21, 0), 42);
  EXPECT_EQ(dlg.custom, 1);

  // IDOK comes from the base's map and calls the override.
  dlg.SendMessage(WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(dlg.okOverridden);

  // An exception stops at the window procedure; the dialog goes on.
  dlg.SendMessage(WM_COMMAND, 330, 0);
  dlg.SendMessage(WM_COMMAND, 300, 0);
  EXPECT_EQ(dlg.first, 3);

  // Modeless: IDCANCEL's default handling destroys the window.
  dlg.SendMessage(WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(dlg.m_hWnd, nullptr);
}

class Probe : public CButton {
 public:
  int moves = 0;
  bool preSubclassed = false;
  HWND seenAtPreSubclass = nullptr;

 protected:
  void PreSubclassWindow() override {
    preSubclassed = true;
    seenAtPreSubclass = m_hWnd;
  }
  void OnMouseMove(UINT flags, CPoint pt) override {
    ++moves;
    CButton::OnMouseMove(flags, pt);
  }
};

TEST(Subclassing, ControlsRouteTheirMessagesUntilTheyAreDestroyed) {
  const DialogTemplate t = ExchangeTemplate();
  ExchangeDialog dlg(t.get());
  ASSERT_TRUE(dlg.CreateIndirect(t.get()));
  Probe probe;
  {
    CDataExchange dx(&dlg, false);
    DDX_Control(&dx, IDOK, probe);
    DDX_Control(&dx, IDOK, probe);  // a second exchange keeps the binding
  }
  EXPECT_TRUE(probe.preSubclassed);
  EXPECT_EQ(probe.seenAtPreSubclass, dlg.Item(IDOK));
  EXPECT_EQ(CWnd::FromHandlePermanent(dlg.Item(IDOK)), &probe);
  EXPECT_EQ(CWnd::FromHandlePermanent(dlg), &dlg);
  EXPECT_EQ(CWnd::FromHandlePermanent(dlg.Item(IDCANCEL)), nullptr);
  probe.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(probe.moves, 1);
  dlg.DestroyWindow();
  EXPECT_EQ(probe.m_hWnd, nullptr);
  EXPECT_EQ(dlg.m_hWnd, nullptr);
}

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
