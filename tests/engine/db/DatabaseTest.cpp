#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "engine/scan/FolderWalk.h"
#include "engine/db/Texts.h"
#include "tests/TestUtil.h"
#include "engine/text/Encoding.h"
#include "engine/db/VirusDatabase.h"

using namespace std::string_literals;
namespace vsk {
namespace {
namespace fs = std::filesystem;
using test::DatabaseImage;
using test::ReadBytes;
using test::RecordingMessages;
using test::Sig;
using test::TempDir;
using test::WriteBytes;

std::string Sig30(char seed) {
  std::string s;
  for (int i = 0; i < 30; ++i) s.push_back(static_cast<char>(seed + i * 7));
  return s;
}

TEST(DatabaseHeaderTest, AcceptsTheExactHeaderAndRefusesAnyDifference) {
  TempDir dir;
  const auto db = dir / "VirusBase.vbf";
  RecordingMessages m;
  EXPECT_FALSE(CheckDatabaseHeader(m, db));
  ASSERT_EQ(m.shown.size(), 1u);
  EXPECT_EQ(m.shown[0], msg::kDatabaseMissing);

  WriteBytes(db, DatabaseImage({{"A", "xy"}}));
  EXPECT_TRUE(CheckDatabaseHeader(m, db));
  EXPECT_EQ(m.shown.size(), 1u);

  std::string lastByte = DatabaseImage({});
  lastByte[103] = 'x';
  WriteBytes(db, lastByte);
  EXPECT_FALSE(CheckDatabaseHeader(m, db));
  EXPECT_EQ(m.shown.back(), msg::kDatabaseDamaged);

  WriteBytes(db, std::string(DatabaseHeader().substr(0, 103)));
  EXPECT_FALSE(CheckDatabaseHeader(m, db));
  EXPECT_EQ(m.shown.size(), 3u);
  EXPECT_EQ(DatabaseHeader().size(), 104u);
  EXPECT_EQ(DatabaseHeader().substr(0, 39), "Vireskand version 3.15 Virus Database\r\n");
}

TEST(LoadVirusTableTest, LoadsNamesLengthsFlagsAndUnmaskedSignatures) {
  TempDir dir;
  const auto db = dir / "VirusBase.vbf";
  const std::string name32(32, 'N');
  WriteBytes(db, DatabaseImage({{"Test Virus", Sig30('a'), true},
                                {name32, "\x01\x02\x03"},
                                {"Вирус", "Z"}}));
  VirusTable t;
  RecordingMessages m;
  ASSERT_EQ(LoadVirusTable(t, m, db), LoadResult::Loaded);
  EXPECT_TRUE(m.shown.empty());
  ASSERT_EQ(t.count, 3);
  EXPECT_EQ(t.names[0], "Test");  // formatted input stops at the blank
  EXPECT_EQ(t.names[1], name32);  // no terminator in a full field
  EXPECT_EQ(t.Name(2), L"Вирус");
  EXPECT_EQ(t.lengths[0], 30);
  EXPECT_EQ(t.curable[0], 1);
  EXPECT_EQ(t.curable[1], 0);
  EXPECT_EQ(std::string(t.signatures[0].begin(), t.signatures[0].end()), Sig30('a'));
  EXPECT_EQ(t.lengths[1], 3);
  EXPECT_EQ(t.signatures[1][2], 3);
}

TEST(LoadVirusTableTest, CountLimits) {
  TempDir dir;
  const auto db = dir / "VirusBase.vbf";
  std::vector<Sig> many(200, Sig{"V", "ab"});
  WriteBytes(db, DatabaseImage(many));
  VirusTable t;
  RecordingMessages m;
  EXPECT_EQ(LoadVirusTable(t, m, db), LoadResult::Loaded);
  EXPECT_EQ(t.count, 200);

  many.push_back({"W", "cd"});
  WriteBytes(db, DatabaseImage(many));
  EXPECT_EQ(LoadVirusTable(t, m, db), LoadResult::TooBig);
  EXPECT_EQ(t.count, 0);
  ASSERT_EQ(m.shown.size(), 1u);
  EXPECT_EQ(m.shown[0], msg::kDatabaseTooBig);

  WriteBytes(db, DatabaseImage({}));
  EXPECT_EQ(LoadVirusTable(t, m, db), LoadResult::Empty);
  EXPECT_EQ(m.shown.back(), msg::kDatabaseEmpty);
  EXPECT_EQ(t.count, 0);

  // A count above 200 is told as too big, whatever the file holds after it.
  WriteBytes(db, DatabaseImage({{"V", "ab"}}, 201));
  EXPECT_TRUE(CheckDatabaseHeader(m, db));
  EXPECT_EQ(LoadVirusTable(t, m, db), LoadResult::TooBig);
  EXPECT_EQ(m.shown.back(), msg::kDatabaseTooBig);
}

TEST(LoadVirusTableTest, MissingFileKeepsThePreviousTable) {
  TempDir dir;
  VirusTable t = test::MakeTable({{"Old", "xyz"}});
  RecordingMessages m;
  EXPECT_EQ(LoadVirusTable(t, m, dir / "VirusBase.vbf"), LoadResult::Missing);
  EXPECT_EQ(m.shown.at(0), msg::kDatabaseMissingLoad);
  EXPECT_EQ(t.count, 1);
  EXPECT_EQ(t.names[0], "Old");
}

TEST(LoadVirusTableTest, StoredLengthsAboveThirtyNeverMatchAndBlankFieldsGetAStandIn) {
  TempDir dir;
  const auto db = dir / "VirusBase.vbf";
  std::string image = DatabaseImage({{"Good", "abc"}, {"Long", "def"}});
  image[kRecordsOffset + kRecordSize + kNameField] = 31;
  WriteBytes(db, image + "trailing bytes are never read");
  VirusTable t;
  RecordingMessages m;
  ASSERT_EQ(LoadVirusTable(t, m, db), LoadResult::Loaded);
  EXPECT_EQ(t.count, 2);
  EXPECT_EQ(t.lengths[0], 3);
  EXPECT_EQ(t.lengths[1], 0);
  EXPECT_EQ(t.names[1], "Long");
  ASSERT_EQ(m.shown.size(), 1u);
  EXPECT_EQ(m.shown[0], std::wstring(msg::kBadSignatureLengths) + L"\nзапись №2 «Long»: длина 31");
  m.shown.clear();

  // A name field of blanks: the formatted read runs on into the length
  // byte and stops at the zero flag, which leaves no visible name.
  std::string blanks = DatabaseImage({{"X", "abc"}});
  std::fill_n(blanks.begin() + kRecordsOffset, kNameField, ' ');
  WriteBytes(db, blanks);
  ASSERT_EQ(LoadVirusTable(t, m, db), LoadResult::Loaded);
  EXPECT_EQ(t.Name(0), L"Запись №1");
  EXPECT_EQ(t.lengths[0], 3);
  ASSERT_EQ(m.shown.size(), 1u);
  EXPECT_NE(m.shown[0].find(L"запись №1: без названия"), std::wstring::npos);
}

// A table that can find nothing would pass every file as clean; the one
// read of the checked load sees the header and the records in the same bytes.
TEST(LoadVirusTableTest, ATableWithNoUsableRecordIsRefusedAsDamaged) {
  TempDir dir;
  const auto db = dir / "VirusBase.vbf";
  std::string image = DatabaseImage({{"Zero", ""}, {"Long", "def"}});
  image[kRecordsOffset + kRecordSize + kNameField] = 200;
  WriteBytes(db, image);
  VirusTable t = test::MakeTable({{"Old", "xyz"}});
  RecordingMessages m;
  EXPECT_EQ(LoadVirusTable(t, m, db), LoadResult::Damaged);
  EXPECT_EQ(t.count, 0);
  ASSERT_EQ(m.shown.size(), 2u);
  EXPECT_NE(m.shown[0].find(L"запись №1 «Zero»: длина 0\nзапись №2 «Long»: длина 200"),
            std::wstring::npos);
  EXPECT_EQ(m.shown[1], msg::kDatabaseDamaged);
  EXPECT_EQ(LoadCheckedDatabase(t, m, db), LoadResult::Damaged);

  WriteBytes(db, DatabaseImage({{"Good", "abc"}}));
  EXPECT_EQ(LoadCheckedDatabase(t, m, db), LoadResult::Loaded);
  EXPECT_EQ(t.count, 1);
  EXPECT_EQ(t.lengths[0], 3);
  std::string headless = DatabaseImage({{"Good", "abc"}});
  headless[kHeaderSize - 1] = ' ';
  WriteBytes(db, headless);
  m.shown.clear();
  EXPECT_EQ(LoadCheckedDatabase(t, m, db), LoadResult::Damaged);
  EXPECT_EQ(t.count, 0);
  EXPECT_EQ(m.shown, std::vector<std::wstring>{msg::kDatabaseDamaged});
  EXPECT_EQ(LoadCheckedDatabase(t, m, dir / "missing.vbf"), LoadResult::Missing);
  EXPECT_EQ(m.shown.back(), msg::kDatabaseMissing);
}

// Files that cannot be trusted to hold what their count says: none of them
// may load, the start-up check refuses them with the structure message, and
// the table is left empty.
TEST(DamagedDatabaseTest, ShortTruncatedAndHeaderOnlyFilesAreRefusedWithTheStructureMessage) {
  TempDir dir;
  const auto db = dir / "VirusBase.vbf";
  std::vector<Sig> six;
  for (int i = 0; i < 6; ++i) six.push_back({"V" + std::to_string(i), "abc"});
  const std::string full = DatabaseImage(six);
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"count 6, no records", full.substr(0, kRecordsOffset)},
      {"cut inside record 4", full.substr(0, kRecordsOffset + 3 * kRecordSize + 40)},
      {"one byte short", full.substr(0, full.size() - 1)},
      {"header only", std::string(DatabaseHeader())},
      {"count byte, no reserved bytes", full.substr(0, kCountOffset + 1)},
  };
  for (const auto& c : cases) {
    WriteBytes(db, c.bytes);
    RecordingMessages m;
    EXPECT_FALSE(CheckDatabaseHeader(m, db)) << c.what;
    VirusTable t = test::MakeTable({{"Old", "xyz"}});
    EXPECT_EQ(LoadVirusTable(t, m, db), LoadResult::Damaged) << c.what;
    EXPECT_EQ(t.count, 0) << c.what;
    EXPECT_EQ(m.shown, std::vector<std::wstring>(2, msg::kDatabaseDamaged)) << c.what;
  }
  WriteBytes(db, full);
  RecordingMessages m;
  EXPECT_TRUE(CheckDatabaseHeader(m, db));
  VirusTable t;
  EXPECT_EQ(LoadVirusTable(t, m, db), LoadResult::Loaded);
  EXPECT_EQ(t.count, 6);
  EXPECT_TRUE(m.shown.empty());
}

