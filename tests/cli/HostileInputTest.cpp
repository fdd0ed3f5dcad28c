// The scanner against what a hostile user can plant: names that are not
// text, targets that look like options, databases that find nothing,
// links to files without end and names that reorder the terminal.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "engine/db/Texts.h"
#include "tests/TestUtil.h"
#include "tests/cli/ScannerProcess.h"

namespace vsk {
namespace {
namespace fs = std::filesystem;
using test::CliTest;
using test::DatabaseImage;
using test::Result;
using test::RunScanner;
using test::WriteBytes;

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
  EXPECT_TRUE(Has(test::ReadBytes(dir / "r\xFF.txt"), "\t\tEvil\r\n"));

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

TEST_F(CliTest, AScanThatCheckedNoFileSaysSo) {
  for (const char* mask : {"'*.*'", "'*.exe '", "'?.zzz'"}) {
    const Result r = RunScanner(dir.path(), std::string("--subdirs --mask ") + mask + " scan");
    EXPECT_TRUE(Has(r.out, "Файлов проверено: 0\n")) << mask << r.out;
    EXPECT_TRUE(Has(r.err, "Не проверено ни одного файла.\n")) << mask << r.err;
  }
  const Result r = RunScanner(dir.path(), "scan");
  EXPECT_FALSE(Has(r.err, "Не проверено")) << r.err;
}

TEST_F(CliTest, TheDatabaseUsedIsNamedWithItsRecordCount) {
  const Result r = RunScanner(dir.path(), "scan");
  EXPECT_EQ(r.code, 1);
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

TEST_F(CliTest, NamesThatReorderTheTerminalArePrintedEscaped) {
  WriteBytes(dir / "bidi" / "a\u202Emoc.txt", "EVIL-SIGNATURE");
  WriteBytes(dir / "bidi" / "b\u2066x\u2069\u200F\u061C\u2028.exe", "clean");
  const Result r = RunScanner(dir.path(), "--ok bidi");
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(Has(r.out, "bidi/a\\xE2\\x80\\xAEmoc.txt\tEvil\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "bidi/b\\xE2\\x81\\xA6x\\xE2\\x81\\xA9\\xE2\\x80\\x8F\\xD8\\x9C\\xE2\\x80\\xA8.exe\tOK\n"))
      << r.out;
}

}  // namespace
}  // namespace vsk
