#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "engine/os/File.h"
#include "engine/os/Names.h"
#include "engine/scan/ScanRun.h"
#include "engine/text/Encoding.h"
#include "tests/TestUtil.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#else
#include <windows.h>
#endif

namespace vsk {
namespace {
namespace fs = std::filesystem;
using test::TempDir;
using test::WriteBytes;

ReportStamp FixedStamp() { return {8, 12, 2026, 9, 30, L"HOST", L"user"}; }

// Records what a run shows as one line per step.
class ViewRecorder : public IScanView, public ISoundPlayer {
 public:
  std::vector<std::string> steps;
  std::vector<std::pair<std::wstring, std::wstring>> rows;
  std::vector<int> waves;
  ScanControl* control = nullptr;
  fs::path reportFile;
  std::function<void()> onRow;
  bool closed = false;
  bool Closed() override { return closed; }

  void InsertRow(int, const fs::path& path, const std::wstring& result,
                 const RowIdentity&) override {
    rows.push_back({PathText(path), result});
    steps.push_back("row " + ToUtf8(result));
    if (onRow) onRow();
  }
  void SetProgress(int position) override {
    if (position == 0) steps.push_back("progress 0");
  }
  void SetStatus(const fs::path&) override {}
  void ShowStatusText(const std::wstring& text) override { steps.push_back("status " + ToUtf8(text)); }
  void SetProgressRange(int files) override { steps.push_back("range " + std::to_string(files)); }
  void ShowIdleLook() override {
    steps.push_back(std::string("idle, running ") + (control->IsRunning() ? "on" : "off"));
  }
  void ShowSummary(const ScanCounters& c) override {
    steps.push_back("summary " + std::to_string(c.filesChecked) + " " +
                    std::to_string(c.virusesFound) + " " + std::to_string(c.scanSeconds) +
                    (fs::exists(reportFile) ? ", report already there" : ""));
  }
  int RowCount() override { return static_cast<int>(rows.size()); }
  std::wstring RowText(int row, int column) override {
    return column == 0 ? rows[row].first : rows[row].second;
  }
  int PlayWave(int id, SoundMode) override {
    waves.push_back(id);
    steps.push_back("wave " + std::to_string(id));
    return 1;
  }
};

struct ScanRig {
  TempDir dir;
  Options options = DefaultOptions();
  VirusTable table = test::MakeTable({{"Evil", "EVIL-SIGNATURE"}});
  ScanControl control;
  ScanCounters counters;
  ViewRecorder view;

  ScanRig() {
    options.ReportToFile = 1;
    options.ReportFileName = PathText(dir / "report.txt");
    view.control = &control;
    view.reportFile = dir / "report.txt";
    fs::create_directory(dir / "scan");
  }
  bool Go() { return Go(dir / "scan"); }
  bool Go(const fs::path& target) {
    control.Start();
    ScanRunContext context{options, table, control, counters, view, &FixedStamp};
    return RunScan(context, view, target, PathText(target));
  }
};

TEST(ScanRunTest, StepsInTheWindowsOrderThenTheReport) {
  ScanRig run;
  for (int i = 0; i < 3; ++i) WriteBytes(run.dir / "scan" / ("ok" + std::to_string(i)), "clean");
  WriteBytes(run.dir / "scan" / "bad", "..EVIL-SIGNATURE..");
  EXPECT_TRUE(run.Go());
  EXPECT_EQ(run.view.steps,
            (std::vector<std::string>{"status Идёт подготовка к проверке...", "range 4", "progress 0",
                                      "progress 0",  // the first file
                                      "row Evil", "wave 176", "wave 180",
                                      "status Проверка завершена", "progress 0", "idle, running off",
                                      "summary 4 1 0", "status Для начала проверки нажмите кнопку \"Проверить\""}));
  // The report names the folder and reads back the rows as the view holds them.
  const std::string report = test::ReadBytes(run.dir / "report.txt");
  EXPECT_NE(report.find(Encode1251(PathText(run.dir / "scan" / "bad"))), std::string::npos);
  EXPECT_NE(report.find("HOST"), std::string::npos);
}

TEST(ScanRunTest, AStoppedRunEndsTheSameWayWithItsPartialCounts) {
  ScanRig run;
  for (int i = 0; i < 5; ++i) WriteBytes(run.dir / "scan" / ("bad" + std::to_string(i)), "EVIL-SIGNATURE");
  run.options.Sound = 0;
  run.view.onRow = [&] { run.control.Stop(); };
  EXPECT_TRUE(run.Go());
  EXPECT_EQ(run.view.rows.size(), 1u);
  EXPECT_EQ(run.counters.virusesFound, 1);
  EXPECT_EQ(run.counters.filesChecked, 1);
  EXPECT_TRUE(run.view.waves.empty()) << "Sound off";
  // Told from a finished run in the status line, before and after the summary.
  const std::vector<std::string> tail(run.view.steps.end() - 5, run.view.steps.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"status Проверка прервана", "progress 0", "idle, running off",
                                            "summary 1 1 0",
                                            "status Проверка прервана, проверено файлов: 1. Для начала "
                                            "проверки нажмите кнопку \"Проверить\""}));
  EXPECT_TRUE(fs::exists(run.dir / "report.txt"));
}

