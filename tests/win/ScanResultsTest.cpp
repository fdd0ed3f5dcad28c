// The main window after a scan in this process: the results menu, the
// rows' icons, the folder chooser cancelled, and the summary box.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/ResultsList.h"
#include "app/SummaryDialog.h"
#include "engine/scan/ScanRun.h"
#include "tests/win/ScanWindowHarness.h"

namespace vsk {
namespace {

namespace fs = std::filesystem;
using test::Looks;
using test::LooksOf;
using test::PrepareSamples;
using test::ProgramState;
using test::PumpUntil;
using test::RecordingPlayer;
using test::RowCount;
using test::RunMainWindow;
using test::ScriptedMainDialog;
using test::SetScanOptions;
using test::WorkerEnded;
using test::kSummaryTitle;

// The list's right click on row `row` (-1: below the rows) with the
// selection mark elsewhere; true when the menu of the actions opened (the
// one whose first item is the cure's submenu).
bool RightClickShowsMenu(ScriptedMainDialog& d, int row) {
  const HWND list = d.GetDlgItem(IDC_RESULTS);
  ::SendMessageW(list, LVM_SETSELECTIONMARK, 0, row + 1);
  bool actions = false;
  test::WhenShown closer(L"#32768", nullptr, [&](HWND menu) {
    actions = ::GetSubMenu(reinterpret_cast<HMENU>(::SendMessageW(menu, MN_GETHMENU, 0, 0)), 0);
    ::EndMenu();
  });
  NMITEMACTIVATE click{};
  click.hdr = {list, IDC_RESULTS, static_cast<UINT>(NM_RCLICK)};
  click.iItem = row;
  d.SendMessage(WM_NOTIFY, IDC_RESULTS, reinterpret_cast<LPARAM>(&click));
  return closer.done() && actions;
}

TEST(ScanWindow, TheMenuOpensOnVirusRowsOnlyAndItsCommandsActOnTheRow) {
  RecordingPlayer player;
  ProgramState program(&player);
  struct Step {
    const char* file;
    UINT command;
    const wchar_t* text;
    int wave;
  };
  const Step steps[] = {
      {"com/hello.com", ID_CURE_OR_DELETE, L"Вылечен", wave::kCured},
      {"dos/dosprog.exe", ID_CURE_OR_RENAME, L"Вылечен", wave::kCured},
      {"companion/game.exe", ID_CURE_OR_MOVE, L"Вылечен", wave::kCured},
      {"win/winprog.exe", ID_MOVE_TO_QUARANTINE, L"Перемещён", wave::kMoved},
      {"avtest.com", ID_DELETE_INFECTED, L"Удалён", wave::kDeleted},
      {"dropper.bin", ID_RENAME_INFECTED, L"Переименован", wave::kRenamed},
  };
  std::vector<std::wstring> texts, failures;
  std::vector<std::vector<int>> waves;
  std::vector<test::MessageBoxAnswerer::Shown> questions;
  bool menuWithoutSelection = true;
  int okRowsWithMenu = 0, virusRowsWithMenu = 0, actedRowsWithMenu = 0;
  fs::path folder;
  test::TempDir elsewhere;
  RunMainWindow(program.state, [&](ScriptedMainDialog& d) {
    folder = PrepareSamples(program.state, 1, 0, 0);
    // The quarantine stays in the data folder.
    fs::current_path(elsewhere.path());
    d.StartScan(folder.wstring());
    ASSERT_TRUE(PumpUntil([&] { return WorkerEnded(d); }));
    // The list as the window keeps it, attached to its control.
    auto& list = *static_cast<CListCtrl*>(CWnd::FromHandlePermanent(d.GetDlgItem(IDC_RESULTS)));
    menuWithoutSelection = RightClickShowsMenu(d, -1);
    auto rowOf = [&](const char* file) {
      const std::wstring path = (folder / fs::path(file).make_preferred()).wstring();
      for (int i = 0; i < list.GetItemCount(); ++i)
        if (list.GetItemText(i, 0) == path) return i;
      return -1;
    };
    for (int i = 0; i < list.GetItemCount(); ++i) {
      const bool menu = RightClickShowsMenu(d, i);
      (list.GetItemText(i, 1) == L"OK" ? okRowsWithMenu : virusRowsWithMenu) += menu;
    }
    player.TakePlayed();
    test::MessageBoxAnswerer answerer;  // OK to the delete question
    for (const Step& step : steps) {
      const int row = rowOf(step.file);
      if (row < 0 || !RightClickShowsMenu(d, row)) {
        failures.push_back(FromUtf8(step.file));
        continue;
      }
      d.SendMessage(WM_COMMAND, step.command);
      texts.push_back(list.GetItemText(row, 1));
      waves.push_back(player.TakePlayed());
      actedRowsWithMenu += RightClickShowsMenu(d, row);
    }
    questions = answerer.shown;
    // The files as the actions left them: the cures restored the programs.
    const fs::path work = folder.parent_path();
    for (const char* name : {"com/hello.com", "dos/dosprog.exe", "companion/game.exe"}) {
      const std::string clean = test::ReadBytes(work / "clean" / fs::path(name).filename());
      EXPECT_FALSE(clean.empty()) << name;
      EXPECT_EQ(test::ReadBytes(folder / name), clean) << name;
    }
    EXPECT_FALSE(fs::exists(folder / "companion" / "game.OVL"));
    EXPECT_FALSE(fs::exists(folder / "win" / "winprog.exe"));
    EXPECT_TRUE(fs::exists(work / "!!!Infected" / "winprog.exe"));
    EXPECT_FALSE(fs::exists(folder / "avtest.com"));
    EXPECT_FALSE(fs::exists(folder / "dropper.bin"));
    EXPECT_TRUE(fs::exists(folder / "dropper.#in"));
    d.SendMessage(WM_COMMAND, IDC_EXIT);
  });
  EXPECT_FALSE(menuWithoutSelection);
  EXPECT_EQ(okRowsWithMenu, 0);
  EXPECT_EQ(virusRowsWithMenu, 6);
  EXPECT_TRUE(failures.empty());
  ASSERT_EQ(texts.size(), std::size(steps));
  for (size_t i = 0; i < std::size(steps); ++i) {
    EXPECT_EQ(texts[i], steps[i].text) << steps[i].file;
    EXPECT_EQ(waves[i], std::vector<int>{steps[i].wave}) << steps[i].file;
  }
  EXPECT_EQ(actedRowsWithMenu, 0) << "a result text has no menu";
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0].caption, L"Предупреждение");
  EXPECT_EQ(questions[0].text, L"Вы действительно хотите удалить эти файлы?\n" +
                                 (folder / "avtest.com").wstring());

}

