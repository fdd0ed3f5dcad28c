// One scan run from the chosen folder to the report, in the order the main
// window shows it: count, walk, finish, idle look, summary, report. The
// window and the command-line scanner are two views of the same run.
#pragma once

#include <filesystem>
#include <string>

#include "engine/scan/FolderWalk.h"
#include "engine/scan/Report.h"
#include "engine/scan/Waves.h"
#include "engine/db/VirusDatabase.h"

namespace vsk {

// What a run shows: the walk's rows, progress and current file, plus the
// status line, the progress range, the idle look and the summary. The
// report reads the rows back through IRowSource.
class IScanView : public IScanSink, public IRowSource {
 public:
  virtual void ShowStatusText(const std::wstring& text) = 0;
  virtual void SetProgressRange(int files) = 0;
  virtual void ShowIdleLook() = 0;
  // Returns when the user has seen it (the window's summary is modal).
  virtual void ShowSummary(const ScanCounters& counters) = 0;
  // True once the view has closed under a running walk: the run then ends
  // without sound, summary or report, as its rows are gone.
  virtual bool Closed() { return false; }
};

struct ScanRunContext {
  const Options& options;
  const VirusTable& table;
  ScanControl& control;
  ScanCounters& counters;
  ISoundPlayer& sound;
  // The report's date, time and names; taken when the report is written.
  ReportStamp (*stamp)() = &CurrentReportStamp;
  // The first walk only sizes the progress; a view that shows none skips it
  // (the range is then 0).
  bool countFiles = true;
  // Scan threads; 0 for DefaultScanJobs().
  int jobs = 0;
  // How far archives are looked into.
  ArchiveLimits archive{};
  // The report's own name, when it is not to be taken from the options'
  // text (a name that is no text in any encoding).
  std::filesystem::path reportPath{};
};

// Why `target` cannot be scanned, as the user is told, naming it as
// `targetText`: nothing there, or a device or FIFO (never opened, as that
// could block). Empty for a folder or a file.
std::wstring ScanTargetProblem(const std::filesystem::path& target, const std::wstring& targetText);

// Runs to the end, or until the control's running flag is cleared; a
// stopped run ends the same way with its partial counts. Clears the running
// flag. A file, or a device or FIFO, is scanned alone (ScanFile); anything
// else is walked as a folder. `targetText` is the target as the report names it. Returns
// false when the report was asked for and could not be written.
bool RunScan(ScanRunContext& context, IScanView& view, const std::filesystem::path& target,
             const std::wstring& targetText);

// The status line once a run has ended: the idle text, after the number
// skipped when there were any, as the summary box has no line for it, and
// after a word that the run was stopped with the files it checked, or that
// no file was checked when a run that was not stopped checked none.
std::wstring StatusAfterRun(const ScanCounters& counters);

// The worker's thread priority for the Priority option: -2 (lowest) for 0
// up to 2 (highest) for 4; a stored value outside 0-4 runs at normal (0).
int WorkerThreadPriority(int priorityOption);

}  // namespace vsk
