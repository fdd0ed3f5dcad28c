// vireskand-scan: the scanner without windows, over the same engine.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "cli/ConsoleText.h"
#include "cli/QuarantineCommand.h"
#include "cli/RowSpill.h"
#include "engine/actions/Actions.h"
#include "engine/scan/FolderWalk.h"
#include "engine/os/System.h"
#include "engine/scan/Report.h"
#include "engine/scan/ScanRun.h"
#include "engine/text/Encoding.h"
#include "engine/db/VirusDatabase.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;
using namespace vsk;

namespace {

constexpr int kExitClean = 0;
constexpr int kExitInfected = 1;
constexpr int kExitError = 2;

constexpr char kUsage[] =
    "Использование: vireskand-scan [параметры] ПАПКА|ФАЙЛ\n"
    "\n"
    "Проверяет файлы папки (или один файл) по сигнатурам вирусной базы и\n"
    "печатает по строке на каждый найденный файл: путь, табуляция, результат\n"
    "или имя вируса. Названный файл проверяется, какой бы ни была маска.\n"
    "\n"
    "  --db ФАЙЛ       вирусная база (по умолчанию VirusBase.vbf в текущей папке)\n"
    "  --subdirs       проверять и вложенные папки\n"
    "  --mask МАСКА    маска файлов, например *.exe (по умолчанию * - все файлы)\n"
    "  --ok            выводить и чистые файлы (результат OK)\n"
    "  --report ФАЙЛ   записать протокол проверки в ФАЙЛ (Windows-1251)\n"
    "  --append        дописывать протокол в конец файла (по умолчанию)\n"
    "  --overwrite     заменять протокол\n"
    "  --action ДЕЙСТВИЕ  после проверки применить к каждому заражённому файлу:\n"
    "                  delete, rename, move (в папку !!!Infected текущей папки),\n"
    "                  cure-or-delete, cure-or-rename, cure-or-move (сначала\n"
    "                  лечить, неизлечимые удалить, переименовать, переместить);\n"
    "                  печатается новый результат каждого файла\n"
    "  --yes           отвечать OK на вопросы действий (иначе - Отмена)\n"
    "  --jobs N        проверять файлы в N потоков (по умолчанию по числу\n"
    "                  ядер, не больше 4); строки и итоги те же, что при 1\n"
    "  --help          эта справка\n"
    "\n"
    "Пути и имена выводятся так, что каждая строка - ровно один файл:\n"
    "табуляция - \\t, перевод строки - \\n, возврат каретки - \\r, обратная\n"
    "косая черта - \\\\, прочие управляющие символы и байты, не составляющие\n"
    "UTF-8, - \\xNN (по байту). Так же выводятся ход проверки и ошибки.\n"
    "\n"
    "Код возврата: 1 - найден вирус (и после --action); иначе 2 - что-то\n"
    "не проверено (папка или файл без доступа, файл не прочитан до конца)\n"
    "или ошибка (база, папка, параметры, протокол не записан); иначе 0.\n";

constexpr int kMaxJobs = 64;
// Progress is redrawn at most this often.
constexpr uint64_t kProgressMilliseconds = 100;

class StderrMessages : public IMessageSink {
 public:
  void ShowMessage(const std::wstring& text) override { Print(stderr, ConsoleLines(text) + "\n"); }
};

class SilentPlayer : public ISoundPlayer {
 public:
  int PlayWave(int, SoundMode) override { return 0; }
};

// A UTF-8 continuation byte, or the second half of a UTF-16 pair.
template <typename Char>
bool IsInsideCharacter(Char c) {
  if constexpr (sizeof(Char) == 1) return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
  return c >= 0xDC00 && c < 0xE000;
}

// The last characters of a long path, for the one-line progress.
std::string ProgressName(const fs::path& path) {
  constexpr size_t kShown = 57;
  const fs::path::string_type& native = path.native();
  if (native.size() <= kShown + 3) return ConsolePath(path);
  size_t cut = native.size() - kShown;
  while (cut < native.size() && IsInsideCharacter(native[cut])) ++cut;
  return "..." + ConsolePath(fs::path(native.substr(cut)));
}

// Prints each row as it comes. Only infected rows stay in memory, for the
// actions; with a report every row also goes to a temporary file, from
// which the report reads them back. Shows progress on stderr when that is a
// terminal.
class ConsoleView : public IScanView, public IResultRows {
 public:
  struct Infected {
    fs::path path;
    std::wstring result;
  };