// Cancels the folder chooser from inside its loop, noting whether it showed
// the title.
struct ChooserCanceller {
  static inline bool sawTitle = false;
  static inline HWND main = nullptr;
  UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &Tick);
  ~ChooserCanceller() { ::KillTimer(nullptr, timer); }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    ::EnumThreadWindows(::GetCurrentThreadId(), &Visit, 0);
  }
  static BOOL CALLBACK Visit(HWND wnd, LPARAM) {
    if (wnd == main || !::IsWindowVisible(wnd)) return TRUE;
    ::EnumChildWindows(wnd, [](HWND child, LPARAM) -> BOOL {
      if (test::WindowText(child) == kChooseFolderTitle) sawTitle = true;
      return TRUE;
    }, 0);
    ::PostMessageW(wnd, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
  }
};

TEST(ScanWindow, CancellingTheFolderChooserLeavesTheListAndTheLookAsTheyWere) {
  RecordingPlayer player;
  ProgramState program(&player);
  int rowsBefore = -1, rowsAfter = -1;
  Looks after{};
  RunMainWindow(program.state, [&](ScriptedMainDialog& d) {
    PrepareSamples(program.state, 0, 0, 0);
    d.StartScan((fs::current_path() / "samples").wstring());
    ASSERT_TRUE(PumpUntil([&] { return WorkerEnded(d); }));
    rowsBefore = RowCount(d);
    player.TakePlayed();
    {
      ChooserCanceller::main = d.m_hWnd;
      ChooserCanceller::sawTitle = false;
      ChooserCanceller canceller;
      d.SendMessage(WM_COMMAND, IDC_SCAN);
    }
    rowsAfter = RowCount(d);
    after = LooksOf(d);
    d.SendMessage(WM_COMMAND, IDC_EXIT);
  });
  EXPECT_TRUE(ChooserCanceller::sawTitle) << "the chooser shows its title";
  EXPECT_EQ(rowsBefore, 6);
  EXPECT_EQ(rowsAfter, 6);
  EXPECT_EQ(after.caption, L"Проверить");
  EXPECT_TRUE(after.settingsEnabled);
  EXPECT_EQ(player.TakePlayed(), (std::vector<int>{wave::kClick, wave::kClick, wave::kClosing}))
      << "the start click, then the exit's click and closing sound";
}

