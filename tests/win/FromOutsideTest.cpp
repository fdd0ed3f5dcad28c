// The main window and what comes from outside it: a folder dropped on it
// is scanned (and refused during a scan or when several come at once), and
// the selected rows' paths go to the clipboard.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/FileCommands.h"
#include "tests/win/ScanWindowHarness.h"

namespace vsk {
namespace {

namespace fs = std::filesystem;
using test::MessageBoxAnswerer;
using test::ProgramState;
using test::PumpUntil;
using test::RecordingPlayer;
using test::RowCount;
using test::RunMainWindow;
using test::ScriptedMainDialog;
using test::WorkerEnded;

// A drop of `paths` as the shell makes it: DROPFILES, then the wide paths,
// each ending in NUL, and one more NUL. The receiver frees it.
WPARAM DropOf(const std::vector<std::wstring>& paths) {
  size_t units = 1;
  for (const std::wstring& p : paths) units += p.size() + 1;
  HGLOBAL memory = ::GlobalAlloc(GHND, sizeof(DROPFILES) + units * sizeof(wchar_t));
  auto* drop = static_cast<DROPFILES*>(::GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  auto* at = reinterpret_cast<wchar_t*>(drop + 1);
  for (const std::wstring& p : paths) {
    std::memcpy(at, p.c_str(), (p.size() + 1) * sizeof(wchar_t));
    at += p.size() + 1;
  }
  ::GlobalUnlock(memory);
  return reinterpret_cast<WPARAM>(memory);
}

std::wstring ClipboardText() {
  std::wstring text;
  if (!::OpenClipboard(nullptr)) return text;
  if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* units = static_cast<const wchar_t*>(::GlobalLock(data))) text = units;
    ::GlobalUnlock(data);
  }
  ::CloseClipboard();
  return text;
}

TEST(FromOutside, ADroppedFolderIsScannedOnlyWhenIdleAndOneAtATime) {
  RecordingPlayer player;
  ProgramState program(&player);
  MessageBoxAnswerer answers;
  int rows = 0, rowsAfterRefusals = 0;
  std::wstring firstRow, thirdRow;
  std::vector<std::wstring> copied;
  RunMainWindow(program.state, [&](ScriptedMainDialog& d) {
    const fs::path folder = test::PrepareSamples(program.state, 0, 0, 0);
    d.SendMessage(WM_DROPFILES, DropOf({folder.wstring()}));
    // A short run may start and end within one turn of the loop.
    PumpUntil([&] { return RowCount(d) > 0 && WorkerEnded(d) && !program.state.scan.IsRunning(); });
    rows = RowCount(d);

    d.SendMessage(WM_DROPFILES, DropOf({folder.wstring(), (folder / "com").wstring()}));
    program.state.scan.Start();  // as while a run goes on
    d.SendMessage(WM_DROPFILES, DropOf({folder.wstring()}));
    program.state.scan.Stop();
    test::PumpMessages();
    rowsAfterRefusals = RowCount(d);

    // "Копировать путь" on a right click on row 0: the row alone, then
    // with rows 0 and 2 selected both, a line each.
    const HWND list = d.GetDlgItem(IDC_RESULTS);
    auto& results = *static_cast<CListCtrl*>(CWnd::FromHandlePermanent(list));
    firstRow = results.GetItemText(0, 0);
    thirdRow = results.GetItemText(2, 0);
    for (int selected : {0, 2}) {
      LVITEMW item{};
      item.stateMask = item.state = LVIS_SELECTED;
      ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(&item));
      test::WhenShown closer(L"#32768", nullptr, [](HWND) { ::EndMenu(); });
      NMITEMACTIVATE click{};
      click.hdr = {list, IDC_RESULTS, static_cast<UINT>(NM_RCLICK)};
      d.SendMessage(WM_NOTIFY, IDC_RESULTS, reinterpret_cast<LPARAM>(&click));
      d.SendMessage(WM_COMMAND, ID_COPY_PATH);
      copied.push_back(ClipboardText());
    }
    d.SendMessage(WM_COMMAND, IDC_EXIT);
  });
  EXPECT_EQ(rows, 6) << "the samples' infected files";
  EXPECT_EQ(rowsAfterRefusals, rows) << "no other run started";
  ASSERT_EQ(answers.shown.size(), 2u);
  EXPECT_EQ(answers.shown[0].text, kDropOneItem);
  EXPECT_EQ(answers.shown[1].text, kFinishScanFirst);
  EXPECT_FALSE(firstRow.empty());
  EXPECT_EQ(copied, (std::vector<std::wstring>{firstRow, firstRow + L"\r\n" + thirdRow}));
}

}  // namespace
}  // namespace vsk