  ConsoleView(bool progress, bool report)
      : progress_(progress), spill_(report ? std::make_unique<RowSpill>() : nullptr) {}

  void InsertRow(int, const fs::path& path, const std::wstring& result) override {
    ClearProgress();
    Print(stdout, ConsolePath(path) + "\t" + ConsoleText(result) + "\n");
    std::fflush(stdout);
    ++rows_;
    if (spill_) spill_->Add(PathText(path), result);
    if (!IsResultText(result)) infected_.push_back({path, result});
  }
  void SetProgress(int position) override { done_ = position; }
  void SetStatus(const fs::path& current) override {
    if (ProgressDue()) ShowProgress(current);
  }
  void SetStatusEntry(const fs::path::string_type& folder, const fs::path::value_type* name) override {
    if (ProgressDue()) ShowProgress(fs::path(folder + name));
  }
  void ShowStatusText(const std::wstring&) override { ClearProgress(); }
  void SetProgressRange(int files) override { total_ = files; }
  void ShowIdleLook() override {}
  void ShowSummary(const ScanCounters& counters) override {
    summary_ = L"\nФайлов проверено: " + std::to_wstring(counters.filesChecked) +
               L"\nВирусов обнаружено: " + std::to_wstring(counters.virusesFound) +
               L"\n" + kSkippedLabel + std::to_wstring(counters.skipped) +
               L"\nВремя проверки: " + std::to_wstring(counters.scanSeconds) + L" с\n";
  }
  // Printed after the report, so that a report failure comes first.
  const std::wstring& Summary() const { return summary_; }
  // False when the report's rows could not be kept.
  bool RowsKept() const { return !spill_ || spill_->Ok(); }

  int RowCount() override { return rows_; }
  std::wstring RowText(int row, int column) override { return spill_ ? spill_->Text(row, column) : L""; }

  const std::vector<Infected>& InfectedRows() const { return infected_; }
  std::wstring GetText(int row) override { return infected_[row].result; }
  void SetText(int row, const std::wstring& text) override { infected_[row].result = text; }

 private:
  void ShowProgress(const fs::path& current) {
    ClearProgress();
    std::string line = "[";
    line += std::to_string(done_) + "/" + std::to_string(total_) + "] " + ProgressName(current);
    Print(stderr, line);
    shown_ = FromUtf8(line).size();
  }
  bool ProgressDue() {
    if (!progress_) return false;
    const uint64_t now = os::TickCount();
    if (everShown_ && now - lastShown_ < kProgressMilliseconds) return false;
    everShown_ = true;
    lastShown_ = now;
    return true;
  }
  void ClearProgress() {
    if (shown_) Print(stderr, ClearLine(shown_));
    shown_ = 0;
  }