TEST(ScanRunTest, WithoutCountingTheRangeIsZeroAndTheWalkTheSame) {
  ScanRig run;
  WriteBytes(run.dir / "scan" / "bad", "EVIL-SIGNATURE");
  ScanRunContext context{run.options, run.table, run.control, run.counters, run.view, &FixedStamp};
  context.countFiles = false;
  run.control.Start();
  EXPECT_TRUE(RunScan(context, run.view, run.dir / "scan", PathText(run.dir / "scan")));
  EXPECT_EQ(run.view.steps[1], "range 0");
  EXPECT_EQ(run.counters.filesChecked, 1);
  EXPECT_EQ(run.view.rows.size(), 1u);
}

TEST(ScanRunTest, AnEmptyFolderFinishesAtOnceWithZerosAndSaysNothingWasChecked) {
  ScanRig run;
  EXPECT_TRUE(run.Go());
  EXPECT_EQ(run.view.steps[1], "range 0");
  EXPECT_NE(std::find(run.view.steps.begin(), run.view.steps.end(), "summary 0 0 0"),
            run.view.steps.end());
  const std::string nothing = "status " + ToUtf8(kNothingChecked) + ". " + ToUtf8(kIdleStatus);
  EXPECT_EQ(run.view.steps.back(), nothing);
  // Files that the mask leaves out are no more checked than none.
  WriteBytes(run.dir / "scan" / "a.exe", "EVIL-SIGNATURE");
  run.options.FileMask = L"*.*";
  run.view.steps.clear();
  EXPECT_TRUE(run.Go());
  EXPECT_EQ(run.view.steps.back(), nothing);
  run.options.FileMask = L"*";
  run.view.steps.clear();
  EXPECT_TRUE(run.Go());
  EXPECT_EQ(run.view.steps.back(), "status " + ToUtf8(kIdleStatus));
}

TEST(ScanRunTest, SummaryAndReportFollowTheirOptions) {
  ScanRig run;
  run.options.Report = 0;
  run.options.ReportToFile = 0;
  EXPECT_TRUE(run.Go());
  for (const std::string& step : run.view.steps) EXPECT_EQ(step.find("summary"), std::string::npos);
  EXPECT_FALSE(fs::exists(run.dir / "report.txt"));

  ScanRig unwritable;
  unwritable.options.ReportFileName = PathText(unwritable.dir / "no such folder" / "report.txt");
  EXPECT_FALSE(unwritable.Go()) << "a report that cannot be written is told to the caller";
  EXPECT_FALSE(unwritable.control.IsRunning());
}

TEST(ScanRunTest, AViewClosedDuringTheWalkEndsTheRunWithoutSummaryOrReport) {
  ScanRig run;
  WriteBytes(run.dir / "scan" / "bad", "EVIL-SIGNATURE");
  run.view.onRow = [&] {
    run.view.closed = true;
    run.control.Stop();
  };
  EXPECT_TRUE(run.Go());
  EXPECT_EQ(run.view.steps.back(), "wave 176") << "nothing after the walk";
  EXPECT_FALSE(fs::exists(run.dir / "report.txt")) << "no report without the rows";
  EXPECT_FALSE(run.control.IsRunning());
}

