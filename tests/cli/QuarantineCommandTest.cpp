// The quarantine commands run on what a scan moved into "!!!Infected".
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/TestUtil.h"
#include "tests/cli/ScannerProcess.h"

namespace vsk::test {
namespace {

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
  EXPECT_NE(r.err.find("ссылкой"), std::string::npos) << r.err;
}

// The list shows names as the scan's rows do, one record a line, and a name
// copied from it restores; the record file keeps its own %XX form.
TEST_F(CliTest, QuarantineListEscapesNamesAsTheScanDoes) {
  const std::string odd = "tab\there%25\xFFnew\nline.exe";
  const std::string shown = "tab\\there%25\\xFFnew\\nline.exe";
  WriteBytes(dir / "odd" / odd, "EVIL-SIGNATURE");
  const Result scan = RunScanner(dir.path(), "--action move --yes odd");
  ASSERT_EQ(scan.code, 1);
  EXPECT_NE(scan.out.find("odd/" + shown + "\tEvil\n"), std::string::npos) << scan.out;
  const Result list = RunScanner(dir.path(), "--quarantine list");
  const std::string from = std::filesystem::canonical(dir / "odd").string() + "/" + shown;
  EXPECT_EQ(list.out.rfind(shown + "\t" + from + "\tEvil\t", 0), 0u) << list.out;
  EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 1) << list.out;
  EXPECT_NE(ReadBytes(dir / "!!!Infected" / "Vireskand-quarantine.txt").find("tab%09here%2525%FFnew%0Aline.exe\t"),
            std::string::npos);
  EXPECT_EQ(RunScanner(dir.path(), "--quarantine restore '" + shown + "'").code, 0);
  EXPECT_EQ(ReadBytes(dir / "odd" / odd), "EVIL-SIGNATURE");
  EXPECT_EQ(RunScanner(dir.path(), "--quarantine list").out, "");
}

// Names reach the quarantine as the system's bytes: a name that is no UTF-8
// is never taken for another that reads alike, and its escaped form from
// the list names it too. A folder others may write is refused.
TEST_F(CliTest, QuarantineNamesStayTheSystemsBytes) {
  const std::string raw = "\xff.com", replacement = "\xef\xbf\xbd.com";
  WriteBytes(dir / "raw" / raw, "EVIL-SIGNATURE");
  WriteBytes(dir / "raw" / replacement, "EVIL-SIGNATURE");
  ASSERT_EQ(RunScanner(dir.path(), "--action move --yes raw").code, 1);
  EXPECT_EQ(RunScanner(dir.path(), "--quarantine purge '" + raw + "'").code, 0);
  EXPECT_FALSE(std::filesystem::exists(dir / "!!!Infected" / raw));
  EXPECT_EQ(RunScanner(dir.path(), "--quarantine restore '" + replacement + "'").code, 0);
  EXPECT_EQ(ReadBytes(dir / "raw" / replacement), "EVIL-SIGNATURE");

  WriteBytes(dir / "raw" / raw, "EVIL-SIGNATURE");
  ASSERT_EQ(RunScanner(dir.path(), "--action move --yes raw").code, 1);
  EXPECT_EQ(RunScanner(dir.path(), "--quarantine restore '\\xFF.com'").code, 0);
  EXPECT_EQ(ReadBytes(dir / "raw" / raw), "EVIL-SIGNATURE");
  const std::string list = RunScanner(dir.path(), "--quarantine list").out;
  EXPECT_EQ(list.rfind(replacement + "\t", 0), 0u) << list;

  std::filesystem::permissions(dir / "!!!Infected", std::filesystem::perms::all);
  const Result r = RunScanner(dir.path(), "--quarantine list");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("могут писать другие"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace vsk::test
