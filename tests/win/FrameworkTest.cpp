// The framework's dialogs under Wine: data exchange, the modal loop,
// message maps and subclassed controls.
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

}  // namespace
}  // namespace vsk