// The file a user names is scanned alone, whatever the mask, past the old
// path limit and by a Russian name: the steps of a folder scan for one
// file, its row, and the report.
TEST(ScanRunTest, ANamedFileIsScannedAloneWhateverTheMask) {
  ScanRig run;
  fs::path deep = run.dir / "scan";
  for (int i = 0; i < 6; ++i) deep /= std::string(50, static_cast<char>('a' + i));
  const fs::path file = deep / PathFromText(L"вирус.bin");
#ifdef _WIN32
  // Only the \\?\ form creates such folders here.
  const fs::path create(L"\\\\?\\" + fs::absolute(deep).wstring());
#else
  const fs::path create = deep;
#endif
  WriteBytes(create / PathFromText(L"вирус.bin"), "..EVIL-SIGNATURE..");
  WriteBytes(deep.parent_path() / "other.bin", "EVIL-SIGNATURE");
  run.options.FileMask = L"*.exe";
  EXPECT_TRUE(run.Go(file));
  EXPECT_EQ(run.view.steps,
            (std::vector<std::string>{"status Идёт подготовка к проверке...", "range 1", "progress 0",
                                      "progress 0", "row Evil", "wave 176", "wave 180",
                                      "status Проверка завершена", "progress 0", "idle, running off",
                                      "summary 1 1 0", "status Для начала проверки нажмите кнопку \"Проверить\""}));
  EXPECT_EQ(run.view.rows, (std::vector<std::pair<std::wstring, std::wstring>>{{PathText(file), L"Evil"}}));
  const std::string report = test::ReadBytes(run.dir / "report.txt");
  for (const std::wstring& line : {L"Путь для проверки:\t" + PathText(file) + L"\r\n",
                                   PathText(file) + L"\t\tEvil\r\n", std::wstring(L"Файлов проверено:\t1\r\n")})
    EXPECT_NE(report.find(Encode1251(line)), std::string::npos) << ToUtf8(line);
#ifdef _WIN32
  std::error_code ec;
  fs::remove_all(fs::path(L"\\\\?\\" + fs::absolute(run.dir / "scan").wstring()), ec);
#endif
}

#ifdef _WIN32
// Names given relative to a working folder past the old path limit reach
// the file, the folder and the report as their full \\?\ forms.
TEST(ScanRunTest, RelativeNamesUnderADeepWorkingFolderAreReached) {
  ScanRig run;
  fs::path deep = fs::absolute(run.dir.path());
  for (int i = 0; i < 6; ++i) deep /= std::string(50, static_cast<char>('a' + i));
  const fs::path longDeep(L"\\\\?\\" + deep.wstring());
  WriteBytes(longDeep / "scan" / "bad.com", "..EVIL-SIGNATURE..");
  const fs::path before = fs::current_path();
  ASSERT_TRUE(::SetCurrentDirectoryW(longDeep.c_str()));
  run.options.ReportFileName = L"report.txt";
  run.options.SubDir = 1;
  const fs::path file = L"scan\\bad.com";
  // Wine resolves long relative names by itself; Windows does not.
  EXPECT_EQ(os::LongPath(file.native()), longDeep.native() + L"\\scan\\bad.com");
  EXPECT_EQ(ScanTargetProblem(file, L"t"), L"");
  EXPECT_TRUE(run.Go(file));
  EXPECT_TRUE(run.Go(L"scan"));
  ::SetCurrentDirectoryW(before.c_str());
  // The rows keep the names as given.
  EXPECT_EQ(run.view.rows, (std::vector<std::pair<std::wstring, std::wstring>>{
                               {L"scan\\bad.com", L"Evil"}, {L"scan\\bad.com", L"Evil"}}));
  EXPECT_NE(test::ReadBytes(longDeep / "report.txt").find("scan\\bad.com\t\tEvil"), std::string::npos);
  std::error_code ec;
  fs::remove_all(fs::path(L"\\\\?\\" + fs::absolute(run.dir.path()).wstring()), ec);
}
#endif

