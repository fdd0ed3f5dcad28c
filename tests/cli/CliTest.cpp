#include <gtest/gtest.h>

#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "engine/db/Texts.h"
#include "tests/TestUtil.h"
#include "tests/ArchiveBuilder.h"
#include "tests/cli/ScannerProcess.h"

namespace vsk::test {
namespace {

TEST_F(CliTest, PrintsRowsAndSummaryAndExitsOneWhenInfected) {
  const Result r = RunScanner(dir.path(), "--subdirs scan");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.out.find("scan/a.exe\tEvil\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("scan/sub/b.com\tТест\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Файлов проверено: 3\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Вирусов обнаружено: 2\n"), std::string::npos) << r.out;
}

TEST_F(CliTest, OptionsSelectFilesAndRows) {
  Result r = RunScanner(dir.path(), "--mask '*.txt' --ok scan");
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.out.find("scan/clean.txt\tOK\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Файлов проверено: 1\n"), std::string::npos);

  r = RunScanner(dir.path(), "--report out.txt --overwrite scan");
  EXPECT_EQ(r.code, 1);
  const std::string report = ReadBytes(dir / "out.txt");
  EXPECT_NE(report.find("scan/a.exe\t\tEvil\r\n"), std::string::npos);
  EXPECT_NE(report.find("\tscan\r\n"), std::string::npos);  // the folder as given
}

TEST_F(CliTest, ErrorsExitTwo) {
  EXPECT_EQ(RunScanner(dir.path(), "missing-folder").code, 2);
  EXPECT_EQ(RunScanner(dir.path(), "").code, 2);
  EXPECT_EQ(RunScanner(dir.path(), "--bogus scan").code, 2);
  EXPECT_EQ(RunScanner(dir.path(), "--db nothing.vbf scan").code, 2);
  WriteBytes(dir / "bad.vbf", "not a database");
  EXPECT_EQ(RunScanner(dir.path(), "--db bad.vbf scan").code, 2);
  WriteBytes(dir / "empty.vbf", DatabaseImage({}));
  EXPECT_EQ(RunScanner(dir.path(), "--db empty.vbf scan").code, 2);
  for (const char* jobs : {"0", "65", "x", "-1", "2x", "999999999999"})
    EXPECT_NE(RunScanner(dir.path(), std::string("--jobs ") + jobs + " scan").err.find("после --jobs"),
              std::string::npos) << jobs;
  EXPECT_EQ(RunScanner(dir.path(), "scan --jobs").code, 2);
  const Result help = RunScanner(dir.path(), "--help");
  EXPECT_EQ(help.code, 0);
  for (const char* flag : {"--db", "--subdirs", "--mask", "--ok", "--report", "--append", "--overwrite",
                           "--action", "--yes", "--jobs", "cure-or-move", "\\xNN", "\\t", "\\\\",
                           "иначе 2", "--quarantine list", "--quarantine restore", "--quarantine purge"})
    EXPECT_NE(help.out.find(flag), std::string::npos) << flag;
}

// The lines the actions print, after the summary.
std::string ActionLines(const std::string& out) {
  const size_t summary = out.find("Время проверки");
  return summary == std::string::npos ? std::string() : out.substr(summary);
}

TEST_F(CliTest, ActionsApplyToEveryInfectedRowAndPrintTheNewResult) {
  Result r = RunScanner(dir.path(), "--subdirs --action delete scan");  // Cancel
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(ActionLines(r.out).find("\nscan/a.exe\tEvil\n"), std::string::npos) << r.out;
  EXPECT_TRUE(std::filesystem::exists(dir / "scan" / "a.exe"));

  r = RunScanner(dir.path(), "--action rename scan");
  EXPECT_NE(ActionLines(r.out).find("\nscan/a.exe\tПереименован\n"), std::string::npos) << r.out;
  EXPECT_TRUE(std::filesystem::exists(dir / "scan" / "a.#xe"));
  EXPECT_TRUE(std::filesystem::exists(dir / "scan" / "sub" / "b.com"));  // no --subdirs

  r = RunScanner(dir.path(), "--subdirs --action cure-or-move scan");
  EXPECT_NE(r.out.find("scan/a.#xe\tНеизлечим, перемещён\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("scan/sub/b.com\tНеизлечим, перемещён\n"), std::string::npos) << r.out;
  EXPECT_EQ(ReadBytes(dir / "!!!Infected" / "b.com"), "TEST-SIG");

  EXPECT_EQ(RunScanner(dir.path(), "--action cure scan").code, 2);
  EXPECT_EQ(RunScanner(dir.path(), "scan --action").code, 2);
}

// Clean rows are printed and dropped; the report still lists every row, in
// the order printed.
TEST_F(CliTest, CleanRowsAreStreamedAndStillReachTheReport) {
  for (int i = 0; i < 200; ++i) WriteBytes(dir / "scan" / "many" / ("c" + std::to_string(i)), "clean");
  const Result r = RunScanner(dir.path(), "--subdirs --ok --report r.txt --overwrite scan");
  EXPECT_EQ(r.code, 1);
  std::string printed;
  for (size_t start = 0, end; (end = r.out.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = r.out.substr(start, end - start);
    if (line.rfind("scan/", 0) == 0) printed += line.substr(0, line.find('\t')) + "\t\t" + line.substr(line.find('\t') + 1) + "\r\n";
  }
  const std::string report = ToUtf8(Decode1251(ReadBytes(dir / "r.txt")));
  const std::string list = "Список проверенных файлов:\r\n";
  const size_t first = report.find(list) + list.size();
  EXPECT_EQ(report.substr(first, report.find("\r\nКонец списка.") - first), printed);
  EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 203);
}

// The output without the line of seconds.
std::string Untimed(const std::string& out) {
  const size_t time = out.find("Время проверки");
  return time == std::string::npos ? out : out.substr(0, time);
}

TEST_F(CliTest, MoreJobsPrintTheSameRowsInTheSameOrder) {
  for (int i = 0; i < 300; ++i)
    WriteBytes(dir / "scan" / ("d" + std::to_string(i % 5)) / ("f" + std::to_string(i)),
               i % 7 == 0 ? "..TEST-SIG.." : std::string(static_cast<size_t>(i) * 37, 'c'));
  const Result one = RunScanner(dir.path(), "--subdirs --ok --jobs 1 scan");
  EXPECT_EQ(one.code, 1);
  EXPECT_NE(one.out.find("Вирусов обнаружено: 45\n"), std::string::npos) << one.out;
  for (const char* jobs : {"2", "4"}) {
    const Result more = RunScanner(dir.path(), std::string("--subdirs --ok --jobs ") + jobs + " scan");
    EXPECT_EQ(more.code, 1);
    EXPECT_EQ(Untimed(more.out), Untimed(one.out)) << jobs;
  }
}

// Runs the scanner in `dir` on a terminal of its own; returns what the
// terminal showed.
std::string RunOnTerminal(const std::filesystem::path& dir, const std::vector<std::string>& args) {
  int terminal = -1;
  const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  if (child == 0) {
    std::vector<char*> argv{const_cast<char*>(VSK_SCANNER)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (::chdir(dir.c_str()) == 0) ::execv(VSK_SCANNER, argv.data());
    ::_exit(127);
  }
  std::string shown;
  char buffer[4096];
  for (ssize_t n; (n = ::read(terminal, buffer, sizeof buffer)) > 0;) shown.append(buffer, static_cast<size_t>(n));
  ::close(terminal);
  int status = 0;
  ::waitpid(child, &status, 0);
  return shown;
}

// Progress goes to a terminal, redrawn at most ten times a second: far
// fewer times than there are files, and always cleared before a row.
TEST_F(CliTest, ProgressOnATerminalIsPacedAndClearedBeforeEachRow) {
  for (int i = 0; i < 1000; ++i) WriteBytes(dir / "scan" / "many" / ("c" + std::to_string(i)), "clean");
  const std::string shown = RunOnTerminal(dir.path(), {"--subdirs", "scan"});
  size_t draws = 0;
  for (size_t at = 0; (at = shown.find("] scan/", at)) != std::string::npos; ++at) ++draws;
  EXPECT_GE(draws, 1u) << shown;
  EXPECT_LT(draws, 100u) << "a draw per file";
  EXPECT_NE(shown.find("[0/1003] scan/"), std::string::npos) << "the first file is shown at once";
  for (const char* row : {"scan/a.exe\tEvil", "scan/sub/b.com\tТест", "\r\nФайлов проверено: 1003"}) {
    const size_t at = shown.find(row);
    ASSERT_NE(at, std::string::npos) << row << shown;
    const size_t draw = shown.rfind("] scan/", at);
    if (draw != std::string::npos) {
      EXPECT_NE(shown.find("\r\x1b[K", draw), std::string::npos) << row;
    }
  }
}

// The prefix that runs the scanner as the user "nobody" when the tests run
// as root, who could open any folder.
std::string AsOrdinaryUser() {
  return ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "";
}

TEST_F(CliTest, ExitStatusSaysWhatCouldNotBeScannedOrWritten) {
  WriteBytes(dir / "clean" / "a.txt", "nothing");
  WriteBytes(dir / "clean" / "locked" / "v.exe", "EVIL-SIGNATURE");
  std::filesystem::permissions(dir / "clean" / "locked", std::filesystem::perms::none);
  Result r = RunScanner(dir.path(), "--subdirs clean", AsOrdinaryUser());
  EXPECT_EQ(r.code, 2) << "a clean scan that could not look everywhere";
  EXPECT_NE(r.out.find("clean/locked\tОшибка доступа-пропущен\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Файлов проверено: 1\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Пропущено (нет доступа): 1\n"), std::string::npos) << r.out;
  std::filesystem::rename(dir / "scan" / "a.exe", dir / "clean" / "a.exe");
  EXPECT_EQ(RunScanner(dir.path(), "--subdirs clean", AsOrdinaryUser()).code, 1) << "a virus first";
  std::filesystem::permissions(dir / "clean" / "locked", std::filesystem::perms::owner_all);

  r = RunScanner(dir.path(), "--mask '*.txt' --report no-such-folder/r.txt scan");
  EXPECT_EQ(r.code, 2) << "a report that could not be written";
  EXPECT_NE(r.err.find("Не удалось записать протокол: no-such-folder/r.txt"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("Пропущено (нет доступа): 0\n"), std::string::npos) << r.out;
  EXPECT_EQ(RunScanner(dir.path(), "--subdirs --report no-such-folder/r.txt clean").code, 1);
  EXPECT_EQ(RunScanner(dir.path(), "--mask '*.com' scan").code, 0);
}

// A file named on the command line is scanned alone, whatever the mask,
// with the row, summary, report, actions and exit status of a folder scan;
// what is neither file nor folder is refused.
TEST_F(CliTest, ANamedFileIsScannedAloneAndActedOn) {
  Result r = RunScanner(dir.path(), "--mask '*.txt' --report out.txt --overwrite scan/a.exe");
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out.substr(0, r.out.find('\n') + 1), "scan/a.exe\tEvil\n") << r.out;
  EXPECT_NE(r.out.find("Файлов проверено: 1\n"), std::string::npos) << r.out;
  EXPECT_NE(ReadBytes(dir / "out.txt").find("scan/a.exe\t\tEvil\r\n"), std::string::npos);
  EXPECT_EQ(RunScanner(dir.path(), "scan/clean.txt").code, 0);

  r = RunScanner(dir.path(), "--action rename --yes scan/a.exe");
  EXPECT_NE(ActionLines(r.out).find("\nscan/a.exe\tПереименован\n"), std::string::npos) << r.out;
  EXPECT_TRUE(std::filesystem::exists(dir / "scan" / "a.#xe"));
  EXPECT_TRUE(std::filesystem::exists(dir / "scan" / "sub" / "b.com"));

  // Refused before anything is opened: a FIFO would wait for a writer.
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  r = RunScanner(dir.path(), "fifo");
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, "Проверяются только папки и файлы, а это устройство или канал:\nfifo\n");
  EXPECT_EQ(r.out, "");
  r = RunScanner(dir.path(), "missing");
  EXPECT_EQ(r.err, "Папка или файл для проверки не найдены:\nmissing\n");
}

TEST_F(CliTest, DatabasesThatCannotBeTrustedExitTwoAndSayWhy) {
  const std::string full = DatabaseImage({{"A", "aaa"}, {"B", "bbb"}, {"C", "ccc"}, {"D", "ddd"}, {"E", "eee"}, {"F", "fff"}});
  WriteBytes(dir / "no-records.vbf", full.substr(0, kRecordsOffset));
  WriteBytes(dir / "cut.vbf", full.substr(0, kRecordsOffset + 3 * kRecordSize + 20));
  WriteBytes(dir / "header.vbf", std::string(DatabaseHeader()));
  const std::string damaged = ToUtf8(msg::kDatabaseDamaged);
  for (const char* db : {"no-records.vbf", "cut.vbf", "header.vbf"}) {
    const Result r = RunScanner(dir.path(), std::string("--db ") + db + " scan");
    EXPECT_EQ(r.code, 2) << db;
    EXPECT_EQ(r.err, damaged + "\n") << db;
    EXPECT_EQ(r.out, "") << db;
  }
  ASSERT_EQ(::mkfifo((dir / "fifo.vbf").c_str(), 0600), 0);
  const Result r = RunScanner(dir.path(), "--db fifo.vbf scan");
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, ToUtf8(msg::kDatabaseUnreadable) + "\nЭто не файл, а папка или устройство.\n");
}

TEST_F(CliTest, RecordsNamedLikeAResultAreWarnedAboutAndStillFoundAndActedOn) {
  WriteBytes(dir / "named.vbf", DatabaseImage({{"OK", "EVIL-SIGNATURE"}, {"Тест", "TEST-SIG"}}));
  Result r = RunScanner(dir.path(), "--db named.vbf scan");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.out.find("scan/a.exe\tЗапись №1\n"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("запись №1: «OK»"), std::string::npos) << r.err;
  r = RunScanner(dir.path(), "--db named.vbf --action delete --yes scan");
  EXPECT_NE(ActionLines(r.out).find("\nscan/a.exe\tУдалён\n"), std::string::npos) << r.out;
  EXPECT_FALSE(std::filesystem::exists(dir / "scan" / "a.exe"));
}

// The scan's result stands when the report cannot be written; a FIFO as
// the report never blocks the program.
TEST_F(CliTest, AReportThatIsAFifoOrALinkIsRefused) {
  ASSERT_EQ(::mkfifo((dir / "r.fifo").c_str(), 0600), 0);
  Result r = RunScanner(dir.path(), "--report r.fifo scan");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("r.fifo"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("scan/a.exe\tEvil\n"), std::string::npos);

  WriteBytes(dir / "target", "kept");
  std::filesystem::create_symlink(dir / "target", dir / "r.txt");
  r = RunScanner(dir.path(), "--report r.txt scan");
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(ReadBytes(dir / "target"), "kept");
}

// The demo: the sample maker's folder for the bundled database, cured and
// cleaned in one run.
TEST(CliDemoTest, CureOrDeleteGivesBackEveryCleanProgramAndDeletesTheRest) {
  TempDir dir;
  std::filesystem::copy_file(VSK_DATABASE, dir / "VirusBase.vbf");
  const std::string make = "'" VSK_MAKE_SAMPLES "' '" + (dir / "VirusBase.vbf").string() + "' '" +
                           dir.path().string() + "'";
  ASSERT_EQ(std::system(make.c_str()), 0);
  const Result r = RunScanner(dir.path(), "--subdirs --action cure-or-delete --yes samples");
  EXPECT_EQ(r.code, 1);
  for (const char* line : {"samples/com/hello.com\tВылечен\n", "samples/dos/dosprog.exe\tВылечен\n",
                           "samples/win/winprog.exe\tВылечен\n", "samples/companion/game.exe\tВылечен\n",
                           "samples/avtest.com\tНеизлечим, удалён\n",
                           "samples/dropper.bin\tНеизлечим, удалён\n"})
    EXPECT_NE(r.out.find(line), std::string::npos) << line << r.out;
  const auto s = dir / "samples";
  EXPECT_EQ(ReadBytes(s / "com/hello.com"), ReadBytes(dir / "clean/hello.com"));
  EXPECT_EQ(ReadBytes(s / "dos/dosprog.exe"), ReadBytes(dir / "clean/dosprog.exe"));
  EXPECT_EQ(ReadBytes(s / "win/winprog.exe"), ReadBytes(dir / "clean/winprog.exe"));
  EXPECT_EQ(ReadBytes(s / "companion/game.exe"), ReadBytes(dir / "clean/game.exe"));
  EXPECT_FALSE(std::filesystem::exists(s / "companion/game.OVL"));
  EXPECT_FALSE(std::filesystem::exists(s / "avtest.com"));
  EXPECT_FALSE(std::filesystem::exists(s / "dropper.bin"));
  EXPECT_TRUE(std::filesystem::exists(s / "docs/letter.txt"));
  EXPECT_EQ(RunScanner(dir.path(), "--subdirs samples").code, 0);
}

}  // namespace
}  // namespace vsk::test

namespace vsk::test {
namespace {

// An archive is one line: the member after a third tab, escaped like any
// name; a member not read exits 2 even with a limit the user set.
TEST_F(CliTest, ArchiveRowsNameTheMember) {
  WriteBytes(dir / "arc" / "mail.dat",
             ZipBuilder().Add(Deflated("in\tner.zip", ZipBuilder()
                 .Add(Deflated("setup.exe", "..EVIL-SIGNATURE..")).Build())).Build());
  Result r = RunScanner(dir.path(), "arc");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.out.find("arc/mail.dat\tEvil\tin\\tner.zip::setup.exe\n"), std::string::npos) << r.out;
  r = RunScanner(dir.path(), "--archive-depth 1 arc");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.out.find("arc/mail.dat\tОшибка доступа-пропущен\tin\\tner.zip: превышена глубина"),
            std::string::npos) << r.out;
  EXPECT_EQ(RunScanner(dir.path(), "--archive-depth 0 arc").code, 0);
  EXPECT_NE(RunScanner(dir.path(), "--archive-ratio 0 arc").err.find("после --archive-ratio нужно число"),
            std::string::npos);
}

}  // namespace
}  // namespace vsk::test
