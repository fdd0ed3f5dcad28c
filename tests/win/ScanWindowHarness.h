// The main window's scans run in this process: the samples and settings of
// a test run, the window's look, and waiting for the worker.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "app/MainDialog.h"
#include "res/resource.h"
#include "tests/TestUtil.h"
#include "tests/win/MainWindowHarness.h"
#include "tests/win/WinTestUtil.h"
#include "tools/Samples.h"

namespace vsk::test {

// Serves this thread's messages until `done` or the limit.
inline bool PumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    PumpMessages();
    ::Sleep(5);
  }
  return true;
}

// The settings of a test run.
inline void SetScanOptions(AppState& state, int fileOk, int report, int reportToFile) {
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
inline std::filesystem::path PrepareSamples(AppState& state, int fileOk, int report, int reportToFile) {
  const std::filesystem::path folder = std::filesystem::current_path();
  EXPECT_EQ(samples::WriteSampleSet(state.table, folder), L"");
  SetScanOptions(state, fileOk, report, reportToFile);
  return folder / "samples";
}

inline bool WorkerEnded(ScriptedMainDialog& d) {
  return d.ScanThread() == nullptr || ::WaitForSingleObject(d.ScanThread(), 0) == WAIT_OBJECT_0;
}

inline constexpr wchar_t kSummaryTitle[] = L"Отчёт о проверке.";

struct Looks {
  std::wstring caption;
  bool scanEnabled, settingsEnabled, databaseEnabled;
  std::wstring status;
};
inline Looks LooksOf(ScriptedMainDialog& d) {
  auto enabled = [&](int id) { return ::IsWindowEnabled(d.GetDlgItem(id)) != FALSE; };
  return {WindowText(d.GetDlgItem(IDC_SCAN)), enabled(IDC_SCAN), enabled(IDC_SETTINGS),
          enabled(IDC_DATABASE), WindowText(d.GetDlgItem(IDC_STATUS))};
}

inline int RowCount(ScriptedMainDialog& d) {
  return static_cast<int>(::SendDlgItemMessageW(d.m_hWnd, IDC_RESULTS, LVM_GETITEMCOUNT, 0, 0));
}

}  // namespace vsk::test
