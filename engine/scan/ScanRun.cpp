#include "engine/scan/ScanRun.h"

#include "engine/os/Kind.h"
#include "engine/os/System.h"
#include "engine/scan/Texts.h"
#include "engine/text/Encoding.h"

namespace vsk {

std::wstring ScanTargetProblem(const std::filesystem::path& target, const std::wstring& targetText) {
  switch (os::KindOfPath(target)) {
    case os::Kind::Missing:
      return std::wstring(msg::kScanTargetMissing) + L"\n" + targetText;
    case os::Kind::Other:
      return std::wstring(msg::kScanTargetNotAFile) + L"\n" + targetText;
    default:
      return {};
  }
}

bool RunScan(ScanRunContext& context, IScanView& view, const std::filesystem::path& target,
             const std::wstring& targetText) {
  const Options& options = context.options;
  ScanCounters& counters = context.counters;
  // One matcher per run: the table cannot change while a run lasts.
  const SignatureMatcher matcher(context.table);
  WalkContext walk{options, context.table, matcher, context.control, counters, view,
                   context.sound, context.jobs > 0 ? context.jobs : DefaultScanJobs(),
                   context.archive};

  // A target gone missing is walked as a folder, which reports it skipped.
  const os::Kind kind = os::KindOfPath(target);
  const bool oneFile = kind == os::Kind::File || kind == os::Kind::Other;

  view.ShowStatusText(kPreparingStatus);
  counters.filesChecked = 0;
  if (context.countFiles) {
    if (oneFile)
      counters.filesChecked = 1;
    else
      CountFiles(walk, target);
  }
  view.SetProgressRange(counters.filesChecked);
  view.SetProgress(0);

  counters = {};
  const uint32_t start = static_cast<uint32_t>(os::TickCount());
  if (oneFile)
    ScanFile(walk, target);
  else
    ScanFolder(walk, target);
  // Unsigned 32-bit ticks, as the system counts them: a wrap between the
  // two still gives the elapsed time.
  const uint32_t end = static_cast<uint32_t>(os::TickCount());
  counters.scanSeconds = static_cast<long>((end - start) / 1000u);
  counters.stopped = !context.control.IsRunning();
  if (view.Closed()) {
    context.control.Stop();
    return true;
  }

  PlayIfOn(options, context.sound, wave::kScanEnded);
  view.ShowStatusText(counters.stopped ? kStoppedStatus : kFinishedStatus);
  view.SetProgress(0);
  context.control.Stop();
  view.ShowIdleLook();
  if (options.Report) view.ShowSummary(counters);
  view.ShowStatusText(StatusAfterRun(counters));
  if (!options.ReportToFile) return true;
  const std::filesystem::path report =
      context.reportPath.empty() ? PathFromText(options.ReportFileName) : context.reportPath;
  return WriteReport(report, targetText, counters,
                     options.ReportFileMode, view, context.stamp());
}

std::wstring StatusAfterRun(const ScanCounters& counters) {
  std::wstring status;
  if (counters.stopped)
    status = std::wstring(kStoppedStatus) + L", " + kCheckedLabel +
             std::to_wstring(counters.filesChecked) + L". ";
  else if (counters.filesChecked == 0)
    status = std::wstring(kNothingChecked) + L". ";
  if (counters.skipped > 0) status += kSkippedLabel + std::to_wstring(counters.skipped) + L". ";
  return status + kIdleStatus;
}

int WorkerThreadPriority(int priorityOption) {
  if (priorityOption < 0 || priorityOption > 4) return 0;
  return priorityOption - 2;
}

}  // namespace vsk
