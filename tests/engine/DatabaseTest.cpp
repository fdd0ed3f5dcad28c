#include <gtest/gtest.h>

#include "engine/Messages.h"
#include "tests/TestUtil.h"
#include "engine/Text1251.h"
#include "engine/VirusDatabase.h"

using namespace std::string_literals;
namespace vsk {
namespace {
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

  WriteBytes(db, std::string(DatabaseHeader()));
  EXPECT_EQ(LoadVirusTable(t, m, db), LoadResult::Truncated);
  EXPECT_EQ(m.shown.size(), 2u);  // nothing shown for a missing count byte
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

TEST(LoadVirusTableTest, DamagedRecordsNeverMatchAndNeverReadPastTheFile) {
  TempDir dir;
  const auto db = dir / "VirusBase.vbf";
  std::string image = DatabaseImage({{"Good", "abc"}, {"Long", "def"}, {"Cut", "ghi"}}, 5);
  image[kRecordsOffset + kRecordSize + kNameField] = 31;  // stored length above 30
  image.resize(image.size() - 20);                        // record 2 cut inside its signature
  WriteBytes(db, image);
  VirusTable t;
  RecordingMessages m;
  ASSERT_EQ(LoadVirusTable(t, m, db), LoadResult::Loaded);
  EXPECT_EQ(t.count, 5);
  EXPECT_EQ(t.lengths[0], 3);
  EXPECT_EQ(t.lengths[1], 0);
  EXPECT_EQ(t.names[2], "Cut");
  EXPECT_EQ(t.lengths[2], 3);  // its signature bytes are still inside the file
  EXPECT_EQ(t.lengths[3], 0);
  EXPECT_EQ(t.names[4], "");

  // A name field of blanks: the formatted read runs on into the next bytes.
  std::string blanks = DatabaseImage({{"X", "abc"}});
  std::fill_n(blanks.begin() + kRecordsOffset, kNameField, ' ');
  WriteBytes(db, blanks);
  ASSERT_EQ(LoadVirusTable(t, m, db), LoadResult::Loaded);
  EXPECT_EQ(t.names[0], "\x03");  // the length byte, up to the zero flag
  EXPECT_EQ(t.lengths[0], 3);
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
