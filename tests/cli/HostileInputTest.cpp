// The scanner against what a hostile user can plant: names that are not
// text, targets that look like options, databases that find nothing,
// links to files without end and names that forge lines or reorder the
// terminal.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "engine/db/Texts.h"
#include "tests/TestUtil.h"
#include "tests/cli/ScannerProcess.h"

namespace vsk::test {
namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(CliTest, TargetsAndReportNamesKeepTheirOwnBytes) {
  // A 1251 name is no UTF-8; its lossy text names the decoy beside it.
  WriteBytes(dir / "inf\xC0\xE4" / "a.exe", "EVIL-SIGNATURE");
  WriteBytes(dir / "inf\xEF\xBF\xBD\xEF\xBF\xBD" / "a.exe", "clean");
  const Result r = RunScanner(dir.path(), "--report 'r\xFF.txt' 'inf\xC0\xE4'");
  EXPECT_EQ(r.code, 1) << r.err;
  EXPECT_TRUE(Has(r.out, "inf\\xC0\\xE4/a.exe\tEvil\n")) << r.out;
  EXPECT_TRUE(fs::exists(dir / "r\xFF.txt"));
  EXPECT_FALSE(fs::exists(dir / "r\xEF\xBF\xBD.txt"));
  EXPECT_TRUE(Has(ReadBytes(dir / "r\xFF.txt"), "\t\tEvil\r\n"));

  WriteBytes(dir / "base\xFF.vbf", DatabaseImage({{"Other", "CLEAN"}}));
  const Result db = RunScanner(dir.path(), "--db 'base\xFF.vbf' 'inf\xC0\xE4'");
  EXPECT_EQ(db.code, 0) << db.err;
  EXPECT_TRUE(Has(db.err, "base\\xFF.vbf, записей: 1\n")) << db.err;
}

TEST_F(CliTest, DoubleDashEndsTheOptions) {
  WriteBytes(dir / "-evil" / "x.com", "TEST-SIG");
  Result r = RunScanner(dir.path(), "-- -evil");
  EXPECT_EQ(r.code, 1) << r.err;
  EXPECT_TRUE(Has(r.out, "-evil/x.com\tТест\n")) << r.out;
  r = RunScanner(dir.path(), "--ok -- --ok");
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(Has(r.err, "не найдены:\n--ok\n")) << r.err;
  EXPECT_TRUE(Has(RunScanner(dir.path(), "-evil").err, "неизвестный параметр -evil"));
  EXPECT_TRUE(Has(RunScanner(dir.path(), "-- scan scan").err, "указан дважды"));
}

TEST_F(CliTest, AScanNamesItsDatabaseAndSaysWhenItCheckedNoFile) {
  for (const char* mask : {"'*.*'", "'*.exe '", "'?.zzz'"}) {
    const Result r = RunScanner(dir.path(), std::string("--subdirs --mask ") + mask + " scan");
    EXPECT_TRUE(Has(r.out, "Файлов проверено: 0\n")) << mask << r.out;
    EXPECT_TRUE(Has(r.err, "Не проверено ни одного файла.\n")) << mask << r.err;
  }
  const Result r = RunScanner(dir.path(), "scan");
  EXPECT_EQ(r.code, 1);
  EXPECT_FALSE(Has(r.err, "Не проверено")) << r.err;
  // The database used is named with its record count.
  const std::string used = fs::canonical(dir.path()).string() + "/VirusBase.vbf";
  EXPECT_TRUE(Has(r.err, "База данных вирусов: " + used + ", записей: 2\n")) << r.err;
}

TEST_F(CliTest, ADatabaseThatCanFindNothingIsRefusedAndBadLengthsAreNamed) {
  std::string none = DatabaseImage({{"Long", "EVIL-SIGNATURE"}, {"Zero", ""}});
  none[kRecordsOffset + kNameField] = 31;
  WriteBytes(dir / "none.vbf", none);
  Result r = RunScanner(dir.path(), "--db none.vbf scan");
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(Has(r.err, "запись №1 «Long»: длина 31\nзапись №2 «Zero»: длина 0\n")) << r.err;
  EXPECT_TRUE(Has(r.err, ToUtf8(msg::kDatabaseDamaged))) << r.err;

  std::string some = DatabaseImage({{"Evil", "EVIL-SIGNATURE"}, {"Long", "TEST-SIG"}});
  some[kRecordsOffset + kRecordSize + kNameField] = 40;
  WriteBytes(dir / "some.vbf", some);
  r = RunScanner(dir.path(), "--db some.vbf --subdirs scan");
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(Has(r.err, "запись №2 «Long»: длина 40\n")) << r.err;
  EXPECT_TRUE(Has(r.err, ", записей: 2\n")) << r.err;
}

TEST_F(CliTest, ALinkToAProcFileIsReadAsTheNothingItHolds) {
  if (!fs::exists("/proc/self/pagemap")) GTEST_SKIP() << "no /proc/self/pagemap";
  fs::create_directories(dir / "proc");
  fs::create_symlink("/proc/self/pagemap", dir / "proc" / "pagemap");
  fs::create_symlink("/proc/self/mem", dir / "proc" / "mem");
  const Result r = RunScanner(dir.path(), "--ok proc");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "proc/pagemap\tOK\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "proc/mem\tOK\n")) << r.out;
}

// A folder link is never followed: one out of the tree hides what it leads
// to, and says so; one back inside hides nothing.
TEST_F(CliTest, FolderLinksOutOfTheTreeAreSkippedAndThoseBackInsidePassedOver) {
  WriteBytes(dir / "outside" / "w.exe", "EVIL-SIGNATURE");
  fs::create_directory_symlink(dir / "outside", dir / "scan" / "out");
  fs::create_directory_symlink("../sub", dir / "scan" / "sub" / "in");
  fs::create_directory_symlink(dir / "scan", dir / "scan" / "sub" / "root");
  Result r = RunScanner(dir.path(), "--subdirs scan");
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(Has(r.out, "scan/out\tОшибка доступа-пропущен\n")) << r.out;
  EXPECT_FALSE(Has(r.out, "w.exe")) << r.out;
  EXPECT_FALSE(Has(r.out, "sub/in")) << r.out;
  EXPECT_FALSE(Has(r.out, "sub/root")) << r.out;
  EXPECT_TRUE(Has(r.out, "Пропущено (нет доступа): 1\n")) << r.out;
  fs::remove_all(dir / "scan" / "a.exe");
  fs::remove_all(dir / "scan" / "sub" / "b.com");
  EXPECT_EQ(RunScanner(dir.path(), "--subdirs scan").code, 2);
  // Without --subdirs no folder is entered, linked or not.
  r = RunScanner(dir.path(), "scan");
  EXPECT_EQ(r.code, 0) << r.out;
  EXPECT_FALSE(Has(r.out, "scan/out")) << r.out;
}

// A name that would forge a line or reorder the terminal: one line per
// file on stdout, escaped; the report keeps one line per file too.
TEST_F(CliTest, NamesCannotForgeLinesOnStdoutOrInTheReport) {
  WriteBytes(dir / "scan" / "evil\tOK\nclean.com", "EVIL-SIGNATURE");
  WriteBytes(dir / "scan" / "bad\xff.bin", "EVIL-SIGNATURE");
  WriteBytes(dir / "scan" / "back\\slash.bin", "clean");
  WriteBytes(dir / "scan" / "esc\x1b[2J.bin", "clean");
  WriteBytes(dir / "scan" / "a\u202Emoc.txt", "EVIL-SIGNATURE");
  WriteBytes(dir / "scan" / "b\u2066x\u2069\u200F\u061C\u2028.exe", "clean");
  const Result r = RunScanner(dir.path(), "--ok --report r.txt --overwrite scan");
  EXPECT_EQ(r.code, 1);
  for (const char* line : {"\nscan/evil\\tOK\\nclean.com\tEvil\n", "\nscan/bad\\xFF.bin\tEvil\n",
                           "\nscan/back\\\\slash.bin\tOK\n", "\nscan/esc\\x1B[2J.bin\tOK\n",
                           "\nscan/a\\xE2\\x80\\xAEmoc.txt\tEvil\n",
                           "\nscan/b\\xE2\\x81\\xA6x\\xE2\\x81\\xA9\\xE2\\x80\\x8F\\xD8\\x9C\\xE2\\x80\\xA8.exe\tOK\n"})
    EXPECT_NE(("\n" + r.out).find(line), std::string::npos) << line << r.out;
  EXPECT_EQ(r.out.find("evil\tOK\n"), std::string::npos);
  EXPECT_EQ(r.out.find('\x1b'), std::string::npos);
  size_t rows = 0;
  for (size_t at = 0; (at = r.out.find("\tOK\n", at)) != std::string::npos; ++at) ++rows;
  EXPECT_EQ(rows, 4u) << r.out;

  const std::string report = ReadBytes(dir / "r.txt");
  EXPECT_NE(report.find("scan/evil?OK?clean.com\t\tEvil\r\n"), std::string::npos) << report;
  EXPECT_NE(report.find("scan/bad?.bin\t\tEvil\r\n"), std::string::npos) << report;
  for (size_t at = 0; (at = report.find('\n', at)) != std::string::npos; ++at)
    ASSERT_EQ(report[at - 1], '\r') << "no line feed but at a line's end";
  EXPECT_EQ(report.find("\r\r"), std::string::npos);
}

}  // namespace
}  // namespace vsk::test
