// The database editor created modeless on a database file of its own, with
// helpers that type into its boxes and press its buttons.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/DatabaseDialog.h"
#include "res/resource.h"
#include "tests/TestUtil.h"
#include "tests/win/WinTestUtil.h"

namespace vsk::test {

inline constexpr COLORREF kSkin = RGB(42, 255, 202);
inline constexpr wchar_t kTitle[] = L"Вирусная база данных.";

inline std::vector<Sig> Records(int n) {
  std::vector<Sig> sigs;
  for (int i = 0; i < n; ++i) {
    std::string name = std::to_string(i);
    name.insert(0, 1, 'V');
    sigs.push_back({name, std::string(3, static_cast<char>('a' + i % 20))});
  }
  return sigs;
}

class DatabaseDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_.WriteProfileInt(kOptionsSection, L"Sound", 1);
    profile_.WriteProfileInt(kOptionsSection, L"TextInButton", 0);
  }
  void TearDown() override {
    if (dialog_ && dialog_->m_hWnd) dialog_->DestroyWindow();
  }

  void Open(const std::string& image) {
    WriteBytes(db_, image);
    dialog_ = std::make_unique<CDatabaseDialog>(profile_, player_, messages_, db_);
    ASSERT_TRUE(dialog_->Create(IDD_DATABASE_DIALOG));
    dialog_->ShowWindow(SW_SHOW);
    ::SetForegroundWindow(*dialog_);
    PumpMessages();
  }
  HWND Item(int id) { return dialog_->GetDlgItem(id); }
  CWnd& Wnd(int id) { return *CWnd::FromHandlePermanent(Item(id)); }
  CHexEdit& Hex() { return static_cast<CHexEdit&>(Wnd(IDC_SIGNATURE)); }
  CImageButton& Button(int id) { return static_cast<CImageButton&>(Wnd(id)); }
  std::wstring Text(int id) {
    wchar_t buf[128] = {};
    ::GetWindowTextW(Item(id), buf, 128);
    return buf;
  }
  // What a user does: focus the box, select its text, type over it.
  void TypeInto(int id, const std::wstring& text) {
    HWND box = Item(id);
    ::SetFocus(box);
    ::SendMessageW(box, EM_SETSEL, 0, -1);
    if (text.empty()) ::SendMessageW(box, WM_CHAR, VK_BACK, 1);
    for (wchar_t c : text) ::SendMessageW(box, WM_CHAR, c, 1);
  }
  void TypeHex(const std::wstring& digits) {
    ::SetFocus(Item(IDC_SIGNATURE));
    for (wchar_t c : digits) ::SendMessageW(Item(IDC_SIGNATURE), WM_CHAR, c, 1);
  }
  void Press(int id) {
    ::SendMessageW(Item(id), BM_CLICK, 0, 0);
    PumpMessages();
  }
  std::vector<std::wstring> BoxTexts(const MessageBoxAnswerer& a) {
    std::vector<std::wstring> t;
    for (const auto& s : a.shown) t.push_back(s.text);
    return t;
  }

  TempDir dir_;
  std::filesystem::path db_ = dir_ / "VirusBase.vbf";
  IniProfile profile_{dir_ / "Vireskand.INI"};
  RecordingPlayer player_;
  RecordingMessages messages_;
  std::unique_ptr<CDatabaseDialog> dialog_;
};

}  // namespace vsk::test
