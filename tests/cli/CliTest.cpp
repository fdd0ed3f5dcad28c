#include <gtest/gtest.h>

#include <sys/wait.h>

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
};

// Runs the scanner in `dir` with `args`; stderr is dropped.
Result RunScanner(const std::filesystem::path& dir, const std::string& args) {
  const std::string command =
      "cd '" + dir.string() + "' && '" VSK_SCANNER "' " + args + " 2>/dev/null";
  std::FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
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
                           "--action", "--yes", "cure-or-move"})
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