#ifndef _WIN32
// Each says it cannot read the file and why, at once: a FIFO is never
// waited on.
TEST(DamagedDatabaseTest, AFileThatCannotBeReadIsToldWithItsReason) {
  TempDir dir;
  const auto fifo = dir / "fifo.vbf";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_directory(dir / "folder.vbf");
  std::vector<std::pair<fs::path, std::wstring>> cases = {
      {fifo, L"Это не файл, а папка или устройство."},
      {dir / "folder.vbf", L"Это не файл, а папка или устройство."}};
  if (::geteuid() != 0) {  // root reads any file
    WriteBytes(dir / "locked.vbf", DatabaseImage({{"A", "abc"}}));
    fs::permissions(dir / "locked.vbf", fs::perms::none);
    cases.push_back({dir / "locked.vbf", L"Нет прав на чтение файла."});
  }
  for (const auto& [file, reason] : cases) {
    const std::wstring told = std::wstring(msg::kDatabaseUnreadable) + L"\n" + reason;
    RecordingMessages m;
    EXPECT_FALSE(CheckDatabaseHeader(m, file));
    VirusTable t = test::MakeTable({{"Old", "xyz"}});
    EXPECT_EQ(LoadVirusTable(t, m, file), LoadResult::Unreadable);
    EXPECT_EQ(t.count, 1) << "an unreadable file leaves the table as it was";
    EXPECT_EQ(ReadRecordCount(m, file), -1);
    EXPECT_EQ(m.shown, std::vector<std::wstring>(3, told)) << file;
  }
}
#endif

