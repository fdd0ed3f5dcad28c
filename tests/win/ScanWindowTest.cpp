// Scans run from the main window in this process: the scanning and idle
// looks, stopping, the exit refusal and the end of a run.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "engine/scan/ScanRun.h"
#include "tests/ArchiveBuilder.h"
#include "tests/win/ScanWindowHarness.h"

namespace vsk {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
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
  EXPECT_EQ(ended.status, L"Проверка прервана, проверено файлов: " + files + L". " + kIdleStatus)
      << "the status line tells a stopped run from a finished one";
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

TEST(ScanWindow, TheEditorOpensTheDataFoldersDatabaseWhereverTheWorkingFolderIs) {
  test::TempDir elsewhere;
  std::wstring records;
  RunMainWindow([&](ScriptedMainDialog& d) {
    fs::current_path(elsewhere.path());  // as a file dialog may leave it
    test::MessageBoxAnswerer answerer;   // a database not found would ask
    test::WhenShown editor(L"#32770", kEditorTitle, [&](HWND dlg) {
      records = test::WindowText(::GetDlgItem(dlg, IDC_RECORD_COUNT));
      ::PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    });
    d.SendMessage(WM_COMMAND, IDC_DATABASE);
    d.SendMessage(WM_COMMAND, IDC_EXIT);
  });
  EXPECT_NE(records, L"");
  EXPECT_NE(records, L"0");
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
  EXPECT_EQ(ended.status, L"Проверка прервана, проверено файлов: 0. " + std::wstring(kIdleStatus));
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

// The archive is the row and the report's line; the member is the row's own.
TEST(ScanWindow, AVirusInANestedArchiveMakesTheArchiveTheInfectedRow) {
  RecordingPlayer player;
  ProgramState program(&player);
  test::TempDir dir;
  const std::string inner =
      test::ZipBuilder().Add(test::Deflated("setup.exe", "..-STANDARD-ANTIVIRUS-TEST-FILE!..")).Build();
  test::WriteBytes(dir / "mail.zip", test::ZipBuilder().Add(test::Deflated("in.zip", inner)).Build());
  wchar_t result[64] = {};
  int rows = -1;
  std::string report;
  RunMainWindow(program.state, [&](ScriptedMainDialog& d) {
    SetScanOptions(program.state, 0, 0, 1);
    d.StartScan(dir.path().wstring());
    ASSERT_TRUE(PumpUntil([&] { return WorkerEnded(d); }));
    test::PumpMessages();
    rows = RowCount(d);
    LVITEMW item{};
    item.iSubItem = 1;
    item.pszText = result;
    item.cchTextMax = 64;
    ::SendDlgItemMessageW(d.m_hWnd, IDC_RESULTS, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
    report = test::ReadBytes("report.txt");
    d.SendMessage(WM_COMMAND, IDC_EXIT);
  });
  EXPECT_EQ(rows, 1);
  EXPECT_STREQ(result, L"AV.TestFile");
  EXPECT_NE(report.find("mail.zip\t\tAV.TestFile\r\n"), std::string::npos) << report;
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

}  // namespace
}  // namespace vsk
