// The results list under real mouse and keyboard input: the rows a right
// click takes, a click that edits no label, actions on many rows at once,
// and the path tooltip.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/scan/FolderWalk.h"
#include "tests/win/RealInput.h"
#include "tests/win/ScanWindowHarness.h"

namespace vsk {
namespace {

namespace fs = std::filesystem;
using test::ClickRow;
using test::ProgramState;
using test::PumpUntil;
using test::RecordingPlayer;
using test::RunMainWindow;
using test::ScriptedMainDialog;
using test::WorkerEnded;

struct ListRows {
  CListCtrl& list;
  HWND hwnd;
  fs::path folder;
  // The row of `file`, or the first one under the folder `file`.
  int Of(const char* file) const {
    const std::wstring path = (folder / fs::path(file).make_preferred()).wstring();
    for (int i = 0; i < list.GetItemCount(); ++i)
      if (list.GetItemText(i, 0).rfind(path, 0) == 0) return i;
    return -1;
  }
  std::wstring Result(const char* file) const { return list.GetItemText(Of(file), 1); }
  std::vector<int> Selected() const {
    std::vector<int> rows;
    for (int i = -1; (i = static_cast<int>(::SendMessageW(hwnd, LVM_GETNEXTITEM, i, LVNI_SELECTED))) >= 0;)
      rows.push_back(i);
    return rows;
  }
};

// A real right click on `row`; true when the menu opened. The menu is closed
// again; its command is then sent as the menu would.
bool RightClickMenu(const ListRows& rows, int row) {
  test::WhenShown closer(L"#32768", nullptr, [](HWND) { ::EndMenu(); });
  EXPECT_TRUE(ClickRow(rows.hwnd, row, 3));
  PumpUntil([&] { return closer.done(); }, std::chrono::seconds(3));
  return closer.done();
}

// The visible tooltip of this thread, or null.
HWND ShownToolTip() {
  HWND found = nullptr;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND w, LPARAM l) -> BOOL {
        wchar_t cls[64] = {};
        ::GetClassNameW(w, cls, 64);
        if (wcscmp(cls, TOOLTIPS_CLASSW) == 0 && ::IsWindowVisible(w)) *reinterpret_cast<HWND*>(l) = w;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

TEST(ResultsInput, ARightClickTakesTheRowUnderThePointerOrTheSelectionAndThePointerShowsThePath) {
  RecordingPlayer player;
  ProgramState program(&player);
  RunMainWindow(program.state, [&](ScriptedMainDialog& d) {
    // The samples with OK rows, and an infected file deep down.
    const fs::path folder = test::PrepareSamples(program.state, 1, 0, 0);
    fs::path deep = folder / "deep";
    for (const char* part : {"Документы и отчёты за прошлый год", "черновики", "вложения из почты"})
      deep /= PathFromText(FromUtf8(part));
    fs::create_directories(deep);
    fs::copy_file(folder / "avtest.com", deep / "avtest-copy.com");
    d.StartScan(folder.wstring());
    ASSERT_TRUE(PumpUntil([&] { return WorkerEnded(d); }));
    test::PumpMessages();
    const HWND hwnd = d.GetDlgItem(IDC_RESULTS);
    ListRows rows{*static_cast<CListCtrl*>(CWnd::FromHandlePermanent(hwnd)), hwnd, folder};
    const int winprog = rows.Of("win/winprog.exe"), dosprog = rows.Of("dos/dosprog.exe");
    const int hello = rows.Of("com/hello.com"), game = rows.Of("companion/game.exe");
    int ok = -1;
    for (int i = 0; i < rows.list.GetItemCount() && ok < 0; ++i)
      if (rows.list.GetItemText(i, 1) == L"OK") ok = i;
    ASSERT_TRUE(winprog >= 0 && dosprog >= 0 && hello >= 0 && game >= 0 && ok >= 0);

    // The selection and its mark on winprog; the click lands on dosprog.
    ASSERT_TRUE(ClickRow(rows.hwnd, winprog, 1));
    ASSERT_TRUE(RightClickMenu(rows, dosprog));
    EXPECT_EQ(rows.Selected(), std::vector<int>{dosprog}) << "the row clicked is the selection alone";
    player.TakePlayed();
    d.SendMessage(WM_COMMAND, ID_RENAME_INFECTED);
    EXPECT_EQ(rows.Result("dos/dosprog.exe"), L"Переименован");
    EXPECT_NE(rows.Result("win/winprog.exe"), L"Переименован");
    EXPECT_TRUE(fs::exists(rows.folder / "win" / "winprog.exe"));

    // Three rows by Ctrl+click, one of them clean: the two infected ones are
    // renamed, with one sound.
    ASSERT_TRUE(ClickRow(rows.hwnd, hello, 1));
    // A further click on the selected row, once past a double click, edits
    // nothing (the path tip under the pointer would take it): renaming is
    // the menu's.
    ::Sleep(::GetDoubleClickTime() + 100);
    if (const HWND tip = ShownToolTip()) ::SendMessageW(tip, TTM_POP, 0, 0);
    ASSERT_TRUE(ClickRow(rows.hwnd, hello, 1));
    PumpUntil([] { return false; }, std::chrono::milliseconds(::GetDoubleClickTime() * 2));
    EXPECT_EQ(::SendMessageW(rows.hwnd, LVM_GETEDITCONTROL, 0, 0), 0) << "no label edit";
    ASSERT_TRUE(ClickRow(rows.hwnd, ok, 1, L"ctrl"));
    ASSERT_TRUE(ClickRow(rows.hwnd, game, 1, L"ctrl"));
    ASSERT_TRUE(RightClickMenu(rows, ok));
    EXPECT_EQ(rows.Selected().size(), 3u);
    player.TakePlayed();
    d.SendMessage(WM_COMMAND, ID_RENAME_INFECTED);
    EXPECT_EQ(rows.Result("com/hello.com"), L"Переименован");
    EXPECT_EQ(rows.Result("companion/game.exe"), L"Переименован");
    EXPECT_EQ(rows.list.GetItemText(ok, 1), L"OK");
    EXPECT_EQ(player.TakePlayed(), std::vector<int>{wave::kRenamed});

    // Ctrl+A, then a delete of the three infected rows left: one question
    // naming their number, and the two files changed since the scan in one
    // box at the end.
    ASSERT_TRUE(ClickRow(rows.hwnd, winprog, 1));
    ASSERT_TRUE(test::Xdo(L"key ctrl+a"));
    EXPECT_TRUE(PumpUntil([&] { return static_cast<int>(rows.Selected().size()) == rows.list.GetItemCount(); },
                          std::chrono::seconds(3)))
        << "Ctrl+A";
    test::WriteBytes(rows.folder / "avtest.com", "clean now");
    test::WriteBytes(rows.folder / "dropper.bin", "clean too");
    ASSERT_TRUE(RightClickMenu(rows, ok));
    test::MessageBoxAnswerer answerer;
    d.SendMessage(WM_COMMAND, ID_DELETE_INFECTED);
    ASSERT_EQ(answerer.shown.size(), 2u);
    EXPECT_EQ(answerer.shown[0].text, L"Вы действительно хотите удалить эти файлы?\nФайлов: 4");
    EXPECT_NE(answerer.shown[1].text.find((rows.folder / "avtest.com").wstring()), std::wstring::npos);
    EXPECT_NE(answerer.shown[1].text.find((rows.folder / "dropper.bin").wstring()), std::wstring::npos);
    EXPECT_EQ(rows.Result("win/winprog.exe"), L"Удалён");
    EXPECT_TRUE(fs::exists(rows.folder / "avtest.com")) << "a changed file is left alone";

    // The pointer on the deep row shows its whole path (no row selected, so
    // that a picture shows the rows' own colours).
    LVITEMW none{};
    none.stateMask = LVIS_SELECTED;
    ::SendMessageW(hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    const int row = rows.Of("deep");
    ::SendMessageW(hwnd, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    const POINT p = test::RowPoint(hwnd, row);
    // One move from the row of the last right click, whose tip was up: the
    // tip must come back with the new text without a further move.
    test::Xdo(L"mousemove " + std::to_wstring(p.x) + L" " + std::to_wstring(p.y));
    ASSERT_TRUE(PumpUntil([&] { return ShownToolTip() != nullptr; }, std::chrono::seconds(15)));
    EXPECT_EQ(test::WindowText(ShownToolTip()), (deep / "avtest-copy.com").wstring());
    // VSK_SCREENSHOT=/unix/path.png keeps a picture of the screen with the tip.
    wchar_t shot[MAX_PATH] = {};
    if (::GetEnvironmentVariableW(L"VSK_SCREENSHOT", shot, MAX_PATH))
      test::RunUnixTool(L"import -window root " + std::wstring(shot));
    d.SendMessage(WM_COMMAND, IDC_EXIT);
  });
}

}  // namespace
}  // namespace vsk
