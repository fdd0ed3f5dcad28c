#include "cli/CliRun.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "cli/ConsoleText.h"
#include "cli/ConsoleView.h"
#include "cli/QuarantineCommand.h"
#include "engine/db/VirusDatabase.h"
#include "engine/scan/ScanRun.h"
#include "engine/scan/Texts.h"
#include "engine/text/Encoding.h"

namespace vsk {
namespace {

constexpr int kExitClean = 0;
constexpr int kExitInfected = 1;
constexpr int kExitError = 2;

class StderrMessages : public IMessageSink {
 public:
  void ShowMessage(const std::wstring& text) override { Print(stderr, ConsoleLines(text) + "\n"); }
};

class SilentPlayer : public ISoundPlayer {
 public:
  int PlayWave(int, SoundMode) override { return 0; }
};

// Questions are answered by --yes; each is shown on stderr with its answer.
class ConsoleQuestions : public IQuestions {
 public:
  explicit ConsoleQuestions(bool yes) : yes_(yes) {}
  bool AskOkCancel(const std::wstring& text, const std::wstring& caption) override {
    Print(stderr, ConsoleLines(caption + L": " + text + (yes_ ? L" - OK" : L" - Отмена")) + "\n");
    return yes_;
  }

 private:
  bool yes_;
};

int Run(const os::CommandLine& args) {
  // Quarantine names stay as the system gave them.
  if (!args.empty() && args[0] == os::FromAscii("--quarantine")) return RunQuarantineCommand(args);
  Arguments a;
  const std::wstring error = ParseArguments(args, a);
  if (a.help) {
    Print(stdout, kUsage);
    Print(stdout, kQuarantineUsage);
    return kExitClean;
  }
  if (!error.empty()) {
    Print(stderr, "vireskand-scan: " + ConsoleText(error) + "\n");
    Print(stderr, "Справка: vireskand-scan --help\n");
    return kExitError;
  }

  StderrMessages messages;
  VirusTable table;
  if (LoadCheckedDatabase(table, messages, a.database) != LoadResult::Loaded) return kExitError;
  const std::wstring problem = ScanTargetProblem(a.target, a.targetText);
  if (!problem.empty()) {
    Print(stderr, ConsoleLines(problem) + "\n");
    return kExitError;
  }
  // Which database decides what is clean, as a planted one may sit in the
  // working folder.
  std::error_code ec;
  const std::filesystem::path used = std::filesystem::absolute(a.database, ec);
  Print(stderr, "База данных вирусов: " + ConsolePath(ec ? a.database : used) +
                    ", записей: " + std::to_string(table.count) + "\n");

  ScanControl control;
  control.Start();
  ScanCounters counters;
  SilentPlayer player;
  const bool progress = IsConsole(stderr);
  ConsoleView view(progress, a.options.ReportToFile != 0);
  ScanRunContext run{a.options, table, control, counters, player};
  run.countFiles = progress;
  run.jobs = a.jobs;
  run.archive = a.archive;
  run.reportPath = a.reportPath;
  const bool reported = RunScan(run, view, a.target, a.targetText) && view.RowsKept();
  if (!reported) Print(stderr, "Не удалось записать протокол: " + ConsolePath(a.reportPath) + "\n");
  Print(stdout, ConsoleLines(view.Summary()));
  if (counters.filesChecked == 0) Print(stderr, ConsoleText(kNothingChecked) + ".\n");

  if (a.action && counters.virusesFound > 0) {
    ConsoleQuestions questions(a.yes);
    ActionContext actions{table,     a.options, view, player, questions,
                          messages, {},        QuarantineNaming::KeepBoth};
    Print(stdout, "\n");
    for (int i = 0; i < static_cast<int>(view.InfectedRows().size()); ++i) {
      const ConsoleView::Infected& row = view.InfectedRows()[i];
      a.action(actions, {i, row.path, row.result, row.identity});
      Print(stdout, ConsolePath(row.path) + "\t" + ConsoleText(view.GetText(i)) + "\n");
      std::fflush(stdout);
    }
  }
  if (counters.virusesFound > 0) return kExitInfected;
  return counters.skipped > 0 || !reported ? kExitError : kExitClean;
}

}  // namespace

int ScannerMain(const os::CommandLine& args) { return Run(args); }

}  // namespace vsk
