// The quarantine dialog over a stocked quarantine: what it lists and where
// it says the folder is, and the files its buttons put back or delete,
// checked on disk; and that the results list's menu opens it.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/QuarantineDialog.h"
#include "engine/text/Encoding.h"
#include "res/resource.h"
#include "tests/QuarantineStock.h"
#include "tests/win/MainWindowHarness.h"
#include "tests/win/WinTestUtil.h"

namespace vsk {
namespace {

namespace fs = std::filesystem;
using test::MessageBoxAnswerer;
using test::ReadBytes;
using test::RecordingPlayer;
using test::StockQuarantine;
using test::TempDir;
using test::WhenShown;
using test::WindowText;

std::vector<std::wstring> Column(HWND list, int column) {
  std::vector<std::wstring> texts;
  const int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) {
    wchar_t text[512] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 512;
    ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    texts.push_back(text);
  }
  return texts;
}

void Choose(HWND list, const std::vector<int>& rows) {
  LVITEMW none{};
  none.stateMask = LVIS_SELECTED;
  ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  for (int row : rows) {
    LVITEMW item{};
    item.stateMask = item.state = LVIS_SELECTED;
    ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  }
}

TEST(QuarantineDialogTest, ListsRestoresAndPurgesTheChosenFiles) {
  TempDir work, dir;
  StockQuarantine(work.path(), "a.exe", "first", dir / "a" / "a.exe", L"Alpha");
  StockQuarantine(work.path(), "b.com", std::string(2048, 'b'), dir / "b.com", L"Beta");
  StockQuarantine(work.path(), "c.exe", "third", dir / "c.exe", L"Gamma");
  const fs::path stored = work / "!!!Infected";
  Options options = DefaultOptions();
  options.Sound = 0;
  RecordingPlayer player;

  std::wstring folderText, countAfter;
  std::vector<std::wstring> originals, afterRestore, afterPurge;
  bool restored = false;
  std::vector<MessageBoxAnswerer::Shown> boxes;
  WhenShown driver(L"#32770", kQuarantineTitle, [&](HWND dlg) {
    const HWND list = ::GetDlgItem(dlg, IDC_QUARANTINE_LIST);
    folderText = WindowText(::GetDlgItem(dlg, IDC_QUARANTINE_PATH));
    originals = Column(list, 0);

    Choose(list, {0, 2});
    ::SendMessageW(::GetDlgItem(dlg, IDC_RESTORE), BM_CLICK, 0, 0);
    restored = ReadBytes(dir / "a" / "a.exe") == "first" && ReadBytes(dir / "c.exe") == "third" &&
               !fs::exists(stored / "a.exe") && !fs::exists(stored / "c.exe");
    afterRestore = Column(list, 1);

    MessageBoxAnswerer answers;  // OK to the question
    Choose(list, {0});
    ::SendMessageW(::GetDlgItem(dlg, IDC_PURGE), BM_CLICK, 0, 0);
    boxes = answers.shown;
    afterPurge = Column(list, 1);
    countAfter = WindowText(::GetDlgItem(dlg, IDC_QUARANTINE_COUNT));
    ::PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
  });
  CQuarantineDialog dlg(work.path(), options, player);
  dlg.DoModal();

  ASSERT_TRUE(driver.done());
  EXPECT_EQ(folderText, fs::absolute(stored).wstring());
  EXPECT_EQ(originals, (std::vector<std::wstring>{PathText(dir / "a" / "a.exe"), PathText(dir / "b.com"),
                                                   PathText(dir / "c.exe")}));
  EXPECT_TRUE(restored);
  EXPECT_EQ(afterRestore, std::vector<std::wstring>{L"Beta"});
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, L"Предупреждение");
  EXPECT_NE(boxes[0].text.find(PathText(dir / "b.com")), std::wstring::npos) << boxes[0].text;
  EXPECT_FALSE(fs::exists(stored / "b.com"));
  EXPECT_FALSE(fs::exists(dir / "b.com"));
  EXPECT_TRUE(afterPurge.empty());
  EXPECT_EQ(countAfter, L"Карантин пуст.");
}

// The list's free space has a menu of its own, which opens the quarantine
// of the data folder, wherever the working folder has gone.
TEST(QuarantineDialogTest, TheResultsListsMenuOpensItOnTheDataFolder) {
  bool opened = false;
  TempDir elsewhere;
  fs::path data;
  std::wstring folderText;
  test::RunMainWindow([&](test::ScriptedMainDialog& d) {
    data = fs::current_path();
    fs::current_path(elsewhere.path());  // as a file dialog may leave it
    WhenShown dialog(L"#32770", kQuarantineTitle, [&](HWND dlg) {
      folderText = WindowText(::GetDlgItem(dlg, IDC_QUARANTINE_PATH));
      ::PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    });
    WhenShown menu(L"#32768", nullptr, [](HWND m) {
      ::PostMessageW(m, WM_KEYDOWN, VK_DOWN, 0);
      ::PostMessageW(m, WM_KEYDOWN, VK_RETURN, 0);
    });
    NMHDR header{d.GetDlgItem(IDC_RESULTS), IDC_RESULTS, static_cast<UINT>(NM_RCLICK)};
    d.SendMessage(WM_NOTIFY, IDC_RESULTS, reinterpret_cast<LPARAM>(&header));
    test::PumpMessages();
    opened = dialog.done();
    d.SendMessage(WM_COMMAND, IDC_EXIT);
  });
  EXPECT_TRUE(opened);
  EXPECT_EQ(folderText, (data / "!!!Infected").wstring());
}

}  // namespace
}  // namespace vsk