  int rows_ = 0;
  std::vector<Infected> infected_;
  int total_ = 0;
  int done_ = 0;
  bool progress_;
  size_t shown_ = 0;  // characters of the progress line on screen
  bool everShown_ = false;
  uint64_t lastShown_ = 0;
  std::unique_ptr<RowSpill> spill_;
  std::wstring summary_;
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

using Action = void (*)(ActionContext&, const CapturedRow&);

Action FindAction(const std::wstring& name) {
  static const std::pair<const wchar_t*, Action> kActions[] = {
      {L"delete", DeleteInfected},        {L"rename", RenameInfected},
      {L"move", MoveToQuarantine},        {L"cure-or-delete", CureOrDelete},
      {L"cure-or-rename", CureOrRename},  {L"cure-or-move", CureOrMove}};
  for (const auto& [n, action] : kActions)
    if (name == n) return action;
  return nullptr;
}

struct Arguments {
  fs::path database = kDatabaseFileName;
  fs::path target;
  std::wstring targetText;
  std::wstring reportFile;
  Options options = DefaultOptions();
  Action action = nullptr;
  bool yes = false;
  bool help = false;
  int jobs = 0;
};

// Returns an error text, or empty when the arguments are sound.
std::wstring Parse(const std::vector<std::wstring>& args, Arguments& out) {
  out.options.Sound = 0;
  out.options.ReportToFile = 0;
  out.options.Report = 1;
  bool haveTarget = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::wstring& a = args[i];
    auto value = [&](std::wstring& into) {
      if (i + 1 >= args.size()) return false;
      into = args[++i];
      return true;
    };
    std::wstring v;
    if (a == L"--help" || a == L"-h") {
      out.help = true;
    } else if (a == L"--subdirs") {
      out.options.SubDir = 1;
    } else if (a == L"--ok") {
      out.options.FileOk = 1;
    } else if (a == L"--append") {
      out.options.ReportFileMode = 1;
    } else if (a == L"--overwrite") {
      out.options.ReportFileMode = 0;
    } else if (a == L"--mask") {
      if (!value(out.options.FileMask)) return L"после --mask нужна маска";
    } else if (a == L"--db") {
      if (!value(v)) return L"после --db нужно имя файла";
      out.database = PathFromText(v);
    } else if (a == L"--jobs") {
      if (!value(v) || v.empty() || v.size() > 2 ||
          v.find_first_not_of(L"0123456789") != std::wstring::npos ||
          (out.jobs = std::stoi(v)) < 1 || out.jobs > kMaxJobs)
        return L"после --jobs нужно число потоков от 1 до " + std::to_wstring(kMaxJobs);
    } else if (a == L"--yes") {
      out.yes = true;
    } else if (a == L"--action") {
      if (!value(v)) return L"после --action нужно действие";
      out.action = FindAction(v);
      if (!out.action) return L"неизвестное действие " + v;
    } else if (a == L"--report") {
      if (!value(out.reportFile)) return L"после --report нужно имя файла";
      out.options.ReportFileName = out.reportFile;
      out.options.ReportToFile = 1;
    } else if (a.size() > 1 && a[0] == L'-') {
      return L"неизвестный параметр " + a;
    } else if (haveTarget) {
      return L"путь для проверки указан дважды: " + a;
    } else {
      out.targetText = a;
      out.target = PathFromText(a);
      haveTarget = true;
    }
  }
  if (!out.help && !haveTarget) return L"не указана папка или файл для проверки";
  return {};
}

int Run(const std::vector<std::wstring>& args) {
  if (!args.empty() && args[0] == L"--quarantine") return RunQuarantineCommand(args);
  Arguments a;
  const std::wstring error = Parse(args, a);
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
  if (!CheckDatabaseHeader(messages, a.database)) return kExitError;
  VirusTable table;
  if (LoadVirusTable(table, messages, a.database) != LoadResult::Loaded) return kExitError;
  const std::wstring problem = ScanTargetProblem(a.target, a.targetText);
  if (!problem.empty()) {
    Print(stderr, ConsoleLines(problem) + "\n");
    return kExitError;
  }

  ScanControl control;
  control.Start();
  ScanCounters counters;
  SilentPlayer player;
  const bool progress = IsConsole(stderr);
  ConsoleView view(progress, a.options.ReportToFile != 0);
  ScanRunContext run{a.options, table, control, counters, player};
  run.countFiles = progress;
  run.jobs = a.jobs;
  const bool reported = RunScan(run, view, a.target, a.targetText) && view.RowsKept();
  if (!reported) Print(stderr, "Не удалось записать протокол: " + ConsoleText(a.reportFile) + "\n");
  Print(stdout, ConsoleLines(view.Summary()));

  if (a.action && counters.virusesFound > 0) {
    ConsoleQuestions questions(a.yes);
    ActionContext actions{table,     a.options, view, player, questions,
                          messages, {},        QuarantineNaming::KeepBoth};
    Print(stdout, "\n");
    for (int i = 0; i < static_cast<int>(view.InfectedRows().size()); ++i) {
      const ConsoleView::Infected& row = view.InfectedRows()[i];
      a.action(actions, {i, row.path, row.result});
      Print(stdout, ConsolePath(row.path) + "\t" + ConsoleText(view.GetText(i)) + "\n");
      std::fflush(stdout);
    }
  }
  if (counters.virusesFound > 0) return kExitInfected;
  return counters.skipped > 0 || !reported ? kExitError : kExitClean;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  SetConsoleOutputCP(CP_UTF8);
  return Run(std::vector<std::wstring>(argv + 1, argv + argc));
}
#else
int main(int argc, char** argv) {
  std::vector<std::wstring> args;
  for (int i = 1; i < argc; ++i) args.push_back(FromUtf8(argv[i]));
  return Run(args);
}
#endif
