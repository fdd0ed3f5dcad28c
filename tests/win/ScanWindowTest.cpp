// Scans run from the main window in this process: the scanning and idle
// looks, stopping, the exit refusal, the summary box and the results menu.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/MainDialog.h"
#include "app/SummaryDialog.h"
#include "engine/scan/ScanRun.h"
#include "res/resource.h"
#include "tests/TestUtil.h"
#include "tests/win/MainWindowHarness.h"
#include "tests/win/WinTestUtil.h"
#include "tools/Samples.h"

namespace vsk {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::ProgramState;
using test::RecordingPlayer;
using test::RunMainWindow;
using test::ScriptedMainDialog;

// Serves this thread's messages until `done` or the limit.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 20s) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    test::PumpMessages();
    ::Sleep(5);
  }
  return true;
}

// The settings of a test run.
void SetScanOptions(AppState& state, int fileOk, int report, int reportToFile) {
  Options& o = state.options;
  o.Sound = 1;
  o.SubDir = 1;
  o.FileOk = fileOk;
  o.Report = report;
  o.ReportToFile = reportToFile;
  o.ReportFileName = L"report.txt";
  o.ReportFileMode = 0;
  o.Priority = 0;
}

// The bundled samples in the working folder and the settings of a test run.
fs::path PrepareSamples(AppState& state, int fileOk, int report, int reportToFile) {
  const fs::path folder = fs::current_path();
  EXPECT_EQ(samples::WriteSampleSet(state.table, folder), L"");
  SetScanOptions(state, fileOk, report, reportToFile);
  return folder / "samples";
}

bool WorkerEnded(ScriptedMainDialog& d) {
  return d.ScanThread() == nullptr || ::WaitForSingleObject(d.ScanThread(), 0) == WAIT_OBJECT_0;
}

constexpr wchar_t kSummaryTitle[] = L"Отчёт о проверке.";

struct Looks {
  std::wstring caption;
  bool scanEnabled, settingsEnabled, databaseEnabled;
  std::wstring status;
};
Looks LooksOf(ScriptedMainDialog& d) {
  auto enabled = [&](int id) { return ::IsWindowEnabled(d.GetDlgItem(id)) != FALSE; };
  return {test::WindowText(d.GetDlgItem(IDC_SCAN)), enabled(IDC_SCAN), enabled(IDC_SETTINGS),
          enabled(IDC_DATABASE), test::WindowText(d.GetDlgItem(IDC_STATUS))};
}

int RowCount(ScriptedMainDialog& d) {
  return static_cast<int>(::SendDlgItemMessageW(d.m_hWnd, IDC_RESULTS, LVM_GETITEMCOUNT, 0, 0));
}

TEST(ScanWindow, AConfirmedStopKeepsTheRowsSoFarThenTheSummaryAndTheReportFollow) {
  RecordingPlayer player;
  ProgramState program(&player);
  std::vector<test::MessageBoxAnswerer::Shown> questions;
  Looks scanning{}, stopped{}, ended{};
  int priority = 99, rowsAtStop = -1, rowsAtEnd = -1;
  std::wstring files, viruses;
  bool summaryBeforeReport = false;
  std::string report;
  RunMainWindow(program.state, [&](ScriptedMainDialog& d) {
    const fs::path folder = PrepareSamples(program.state, 0, 1, 1);
    player.HoldAt(wave::kVirusFound);
    d.StartScan(folder.wstring());
    scanning = LooksOf(d);
    priority = ::GetThreadPriority(d.ScanThread());
    ASSERT_TRUE(PumpUntil([&] { return player.Held(); }));
    // The row queued before the wave, at the window's next applying.
    PumpUntil([&] { return RowCount(d) > 0; });
    rowsAtStop = RowCount(d);
    {
      test::MessageBoxAnswerer answerer;  // OK
      d.SendMessage(WM_COMMAND, IDC_SCAN);
      questions = answerer.shown;
    }
    stopped = LooksOf(d);
    // The summary runs its own loop on this thread.
    test::WhenShown reader(nullptr, kSummaryTitle, [&](HWND summary) {
      files = test::WindowText(::GetDlgItem(summary, IDC_FILES_CHECKED));
      viruses = test::WindowText(::GetDlgItem(summary, IDC_VIRUSES_FOUND));
      summaryBeforeReport = !fs::exists("report.txt");
      ::PostMessageW(summary, WM_COMMAND, IDOK, 0);
    });
    player.Release();
    ASSERT_TRUE(PumpUntil([&] { return WorkerEnded(d); }));
    EXPECT_TRUE(reader.done());
    test::PumpMessages();  // the worker's last word
    ended = LooksOf(d);
    rowsAtEnd = RowCount(d);
    report = test::ReadBytes("report.txt");
    d.SendMessage(WM_COMMAND, IDC_EXIT);
  });
  EXPECT_EQ(scanning.caption, L"Остановить");
  EXPECT_FALSE(scanning.settingsEnabled);
  EXPECT_FALSE(scanning.databaseEnabled);
  EXPECT_EQ(priority, THREAD_PRIORITY_LOWEST);
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0].caption, L"Сообщение");
  EXPECT_EQ(questions[0].text, L"Вы действительно хотите прервать проверку?");
  // Not idle while the worker has yet to end: nothing left to stop, and
  // settings and editor stay off.
  EXPECT_EQ(stopped.caption, L"Остановить");
  EXPECT_FALSE(stopped.scanEnabled);
  EXPECT_FALSE(stopped.settingsEnabled || stopped.databaseEnabled);
  EXPECT_EQ(stopped.status, kStoppingStatus);
  EXPECT_EQ(ended.caption, L"Проверить");
  EXPECT_TRUE(ended.scanEnabled && ended.settingsEnabled && ended.databaseEnabled);
  EXPECT_EQ(ended.status, kIdleStatus);
  EXPECT_EQ(rowsAtStop, 1);
  EXPECT_EQ(rowsAtEnd, 1) << "the walk takes no file after the stop";
  EXPECT_EQ(viruses, L"1");
  EXPECT_NE(files, L"0");
  EXPECT_TRUE(summaryBeforeReport);
  EXPECT_NE(report.find("AV.TestFile"), std::string::npos);
  EXPECT_EQ(player.TakePlayed(),
            (std::vector<int>{wave::kWindowOpened, wave::kVirusFound, wave::kClick, wave::kScanEnded,
                              wave::kClick, wave::kClosing}));
}