TEST(ScanRunTest, WhatIsNeitherAFolderNorAFileIsToldBeforeTheRun) {
  TempDir dir;
  EXPECT_EQ(ScanTargetProblem(dir.path(), L"d"), L"");
  EXPECT_EQ(ScanTargetProblem(dir / "missing", L"m"), L"Папка или файл для проверки не найдены:\nm");
  const std::wstring device = L"Проверяются только папки и файлы, а это устройство или канал:\nn";
#ifdef _WIN32
  for (const fs::path& path : {fs::path(L"NUL"), dir / L"com1.txt", fs::path(L"\\\\.\\pipe\\x")})
    EXPECT_EQ(ScanTargetProblem(path, L"n"), device) << path;
#else
  EXPECT_EQ(ScanTargetProblem("/dev/null", L"n"), device);
#endif
}

#ifndef _WIN32
// A FIFO that slipped past that check is never read (it could block for
// ever), and a file that cannot be opened is skipped, never "OK"; the
// status line says so. A link the user named is followed.
TEST(ScanRunTest, ANamedFileThatCannotBeReadIsASkippedRow) {
  ScanRig fifo;
  ASSERT_EQ(::mkfifo((fifo.dir / "fifo").c_str(), 0600), 0);
  EXPECT_TRUE(fifo.Go(fifo.dir / "fifo"));
  EXPECT_EQ(fifo.view.rows, (std::vector<std::pair<std::wstring, std::wstring>>{
                                {PathText(fifo.dir / "fifo"), L"Ошибка доступа-пропущен"}}));
  EXPECT_EQ(fifo.view.steps.back(),
            "status Пропущено (нет доступа): 1. Для начала проверки нажмите кнопку \"Проверить\"");

  ScanRig locked;
  locked.options.FileOk = 1;
  locked.options.ReportToFile = 0;
  WriteBytes(locked.dir / "scan" / "locked.bin", "clean");
  fs::permissions(locked.dir / "scan" / "locked.bin", fs::perms::none);
  EXPECT_EQ(test::AsOrdinaryUser([&] {
              locked.Go(locked.dir / "scan" / "locked.bin");
              return ToUtf8(locked.view.rows.at(0).second) + ", checked " +
                     std::to_string(locked.counters.filesChecked) + ", skipped " +
                     std::to_string(locked.counters.skipped);
            }),
            "Ошибка доступа-пропущен, checked 1, skipped 1");

  ScanRig linked;
  WriteBytes(linked.dir / "bad.bin", "EVIL-SIGNATURE");
  fs::create_symlink(linked.dir / "bad.bin", linked.dir / "link");
  EXPECT_TRUE(linked.Go(linked.dir / "link"));
  EXPECT_EQ(linked.view.rows.at(0).second, L"Evil");
}

// A terminal put in place of a file is opened and found no file, but never
// becomes the controlling terminal of a process that has none (a session
// leader gains one by opening a terminal without O_NOCTTY).
TEST(ScanRunTest, ATerminalInPlaceOfAFileNeverBecomesTheControllingTerminal) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
    GTEST_SKIP() << "no pseudo-terminals here";
  const std::string terminal = ::ptsname(master);
  ScanRig run;
  fs::create_symlink(terminal, run.dir / "scan" / "tty.com");
  // The child's exit code names the first step after which it had one.
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setsid();
    const auto hasTerminal = [] {
      const int fd = ::open("/dev/tty", O_RDONLY | O_NOCTTY | O_CLOEXEC);
      if (fd >= 0) ::close(fd);
      return fd >= 0;
    };
    if (hasTerminal()) ::_exit(9);
    run.Go(run.dir / "scan" / "tty.com");  // named alone
    if (hasTerminal()) ::_exit(1);
    run.options.SubDir = 1;
    run.Go();  // met by the walk
    if (hasTerminal()) ::_exit(2);
    os::File().Open(terminal, true);  // as the database is edited
    ::_exit(hasTerminal() ? 3 : 0);
  }
  int status = -1;
  ::waitpid(pid, &status, 0);
  ::close(master);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}
#endif

TEST(ScanRunTest, PriorityOptionToThreadPriority) {
  EXPECT_EQ(WorkerThreadPriority(0), -2);
  EXPECT_EQ(WorkerThreadPriority(2), 0);
  EXPECT_EQ(WorkerThreadPriority(4), 2);
  EXPECT_EQ(WorkerThreadPriority(5), 0);
  EXPECT_EQ(WorkerThreadPriority(-1), 0);
}

}  // namespace
}  // namespace vsk