// A program among many of its type: its own icon is asked for once its
// row is shown, and rows never shown are never looked up. (Wine 8 gives
// every file the system list's first icon; the lookups are tested natively.)
TEST(ScanWindow, OnlyTheRowsShownHaveTheirOwnIconsLookedUp) {
  RecordingPlayer player;
  ProgramState program(&player);
  test::TempDir dir;
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  fs::copy_file(self, dir / "own.exe");
  for (int i = 0; i < 60; ++i) test::WriteBytes(dir / ("plain" + std::to_string(i) + ".exe"), "MZ");
  bool ownAsked = false;
  int asked = 0, perPage = 0;
  RunMainWindow(program.state, [&](ScriptedMainDialog& d) {
    SetScanOptions(program.state, 1, 0, 0);
    d.StartScan(dir.path().wstring());
    ASSERT_TRUE(PumpUntil([&] { return WorkerEnded(d); }));
    test::PumpMessages();
    const HWND hwnd = d.GetDlgItem(IDC_RESULTS);
    auto& list = *static_cast<CResultsList*>(CWnd::FromHandlePermanent(hwnd));
    int own = 0;
    while (own < list.GetItemCount() && list.GetItemText(own, 0) != (dir / "own.exe").wstring()) ++own;
    ::SendMessageW(hwnd, LVM_ENSUREVISIBLE, static_cast<WPARAM>(own), FALSE);
    ::UpdateWindow(hwnd);
    ownAsked = list.Icons()->Asked(static_cast<size_t>(own));
    perPage = static_cast<int>(::SendMessageW(hwnd, LVM_GETCOUNTPERPAGE, 0, 0));
    for (size_t i = 0; i < list.Icons()->Count(); ++i) asked += list.Icons()->Asked(i);
    d.SendMessage(WM_COMMAND, IDC_EXIT);
  });
  EXPECT_TRUE(ownAsked);
  EXPECT_LE(asked, 2 * (perPage + 1)) << "the first page and the program's, of 61 rows";
}

// The box's numbers, and how much red its animation shows.
struct SummaryLook {
  std::wstring files, viruses, seconds;
  int red = 0;
};
class LookingSummary : public CSummaryDialog {
 public:
  SummaryLook look;

 protected:
  BOOL OnInitDialog() override {
    const BOOL result = CSummaryDialog::OnInitDialog();
    SetTimer(1, 600);
    return result;
  }
  void OnTimer(UINT_PTR) override {
    KillTimer(1);
    look.files = test::WindowText(GetDlgItem(IDC_FILES_CHECKED));
    look.viruses = test::WindowText(GetDlgItem(IDC_VIRUSES_FOUND));
    look.seconds = test::WindowText(GetDlgItem(IDC_SCAN_TIME));
    RECT r{};
    ::GetWindowRect(GetDlgItem(IDC_ANIMATION), &r);
    HDC screen = ::GetDC(nullptr);
    for (int y = r.top; y < r.bottom; y += 2)
      for (int x = r.left; x < r.right; x += 2) {
        const COLORREF c = ::GetPixel(screen, x, y);
        look.red += GetRValue(c) > 150 && GetGValue(c) < 100;
      }
    ::ReleaseDC(nullptr, screen);
    EndDialog(IDOK);
  }
};

TEST(SummaryDialog, UnsignedNumbersAndTheClipThatTellsWhetherVirusesWereFound) {
  AfxGetApp()->InitNames(::GetModuleHandleW(nullptr));
  LookingSummary infected;
  EXPECT_EQ(infected.ShowSummary(4294967295u, 3, 0), IDOK);
  EXPECT_EQ(infected.look.files, L"4294967295");
  EXPECT_EQ(infected.look.viruses, L"3");
  EXPECT_EQ(infected.look.seconds, L"0");
  LookingSummary clean;
  clean.ShowSummary(12, 0, 75);
  EXPECT_EQ(clean.look.viruses, L"0");
  EXPECT_EQ(clean.look.seconds, L"75");
  // The infected clip is the shield flashing red; the clean one has no red.
  EXPECT_GT(infected.look.red, 50);
  EXPECT_LT(clean.look.red * 4, infected.look.red);
}

}  // namespace
}  // namespace vsk