TEST(ScanWindow, ExitDuringAScanIsRefusedAndTheScanGoesOn) {
  RecordingPlayer player;
  ProgramState program(&player);
  std::vector<test::MessageBoxAnswerer::Shown> shown;
  bool stillRunning = false;
  std::wstring viruses;
  int rows = -1;
  const INT_PTR result = RunMainWindow(program.state, [&](ScriptedMainDialog& d) {
    const fs::path folder = PrepareSamples(program.state, 0, 1, 0);
    player.HoldAt(wave::kVirusFound);
    d.StartScan(folder.wstring());
    ASSERT_TRUE(PumpUntil([&] { return player.Held(); }));
    {
      test::MessageBoxAnswerer answerer;
      d.SendMessage(WM_COMMAND, IDC_EXIT);
      shown = answerer.shown;
    }
    stillRunning = program.state.scan.IsRunning();
    test::WhenShown reader(nullptr, kSummaryTitle, [&](HWND summary) {
      viruses = test::WindowText(::GetDlgItem(summary, IDC_VIRUSES_FOUND));
      ::PostMessageW(summary, WM_COMMAND, IDOK, 0);
    });
    player.Release();
    ASSERT_TRUE(PumpUntil([&] { return WorkerEnded(d); }));
    rows = RowCount(d);
    d.SendMessage(WM_COMMAND, IDC_EXIT);
  });
  EXPECT_EQ(result, IDOK);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, kFinishScanFirst);
  EXPECT_TRUE(stillRunning);
  EXPECT_EQ(viruses, L"6") << "the whole walk";
  EXPECT_EQ(rows, 6);
}

// The thread id of the window's worker, 0 for none.
DWORD WorkerId(ScriptedMainDialog& d) { return d.ScanThread() ? ::GetThreadId(d.ScanThread()) : 0; }

