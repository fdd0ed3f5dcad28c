#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "engine/scan/Report.h"
#include "tests/TestUtil.h"

namespace vsk {
namespace {
using test::ReadBytes;
using test::TempDir;

class Rows : public IRowSource {
 public:
  std::vector<std::pair<std::wstring, std::wstring>> rows;
  int asked = 0;
  int RowCount() override {
    ++asked;
    return static_cast<int>(rows.size());
  }
  std::wstring RowText(int row, int column) override {
    return column == 0 ? rows[row].first : rows[row].second;
  }
  bool kept = true;
  bool Kept() override { return kept; }
};

const ReportStamp kStamp{7, 3, 2002, 9, 5, L"BOX", L"Иван"};

std::string Expected(const std::string& list) {
  // 1251 bytes of the fixed lines.
  return "Vireskand 2.2 \xD4\xE0\xE9\xEB \xEE\xF2\xF7\xB8\xF2\xE0:\r\n"
         "------------------------------------\r\n\r\n"
         "\xC4\xE0\xF2\xE0: 07.03.2002\t\xC2\xF0\xE5\xEC\xFF: 09:05\r\n\r\n"
         "\xC8\xEC\xFF \xEA\xEE\xEC\xEF\xFC\xFE\xF2\xE5\xF0\xE0 :\t\tBOX\r\n"
         "\xC8\xEC\xFF \xEF\xEE\xEB\xFC\xE7\xEE\xE2\xE0\xF2\xE5\xEB\xFF :\t\xC8\xE2\xE0\xED\r\n"
         "\xCF\xF3\xF2\xFC \xE4\xEB\xFF \xEF\xF0\xEE\xE2\xE5\xF0\xEA\xE8:\tC:\\TEMP\r\n"
         "\xD4\xE0\xE9\xEB\xEE\xE2 \xEF\xF0\xEE\xE2\xE5\xF0\xE5\xED\xEE:\t3\r\n"
         "\xC2\xE8\xF0\xF3\xF1\xEE\xE2 \xEE\xE1\xED\xE0\xF0\xF3\xE6\xE5\xED\xEE:\t1\r\n"
         "\xC2\xF0\xE5\xEC\xFF \xEF\xF0\xEE\xE2\xE5\xF0\xEA\xE8:\t\t12\r\n"
         "\r\n\xD1\xEF\xE8\xF1\xEE\xEA \xEF\xF0\xEE\xE2\xE5\xF0\xE5\xED\xED\xFB\xF5 "
         "\xF4\xE0\xE9\xEB\xEE\xE2:\r\n" +
         list + "\r\n\xCA\xEE\xED\xE5\xF6 \xF1\xEF\xE8\xF1\xEA\xE0.\r\n\r\n\r\n\r\n";
}

TEST(ReportTest, ByteForByteIn1251WithCrLf) {
  TempDir dir;
  Rows rows;
  rows.rows = {{L"C:\\TEMP\\A.EXE", L"Test"}, {L"C:\\TEMP\\Ё\u4E2D.COM", L"Ошибка доступа-пропущен"}};
  ScanCounters c{3, 1, 2, 12};
  ASSERT_TRUE(WriteReport(dir / "r.txt", L"C:\\TEMP", c, 0, rows, kStamp));
  EXPECT_EQ(ReadBytes(dir / "r.txt"),
            Expected("C:\\TEMP\\A.EXE\t\tTest\r\n"
                     "C:\\TEMP\\\xA8?.COM\t\t\xCE\xF8\xE8\xE1\xEA\xE0 \xE4\xEE\xF1\xF2\xF3\xEF\xE0-"
                     "\xEF\xF0\xEE\xEF\xF3\xF9\xE5\xED\r\n"));
  EXPECT_EQ(rows.asked, 3);  // the count is asked before every row
}

TEST(ReportTest, AppendKeepsEarlierReportsAndOverwriteReplacesThem) {
  TempDir dir;
  Rows rows;
  ScanCounters c{3, 1, 0, 12};
  const auto file = dir / "r.txt";
  ASSERT_TRUE(WriteReport(file, L"C:\\TEMP", c, 1, rows, kStamp));
  ASSERT_TRUE(WriteReport(file, L"C:\\TEMP", c, 2, rows, kStamp));
  EXPECT_EQ(ReadBytes(file), Expected("") + Expected(""));
  ASSERT_TRUE(WriteReport(file, L"C:\\TEMP", c, 0, rows, kStamp));
  EXPECT_EQ(ReadBytes(file), Expected(""));
}

TEST(ReportTest, UnwritableFileIsReportedToTheCallerOnly) {
  TempDir dir;
  Rows rows;
  EXPECT_FALSE(WriteReport(dir / "no-such-folder" / "r.txt", L"x", {}, 0, rows, kStamp));
  EXPECT_FALSE(WriteReport(dir.path(), L"x", {}, 0, rows, kStamp));  // a folder
}

TEST(ReportTest, RowsLostOnTheWayLeaveNoReport) {
  TempDir dir;
  Rows rows;
  rows.rows = {{L"C:\\A.EXE", L"Test"}};
  ScanCounters c{3, 1, 0, 12};
  const auto file = dir / "r.txt";
  ASSERT_TRUE(WriteReport(file, L"C:\\TEMP", c, 1, rows, kStamp));
  const std::string before = ReadBytes(file);
  rows.kept = false;
  EXPECT_FALSE(WriteReport(file, L"C:\\TEMP", c, 1, rows, kStamp));
  EXPECT_EQ(ReadBytes(file), before);
  EXPECT_FALSE(WriteReport(dir / "new.txt", L"C:\\TEMP", c, 0, rows, kStamp));
  EXPECT_FALSE(std::filesystem::exists(dir / "new.txt"));
}

TEST(ReportTest, ScansAppendingAtOnceEachAddAWholeReport) {
  TempDir dir;
  const auto file = dir / "r.txt";
  Rows rows;  // large enough to be written in several pieces
  for (int i = 0; i < 3000; ++i) rows.rows.push_back({L"C:\\" + std::to_wstring(i), L"Test"});
  const ScanCounters c{3, 1, 0, 12};
  constexpr int kRounds = 15;
  const auto scan = [&] {
    Rows own = rows;
    for (int i = 0; i < kRounds; ++i) EXPECT_TRUE(WriteReport(file, L"C:\\TEMP", c, 1, own, kStamp));
  };
  std::thread a(scan), b(scan);
  a.join();
  b.join();
  std::string list;
  for (const auto& r : rows.rows)
    list += std::string(r.first.begin(), r.first.end()) + "\t\tTest\r\n";
  const std::string one = Expected(list);
  const std::string all = ReadBytes(file);
  ASSERT_EQ(all.size(), one.size() * 2 * kRounds);
  for (size_t at = 0; at < all.size(); at += one.size()) ASSERT_EQ(all.compare(at, one.size(), one), 0);
}

TEST(ReportTest, StampOfTheMachine) {
  const ReportStamp s = CurrentReportStamp();
  EXPECT_GE(s.year, 2024);
  EXPECT_GE(s.month, 1);
  EXPECT_LE(s.month, 12);
  EXPECT_FALSE(s.computer.empty());
  EXPECT_FALSE(s.user.empty());
}

}  // namespace
}  // namespace vsk
