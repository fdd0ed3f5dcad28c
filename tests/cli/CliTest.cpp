#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>

#include <cstdio>
#include <cstdlib>

#include "tests/TestUtil.h"

namespace vsk {
namespace {
using test::DatabaseImage;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

struct Result {
  int code;
  std::string out;
  std::string err;
};

// Runs the scanner in `dir` with `args`, killed after a minute (exit 124).
Result RunScanner(const std::filesystem::path& dir, const std::string& args) {
  const std::filesystem::path err = dir / "stderr.txt";
  const std::string command = "cd '" + dir.string() + "' && timeout 60 '" VSK_SCANNER "' " + args +
                              " 2>'" + err.string() + "'";
  std::FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  const int status = pclose(pipe);
  Result result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, out, ReadBytes(err)};
  std::filesystem::remove(err);
  return result;
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(dir / "VirusBase.vbf", DatabaseImage({{"Evil", "EVIL-SIGNATURE"}, {"Тест", "TEST-SIG"}}));
    WriteBytes(dir / "scan" / "a.exe", "..EVIL-SIGNATURE..");
    WriteBytes(dir / "scan" / "clean.txt", "nothing");
    WriteBytes(dir / "scan" / "sub" / "b.com", "TEST-SIG");
  }
  TempDir dir;
};

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
  const Result help = RunScanner(dir.path(), "--help");
  EXPECT_EQ(help.code, 0);
  for (const char* flag : {"--db", "--subdirs", "--mask", "--ok", "--report", "--append", "--overwrite",
                           "--action", "--yes", "cure-or-move", "--quarantine list",
                           "--quarantine restore", "--quarantine purge"})
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

// Two same-named files of one batch both go into the quarantine; each comes
// back byte for byte, never over anything, or goes for good.
TEST_F(CliTest, QuarantineListRestoreAndPurge) {
  WriteBytes(dir / "scan" / "x" / "a.exe", "second EVIL-SIGNATURE");
  ASSERT_EQ(RunScanner(dir.path(), "--subdirs --action move --yes scan").code, 1);
  // In the walk's order, which is the file system's.
  std::vector<std::string> stored = {ReadBytes(dir / "!!!Infected" / "a.exe"),
                                     ReadBytes(dir / "!!!Infected" / "a~2.exe")};
  std::sort(stored.begin(), stored.end());
  EXPECT_EQ(stored, (std::vector<std::string>{"..EVIL-SIGNATURE..", "second EVIL-SIGNATURE"}));

  Result list = RunScanner(dir.path(), "--quarantine list");
  EXPECT_EQ(list.code, 0);
  EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 3) << list.out;
  const std::string scan = std::filesystem::canonical(dir / "scan").string();
  EXPECT_NE(list.out.find("b.com\t" + scan + "/sub/b.com\tТест\t"), std::string::npos) << list.out;
  // SIZE and SHA-256 of "TEST-SIG".
  EXPECT_NE(list.out.find("\t8\t593676186e8411a61c7c9fb757fe059a40d0dc090950fbfef0dd3eb8c977bd41\n"),
            std::string::npos) << list.out;

  WriteBytes(dir / "scan" / "sub" / "b.com", "a new file");
  Result r = RunScanner(dir.path(), "--quarantine restore b.com");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("не заменяется"), std::string::npos) << r.err;
  EXPECT_EQ(ReadBytes(dir / "scan" / "sub" / "b.com"), "a new file");

  std::filesystem::remove_all(dir / "scan");
  for (const char* name : {"a.exe", "a~2.exe", "b.com"})
    EXPECT_EQ(RunScanner(dir.path(), std::string("--quarantine restore ") + name).code, 0) << name;
  EXPECT_EQ(ReadBytes(dir / "scan" / "a.exe"), "..EVIL-SIGNATURE..");
  EXPECT_EQ(ReadBytes(dir / "scan" / "x" / "a.exe"), "second EVIL-SIGNATURE");
  EXPECT_EQ(ReadBytes(dir / "scan" / "sub" / "b.com"), "TEST-SIG");
  EXPECT_EQ(RunScanner(dir.path(), "--quarantine list").out, "");

  ASSERT_EQ(RunScanner(dir.path(), "--action move --yes scan").code, 1);
  EXPECT_EQ(RunScanner(dir.path(), "--quarantine purge a.exe").code, 0);
  EXPECT_FALSE(std::filesystem::exists(dir / "!!!Infected" / "a.exe"));
  EXPECT_FALSE(std::filesystem::exists(dir / "scan" / "a.exe"));
  EXPECT_EQ(RunScanner(dir.path(), "--quarantine list").out, "");

  for (const char* bad : {"--quarantine", "--quarantine bogus", "--quarantine restore",
                          "--quarantine purge a.exe extra", "--quarantine restore a.exe",
                          "--quarantine purge nothing.exe"}) {
    r = RunScanner(dir.path(), bad);
    EXPECT_EQ(r.code, 2) << bad;
    EXPECT_NE(r.err, "") << bad;
  }
  std::filesystem::remove_all(dir / "!!!Infected");
  std::filesystem::create_directory_symlink(dir / "scan", dir / "!!!Infected");
  r = RunScanner(dir.path(), "--quarantine list");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("ссылка"), std::string::npos) << r.err;
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
}  // namespace vsk
