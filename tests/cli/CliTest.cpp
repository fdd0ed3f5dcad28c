#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>

#include "TestUtil.h"

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
  for (const char* flag : {"--db", "--subdirs", "--mask", "--ok", "--report", "--append", "--overwrite"})
    EXPECT_NE(help.out.find(flag), std::string::npos) << flag;
}

}  // namespace
}  // namespace vsk
