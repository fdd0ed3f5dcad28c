// What the quarantine dialog tells the user when a restore or purge is
// refused, and its texts (its rows, restore and purge: QuarantineDialogTest).
#include <gtest/gtest.h>

#include <filesystem>

#include "app/QuarantineBook.h"
#include "engine/text/Encoding.h"
#include "tests/QuarantineStock.h"

namespace vsk {
namespace {
namespace fs = std::filesystem;
using test::ReadBytes;
using test::StockQuarantine;
using test::TempDir;
using test::WriteBytes;

bool Contains(const std::wstring& text, const std::wstring& part) {
  return text.find(part) != std::wstring::npos;
}

class QuarantineBookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StockQuarantine(work.path(), "a.exe", "first", dir / "a" / "a.exe", L"Alpha");
    StockQuarantine(work.path(), "b.com", std::string(1536, 'b'), dir / "b.com", L"Beta");
    StockQuarantine(work.path(), "c.exe", "third", dir / "c" / "deep" / "c.exe", L"Gamma");
  }
  TempDir work, dir;
  QuarantineBook book{work.path()};
};

TEST_F(QuarantineBookTest, RefusalsAreToldAndLeaveTheFilesWhereTheyAre) {
  ASSERT_EQ(book.Load(), L"");
  // A file at the original path is never replaced; the other row still goes.
  WriteBytes(dir / "b.com", "a new file");
  const std::wstring taken = book.Restore({0, 1});
  EXPECT_TRUE(Contains(taken, L"Не все файлы удалось восстановить:")) << taken;
  EXPECT_TRUE(Contains(taken, PathText(dir / "b.com"))) << taken;
  EXPECT_EQ(ReadBytes(dir / "b.com"), "a new file");
  EXPECT_EQ(ReadBytes(dir / "a" / "a.exe"), "first");
  EXPECT_EQ(book.Rows().size(), 2u);

#ifndef _WIN32
  // A folder opened to others since it was listed is not trusted: nothing
  // is purged, the reason told, and no rows shown.
  fs::permissions(work / "!!!Infected", fs::perms::others_write, fs::perm_options::add);
  const std::wstring open = book.Purge({0});
  EXPECT_TRUE(Contains(open, L"другие пользователи")) << open;
  EXPECT_TRUE(fs::exists(work / "!!!Infected" / "b.com"));
  EXPECT_TRUE(book.Rows().empty());
  fs::permissions(work / "!!!Infected", fs::perms::others_write, fs::perm_options::remove);
#endif

  // A damaged line is told, and the good records still show.
  {
    std::string records = ReadBytes(work / "!!!Infected" / "Vireskand-quarantine.txt");
    WriteBytes(work / "!!!Infected" / "Vireskand-quarantine.txt", records + "garbage\tline\n");
  }
  const std::wstring damaged = book.Load();
  EXPECT_NE(damaged, L"");
  EXPECT_EQ(book.Rows().size(), 2u);
}

TEST(QuarantineTextsTest, SizesDatesAndTheQuestion) {
  EXPECT_EQ(QuarantineSizeText(0), L"0 байт");
  EXPECT_EQ(QuarantineSizeText(1023), L"1023 байт");
  EXPECT_EQ(QuarantineSizeText(1024), L"1,0 КБ");
  EXPECT_EQ(QuarantineSizeText(1024 * 1024 - 1), L"1023,9 КБ");
  EXPECT_EQ(QuarantineSizeText(5ull << 30), L"5,0 ГБ");
  EXPECT_EQ(QuarantineSizeText(~0ull), L"16777215,9 ТБ");
  EXPECT_EQ(QuarantineDateText("2024-05-06T07:08:09Z"), L"06.05.2024 07:08:09");
  EXPECT_EQ(QuarantineDateText("yesterday"), L"yesterday");
}

}  // namespace
}  // namespace vsk