TEST(VirusNameTest, BlankNamesAndResultTextsAreNoVirusNames) {
  const struct {
    const wchar_t* name;
    NameProblem problem;
  } cases[] = {
      {L"", NameProblem::Blank},           {L"   ", NameProblem::Blank},
      {L"\t \t", NameProblem::Blank},      {L"OK", NameProblem::ResultText},
      {L"Вылечен", NameProblem::ResultText}, {L"Файл не найден", NameProblem::ResultText},
      {L"Ошибка доступа-пропущен", NameProblem::ResultText},
      {L"OK Virus", NameProblem::ResultText},  // the loader reads its first word
      {L"  Удалён", NameProblem::ResultText},  {L" Файл не найден ", NameProblem::ResultText},
      {L"Файл", NameProblem::None},
      {L"ok", NameProblem::None},            {L"Trojan.OK", NameProblem::None},
  };
  for (const auto& c : cases) EXPECT_EQ(CheckVirusName(c.name), c.problem) << ToUtf8(c.name);
}

TEST(VirusNameTest, RecordsNamedLikeAResultLoadUnderTheirNumberWithOneWarning) {
  TempDir dir;
  const auto db = dir / "VirusBase.vbf";
  std::string image = DatabaseImage({{"Good", "abc"}, {"OK", "def"}, {"Z", "ghi"}, {"Удалён", "jkl"}});
  std::fill_n(image.begin() + kRecordsOffset + 2 * kRecordSize, kNameField, '\0');
  WriteBytes(db, image);
  VirusTable t;
  RecordingMessages m;
  ASSERT_EQ(LoadVirusTable(t, m, db), LoadResult::Loaded);
  EXPECT_EQ(t.Name(0), L"Good");
  EXPECT_EQ(t.Name(1), L"Запись №2");
  EXPECT_EQ(t.Name(2), L"Запись №3");
  EXPECT_EQ(t.Name(3), L"Запись №4");
  EXPECT_EQ(t.lengths[1], 3) << "still detected";
  for (int i = 0; i < t.count; ++i) EXPECT_FALSE(IsResultText(t.Name(i))) << i;
  ASSERT_EQ(m.shown.size(), 1u);
  EXPECT_EQ(m.shown[0], std::wstring(msg::kBadVirusNames) +
                            L"\nзапись №2: «OK»\nзапись №3: без названия\nзапись №4: «Удалён»"
                            L"\nТакие вирусы показываются как «Запись №N».");
}

