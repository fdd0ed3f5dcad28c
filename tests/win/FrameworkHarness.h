// The application object of the framework tests, with the dialogs they
// share: one that exchanges data with its controls, one that counts what
// its message map routes.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/App.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "tests/win/WinTestUtil.h"

namespace vsk::test {

inline CWinApp g_app;  // no name: the title is the executable's base name

struct AppNames : ::testing::Environment {
  void SetUp() override { g_app.InitNames(::GetModuleHandleW(nullptr)); }
};
// Registered once per executable, whichever files include this.
inline const auto* const g_names = ::testing::AddGlobalTestEnvironment(new AppNames);

enum : WORD { kCheck = 101, kRadio1, kRadio2, kRadio3, kAfterGroup, kName, kNumber, kByte };

inline DialogTemplate ExchangeTemplate() {
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

}  // namespace vsk::test