TEST(ScanWindow, ANewScanStartedWhileAStoppedOneEndsStartsWhenItsWorkerHasEnded) {
  RecordingPlayer player;
  ProgramState program(&player);
  std::vector<std::wstring> summaries;
  bool returnedAtOnce = false, oldWorkerEndedFirst = false;
  std::wstring waitingStatus;
  RunMainWindow(program.state, [&](ScriptedMainDialog& d) {
    const fs::path folder = PrepareSamples(program.state, 0, 1, 0);
    test::WhenShown first(nullptr, kSummaryTitle, [&](HWND summary) {
      summaries.push_back(test::WindowText(::GetDlgItem(summary, IDC_VIRUSES_FOUND)));
      ::PostMessageW(summary, WM_COMMAND, IDOK, 0);
    });
    player.HoldAt(wave::kVirusFound);
    d.StartScan(folder.wstring());
    ASSERT_TRUE(PumpUntil([&] { return player.Held(); }));
    const DWORD oldWorker = WorkerId(d);
    // Keeps the old thread, and so its id, for the checks below.
    HANDLE watched = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), d.ScanThread(), ::GetCurrentProcess(), &watched, 0,
                      FALSE, DUPLICATE_SAME_ACCESS);
    {
      test::MessageBoxAnswerer answerer;  // OK: stop
      d.SendMessage(WM_COMMAND, IDC_SCAN);
    }
    // The stopped run's worker is still inside its walk: the start is kept
    // and the window goes on.
    d.StartScan(folder.wstring());
    returnedAtOnce = ::WaitForSingleObject(watched, 0) == WAIT_TIMEOUT;
    waitingStatus = test::WindowText(d.GetDlgItem(IDC_STATUS));
    player.Release();
    ASSERT_TRUE(PumpUntil([&] { return WorkerId(d) != oldWorker && WorkerId(d) != 0; }));
    oldWorkerEndedFirst = ::WaitForSingleObject(watched, 0) == WAIT_OBJECT_0;
    ::CloseHandle(watched);
    test::WhenShown second(nullptr, kSummaryTitle, [&](HWND summary) {
      summaries.push_back(test::WindowText(::GetDlgItem(summary, IDC_VIRUSES_FOUND)));
      ::PostMessageW(summary, WM_COMMAND, IDOK, 0);
    });
    ASSERT_TRUE(PumpUntil([&] { return WorkerEnded(d); }));
    d.SendMessage(WM_COMMAND, IDC_EXIT);
  });
  EXPECT_TRUE(returnedAtOnce) << "the window is not held up by the old worker";
  EXPECT_EQ(waitingStatus, L"Подождите, завершается предыдущая проверка...");
  EXPECT_TRUE(oldWorkerEndedFirst) << "the new run started after the old worker had ended";
  EXPECT_EQ(summaries, (std::vector<std::wstring>{L"1", L"6"}))
      << "the stopped run's summary has its own counts; the new run walks everything";
}

// 32 GiB of zeros: seconds to read at the best, and nothing on disk.
constexpr long long kBigFileSize = 32LL << 30;
constexpr wchar_t kSettingsTitle[] = L"Настройки";
constexpr wchar_t kEditorTitle[] = L"Вирусная база данных.";

// Sends `command` to the main window; true when it opened the dialog
// titled `title` (which is then cancelled).
bool OpensDialog(ScriptedMainDialog& d, UINT command, const wchar_t* title) {
  test::WhenShown opened(L"#32770", title, [](HWND dlg) { ::PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0); });
  d.SendMessage(WM_COMMAND, command);
  return opened.done();
}