TEST(ReadRecordCountTest, ReturnsTheCountByteOrFails) {
  TempDir dir;
  const auto db = dir / "VirusBase.vbf";
  RecordingMessages m;
  EXPECT_EQ(ReadRecordCount(m, db), -1);
  EXPECT_EQ(m.shown.back(), msg::kDatabaseMissing);
  WriteBytes(db, DatabaseImage({{"A", "a"}, {"B", "b"}}));
  EXPECT_EQ(ReadRecordCount(m, db), 2);
  WriteBytes(db, DatabaseImage({}, 201));
  EXPECT_EQ(ReadRecordCount(m, db), -1);
  EXPECT_EQ(m.shown.back(), msg::kDatabaseTooBig);
}

TEST(AppendVirusRecordTest, AppendsOneMaskedRecordAndRaisesTheCount) {
  TempDir dir;
  const auto db = dir / "VirusBase.vbf";
  const std::string before = DatabaseImage({{"A", "abc"}});
  WriteBytes(db, before);
  RecordingMessages m;
  const std::string sig = "\x10\x20\x6B";
  ASSERT_TRUE(AppendVirusRecord(m, 2, Encode1251(L"Новый"), 3, true,
                                reinterpret_cast<const uint8_t*>(sig.data()), db));
  const std::string after = ReadBytes(db);
  ASSERT_EQ(after.size(), before.size() + 64);
  EXPECT_EQ(after[kCountOffset], 2);
  const std::string rec = after.substr(before.size());
  EXPECT_EQ(rec.substr(0, 5), "\xCD\xEE\xE2\xFB\xE9");  // 1251 bytes of the name
  EXPECT_EQ(rec.substr(5, 27), std::string(27, '\0'));
  EXPECT_EQ(rec[32], 3);
  EXPECT_EQ(rec[33], 1);
  EXPECT_EQ(rec.substr(34, 3), "\x7B\x4B\x00"s);
  EXPECT_EQ(rec.substr(37), std::string(27, '\x6B'));  // zero padding, masked

  VirusTable t;
  ASSERT_EQ(LoadVirusTable(t, m, db), LoadResult::Loaded);
  EXPECT_EQ(t.Name(1), L"Новый");
  EXPECT_EQ(std::string(t.signatures[1].begin(), t.signatures[1].begin() + 3), sig);
  EXPECT_TRUE(m.shown.empty());
}

