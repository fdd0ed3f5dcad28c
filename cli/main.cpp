// vireskand-scan: the scanner without windows, over the same engine.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "cli/QuarantineCommand.h"
#include "engine/Actions.h"
#include "engine/FolderWalk.h"
#include "engine/Os.h"
#include "engine/Report.h"
#include "engine/ScanRun.h"
#include "engine/Text1251.h"
#include "engine/VirusDatabase.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using namespace vsk;

namespace {

constexpr int kExitClean = 0;
constexpr int kExitInfected = 1;
constexpr int kExitError = 2;

constexpr char kUsage[] =
    "Использование: vireskand-scan [параметры] ПАПКА\n"
    "\n"
    "Проверяет файлы папки по сигнатурам вирусной базы и печатает по строке\n"
    "на каждый найденный файл: путь, табуляция, результат или имя вируса.\n"
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
    "  --help          эта справка\n"
    "\n"
    "Код возврата: 0 - вирусов нет, 1 - найден вирус (и после --action),\n"
    "2 - ошибка.\n";

void PrintUtf8(std::FILE* to, const std::wstring& text) {
  const std::string bytes = ToUtf8(text);
  std::fwrite(bytes.data(), 1, bytes.size(), to);
}

class StderrMessages : public IMessageSink {
 public:
  void ShowMessage(const std::wstring& text) override { PrintUtf8(stderr, text + L"\n"); }
};

class SilentPlayer : public ISoundPlayer {
 public:
  int PlayWave(int, SoundMode) override { return 0; }
};

struct Row {
  fs::path path;
  std::wstring result;
};

// Prints each row as it comes and keeps it for the report and the actions;
// shows progress on stderr when that is a terminal.
class ConsoleView : public IScanView, public IResultRows {
 public:
  explicit ConsoleView(bool progress) : progress_(progress) {}

  void InsertRow(int, const fs::path& path, const std::wstring& result) override {
    ClearProgress();
    rows_.push_back({path, result});
    PrintUtf8(stdout, PathText(path) + L"\t" + result + L"\n");
    std::fflush(stdout);
  }
  void SetProgress(int position) override { done_ = position; }
  void SetStatus(const fs::path& current) override {
    if (!progress_) return;
    std::wstring name = PathText(current);
    if (name.size() > 60) name = L"..." + name.substr(name.size() - 57);
    PrintUtf8(stderr, L"\r\x1b[K[" + std::to_wstring(done_) + L"/" + std::to_wstring(total_) +
                          L"] " + name);
    shown_ = true;
  }
  void ShowStatusText(const std::wstring&) override { ClearProgress(); }
  void SetProgressRange(int files) override { total_ = files; }
  void ShowIdleLook() override {}
  void ShowSummary(const ScanCounters& counters) override {
    summary_ = L"\nФайлов проверено: " + std::to_wstring(counters.filesChecked) +
               L"\nВирусов обнаружено: " + std::to_wstring(counters.virusesFound) +
               L"\nВремя проверки: " + std::to_wstring(counters.scanSeconds) + L" с\n";
  }
  // Printed after the report, so that a report failure comes first.
  const std::wstring& Summary() const { return summary_; }

  int RowCount() override { return static_cast<int>(rows_.size()); }
  const Row& At(int row) const { return rows_[row]; }
  std::wstring GetText(int row) override { return rows_[row].result; }
  void SetText(int row, const std::wstring& text) override { rows_[row].result = text; }
  std::wstring RowText(int row, int column) override {
    return column == 0 ? PathText(rows_[row].path) : rows_[row].result;
  }

 private:
  void ClearProgress() {
    if (shown_) std::fputs("\r\x1b[K", stderr);
    shown_ = false;
  }

  std::vector<Row> rows_;
  int total_ = 0;
  int done_ = 0;
  bool progress_;
  bool shown_ = false;
  std::wstring summary_;
};

// Questions are answered by --yes; each is shown on stderr with its answer.
class ConsoleQuestions : public IQuestions {
 public:
  explicit ConsoleQuestions(bool yes) : yes_(yes) {}
  bool AskOkCancel(const std::wstring& text, const std::wstring& caption) override {
    PrintUtf8(stderr, caption + L": " + text + (yes_ ? L" - OK\n" : L" - Отмена\n"));
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
  fs::path folder;
  std::wstring folderText;
  std::wstring reportFile;
  Options options = DefaultOptions();
  Action action = nullptr;
  bool yes = false;
  bool help = false;
};

// Returns an error text, or empty when the arguments are sound.
std::wstring Parse(const std::vector<std::wstring>& args, Arguments& out) {
  out.options.Sound = 0;
  out.options.ReportToFile = 0;
  out.options.Report = 1;
  bool haveFolder = false;
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
    } else if (haveFolder) {
      return L"папка указана дважды: " + a;
    } else {
      out.folderText = a;
      out.folder = PathFromText(a);
      haveFolder = true;
    }
  }
  if (!out.help && !haveFolder) return L"не указана папка для проверки";
  return {};
}

int Run(const std::vector<std::wstring>& args) {
  if (!args.empty() && args[0] == L"--quarantine") return RunQuarantineCommand(args);
  Arguments a;
  const std::wstring error = Parse(args, a);
  if (a.help) {
    std::fputs(kUsage, stdout);
    std::fputs(kQuarantineUsage, stdout);
    return kExitClean;
  }
  if (!error.empty()) {
    PrintUtf8(stderr, L"vireskand-scan: " + error + L"\n");
    std::fputs("Справка: vireskand-scan --help\n", stderr);
    return kExitError;
  }

  StderrMessages messages;
  if (!CheckDatabaseHeader(messages, a.database)) return kExitError;
  VirusTable table;
  if (LoadVirusTable(table, messages, a.database) != LoadResult::Loaded) return kExitError;
  std::error_code ec;
  if (!fs::is_directory(a.folder, ec)) {
    PrintUtf8(stderr, L"Папка не найдена: " + a.folderText + L"\n");
    return kExitError;
  }

  ScanControl control;
  control.Start();
  ScanCounters counters;
  SilentPlayer player;
  const bool progress = isatty(fileno(stderr)) != 0;
  ConsoleView view(progress);
  ScanRunContext run{a.options, table, control, counters, player};
  run.countFiles = progress;
  if (!RunScan(run, view, a.folder, a.folderText))
    PrintUtf8(stderr, L"Не удалось записать протокол: " + a.reportFile + L"\n");
  PrintUtf8(stdout, view.Summary());

  if (a.action && counters.virusesFound > 0) {
    ConsoleQuestions questions(a.yes);
    ActionContext actions{table,     a.options, view, player, questions,
                          messages, {},        QuarantineNaming::KeepBoth};
    std::fputs("\n", stdout);
    for (int i = 0; i < view.RowCount(); ++i) {
      if (IsResultText(view.GetText(i))) continue;
      a.action(actions, {i, view.At(i).path, view.GetText(i)});
      PrintUtf8(stdout, PathText(view.At(i).path) + L"\t" + view.GetText(i) + L"\n");
      std::fflush(stdout);
    }
  }
  return counters.virusesFound > 0 ? kExitInfected : kExitClean;
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