TEST(ScanWindow, AStopInsideABigFileEndsTheRunAtOnceAndSettingsAndEditorWaitForTheWorker) {
  RecordingPlayer player;
  ProgramState program(&player);
  test::TempDir folder;
  const fs::path big = folder / "big.bin";
  ASSERT_TRUE(test::MakeSparseFile(big.wstring(), kBigFileSize));
  bool endedWithinASecond = false, settingsInTail = true, editorInTail = true, stayedInTail = false,
       settingsUnderSummary = true, settingsAfter = false;
  Looks stopping{}, refused{}, ended{};
  std::wstring statusUnderSummary, files;
  int rows = -1;
  RunMainWindow(program.state, [&](ScriptedMainDialog& d) {
    SetScanOptions(program.state, 1, 1, 0);
    // The worker stops at the first step of its end sequence.
    player.HoldAt(wave::kScanEnded);
    d.StartScan(folder.path().wstring());
    ASSERT_TRUE(PumpUntil([&] { return LooksOf(d).status == big.wstring(); }))
        << "the worker is in the big file";
    {
      test::MessageBoxAnswerer answerer;  // OK: stop
      d.SendMessage(WM_COMMAND, IDC_SCAN);
    }
    // A behaviour bound, not a measure: the walk ends within a piece.
    endedWithinASecond = PumpUntil([&] { return player.Held(); }, 1s);
    stopping = LooksOf(d);
    settingsInTail = OpensDialog(d, IDC_SETTINGS, kSettingsTitle);
    editorInTail = OpensDialog(d, IDC_DATABASE, kEditorTitle);
    // Nor does the window go under the worker's report.
    d.SendMessage(WM_COMMAND, IDC_EXIT);
    stayedInTail = ::IsWindowVisible(d) != FALSE;
    refused = LooksOf(d);
    test::WhenShown summary(nullptr, kSummaryTitle, [&](HWND box) {
      files = test::WindowText(::GetDlgItem(box, IDC_FILES_CHECKED));
      settingsUnderSummary = OpensDialog(d, IDC_SETTINGS, kSettingsTitle);
      statusUnderSummary = LooksOf(d).status;
      ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    player.Release();
    ASSERT_TRUE(PumpUntil([&] { return WorkerEnded(d); }));
    test::PumpMessages();  // the worker's last word
    ended = LooksOf(d);
    rows = RowCount(d);
    settingsAfter = OpensDialog(d, IDC_SETTINGS, kSettingsTitle);
    d.SendMessage(WM_COMMAND, IDC_EXIT);
  });
  EXPECT_TRUE(endedWithinASecond);
  EXPECT_FALSE(stopping.scanEnabled || stopping.settingsEnabled || stopping.databaseEnabled)
      << "not idle while the worker runs its end sequence";
  EXPECT_EQ(stopping.status, kStoppingStatus);
  EXPECT_FALSE(settingsInTail);
  EXPECT_FALSE(editorInTail);
  EXPECT_TRUE(stayedInTail);
  EXPECT_EQ(refused.status, kWaitForScanEnd) << "the status line says why";
  EXPECT_FALSE(settingsUnderSummary) << "the summary is part of the end sequence";
  EXPECT_EQ(statusUnderSummary, kWaitForScanEnd);
  EXPECT_EQ(files, L"0") << "a file cut short is not counted";
  EXPECT_EQ(rows, 0) << "nor listed, though clean files are";
  EXPECT_TRUE(ended.scanEnabled && ended.settingsEnabled && ended.databaseEnabled);
  EXPECT_EQ(ended.status, kIdleStatus);
  EXPECT_TRUE(settingsAfter);
}

// A file held by another program is skipped; the summary box has no line
// for it, so the status line tells it once the run has ended.
TEST(ScanWindow, AFileThatCouldNotBeScannedIsToldInTheStatusLineAfterTheRun) {
  RecordingPlayer player;
  ProgramState program(&player);
  test::TempDir dir;
  const fs::path held = dir / "held.bin";
  test::WriteBytes(held, "EVIL-SIGNATURE");
  const HANDLE holder = ::CreateFileW(held.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  std::wstring status;
  int rows = -1;
  RunMainWindow(program.state, [&](ScriptedMainDialog& d) {
    SetScanOptions(program.state, 0, 0, 0);
    d.StartScan(held.wstring());
    ASSERT_TRUE(PumpUntil([&] { return WorkerEnded(d); }));
    test::PumpMessages();  // the worker's last word
    status = LooksOf(d).status;
    rows = RowCount(d);
    d.SendMessage(WM_COMMAND, IDC_EXIT);
  });
  ::CloseHandle(holder);
  EXPECT_EQ(rows, 1);
  EXPECT_EQ(status, std::wstring(kSkippedLabel) + L"1. " + kIdleStatus);
}

TEST(ScanWindow, EscapeDuringAScanClosesTheWindowAndTheRunEndsWithoutSummaryOrReport) {
  RecordingPlayer player;
  ProgramState program(&player);
  test::TempDir reports;
  std::thread releaser;
  const INT_PTR result = RunMainWindow(program.state, [&](ScriptedMainDialog& d) {
    const fs::path folder = PrepareSamples(program.state, 0, 1, 1);
    program.state.options.ReportFileName = (reports / "report.txt").wstring();
    player.HoldAt(wave::kVirusFound);
    d.StartScan(folder.wstring());
    ASSERT_TRUE(PumpUntil([&] { return player.Held(); }));
    // The worker goes on once the window has gone.
    const HWND window = d.m_hWnd;
    releaser = std::thread([&player, window] {
      while (::IsWindow(window)) ::Sleep(20);
      player.Release();
    });
    // Typed into the window's own loop once the script has returned.
    ::PostMessageW(d.GetDlgItem(IDC_SCAN), WM_KEYDOWN, VK_ESCAPE, 1);
  });
  releaser.join();
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_FALSE(program.state.scan.IsRunning());
  EXPECT_FALSE(fs::exists(reports / "report.txt")) << "the rows went with the window";
  EXPECT_EQ(player.TakePlayed(), (std::vector<int>{wave::kWindowOpened, wave::kVirusFound}))
      << "no finish sound: the end sequence did not run";
}

// Right-clicks row `row` (-1: none selected); true when the menu opened.
bool RightClickShowsMenu(ScriptedMainDialog& d, int row) {
  const HWND list = d.GetDlgItem(IDC_RESULTS);
  ::SendMessageW(list, LVM_SETSELECTIONMARK, 0, row);
  test::WhenShown closer(L"#32768", nullptr, [](HWND) { ::EndMenu(); });
  NMHDR header{list, IDC_RESULTS, static_cast<UINT>(NM_RCLICK)};
  d.SendMessage(WM_NOTIFY, IDC_RESULTS, reinterpret_cast<LPARAM>(&header));
  return closer.done();
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
  RunMainWindow(program.state, [&](ScriptedMainDialog& d) {
    folder = PrepareSamples(program.state, 1, 0, 0);
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
  EXPECT_EQ(questions[0].text, L"Вы действительно хотите удалить эти файлы?");

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