TEST(AppendVirusRecordTest, RefusesWithoutTouchingTheFile) {
  TempDir dir;
  const auto db = dir / "VirusBase.vbf";
  RecordingMessages m;
  const uint8_t sig[1] = {1};
  EXPECT_FALSE(AppendVirusRecord(m, 1, "A", 1, false, sig, db));
  EXPECT_EQ(m.shown.back(), msg::kDatabaseMissing);

  // A count that no byte can hold.
  std::string full = DatabaseImage(std::vector<Sig>(255, Sig{"V", "ab"}));
  WriteBytes(db, full);
  EXPECT_FALSE(AppendVirusRecord(m, 256, "A", 1, false, sig, db));
  EXPECT_EQ(m.shown.back(), msg::kDatabaseTooBig);
  EXPECT_EQ(ReadBytes(db), full);

  // Stored count and records disagree: appending would put the record where
  // the loader never looks.
  const std::string odd = DatabaseImage({{"A", "a"}}) + "junk";
  WriteBytes(db, odd);
  EXPECT_FALSE(AppendVirusRecord(m, 2, "B", 1, false, sig, db));
  EXPECT_EQ(m.shown.back(), msg::kDatabaseDamaged);
  EXPECT_EQ(ReadBytes(db), odd);

  // The editor's running count out of step with the file.
  const std::string one = DatabaseImage({{"A", "a"}});
  WriteBytes(db, one);
  EXPECT_FALSE(AppendVirusRecord(m, 3, "B", 1, false, sig, db));
  EXPECT_EQ(ReadBytes(db), one);
}

TEST(BundledDatabaseTest, IsWhatTheGeneratorMakesFromItsSource) {
  const std::filesystem::path db = std::filesystem::path(VSK_SOURCE_DIR) / "data/VirusBase.vbf";
  RecordingMessages m;
  ASSERT_TRUE(CheckDatabaseHeader(m, db));
  VirusTable t;
  ASSERT_EQ(LoadVirusTable(t, m, db), LoadResult::Loaded);
  ASSERT_EQ(t.count, 6);
  EXPECT_EQ(std::filesystem::file_size(db), 112u + 6 * 64);
  for (int i : {0, 3, 4, 5}) EXPECT_NE(t.curable[i], 0) << i;
  EXPECT_EQ(t.curable[1], 0);
  EXPECT_EQ(std::string(t.signatures[1].begin(), t.signatures[1].end()),
            "-STANDARD-ANTIVIRUS-TEST-FILE!");
  for (int i = 0; i < t.count; ++i) {
    EXPECT_EQ(t.lengths[i], 30);
    EXPECT_EQ(t.names[i].find(' '), std::string::npos);
  }
}

}  // namespace
}  // namespace vsk
