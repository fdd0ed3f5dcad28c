// The quarantine: its records, restore and purge, same-named files of one
// batch, the record format and the hashing the records use.
#include <gtest/gtest.h>

#include <ctime>

#include "engine/actions/CheckedTarget.h"
#include "tests/engine/actions/HostileTree.h"

namespace vsk::test {
namespace {

// The quarantine is acted on as on the hostile tree.
using QuarantineTest = HostileTreeTest;

// Same-named files of one batch both stay; the window's question stays.
TEST_F(QuarantineTest, SameNamedFilesInOneBatchAreBothKept) {
  WriteBytes(dir / "a" / "x.exe", "first PLAIN-SIGNATURE");
  WriteBytes(dir / "b" / "x.exe", "second PLAIN-SIGNATURE");
  WriteBytes(dir / "c" / "x.exe", "third PLAIN-SIGNATURE");
  Act(MoveToQuarantine, dir / "a" / "x.exe", L"Plain");
  Act(MoveToQuarantine, dir / "b" / "x.exe", L"Plain");
  EXPECT_EQ(ReadBytes(work / "!!!Infected" / "x.exe"), "first PLAIN-SIGNATURE");
  EXPECT_EQ(ReadBytes(work / "!!!Infected" / "x~2.exe"), "second PLAIN-SIGNATURE");
  EXPECT_TRUE(rec.asked.empty());

  naming = QuarantineNaming::AskToReplace;
  rec.answer = true;
  Act(MoveToQuarantine, dir / "c" / "x.exe", L"Plain");
  EXPECT_EQ(rec.asked.size(), 1u);
  EXPECT_EQ(ReadBytes(work / "!!!Infected" / "x.exe"), "third PLAIN-SIGNATURE");
  Quarantine quarantine;
  ASSERT_EQ(quarantine.Open(work.path(), false), Quarantine::Opened::Yes);
  const auto records = quarantine.Records();
  ASSERT_EQ(records.size(), 2u);  // the replaced file's record went with it
  EXPECT_EQ(records[0].stored, fs::path("x~2.exe").native());
  EXPECT_EQ(records[1].original, fs::absolute(dir / "c" / "x.exe"));
}

TEST_F(QuarantineTest, QuarantineRecordsRestoreAndPurge) {
  const std::string bytes = "program PLAIN-SIGNATURE " + std::string(3000, 'z');
  // In folders four deep, all named in Russian.
  const os::NativeName stored = fs::path(u8"файл.exe").native();
  const fs::path sub = dir / fs::path(u8"Русская папка 0");
  fs::path file = sub;
  for (int i = 1; i < 4; ++i) file /= fs::path(u8"Русская папка ").concat(std::to_string(i));
  file /= stored;
  WriteBytes(file, bytes);
  Act(MoveToQuarantine, file, L"Plain");
  EXPECT_EQ(Text(), L"Перемещён");
  Quarantine quarantine;
  ASSERT_EQ(quarantine.Open(work.path(), false), Quarantine::Opened::Yes);
  auto records = quarantine.Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].original, fs::absolute(file));
  EXPECT_EQ(records[0].virus, L"Plain");
  EXPECT_EQ(records[0].size, bytes.size());
  EXPECT_EQ(records[0].sha256, Hash(bytes));
  EXPECT_EQ(records[0].time.size(), 20u);
  QuarantineRecord parsed;
  ASSERT_TRUE(ParseRecord(FormatRecord(records[0]), parsed));
  EXPECT_EQ(FormatRecord(parsed), FormatRecord(records[0]));

  // Something at the original path is never replaced.
  WriteBytes(file, "new file");
  EXPECT_NE(quarantine.Restore(stored), L"");
  EXPECT_EQ(ReadBytes(file), "new file");
  EXPECT_EQ(quarantine.Records().size(), 1u);

  // A stored file that changed is not put back.
  fs::remove_all(sub);
  WriteBytes(work / "!!!Infected" / stored, "tampered");
  EXPECT_NE(quarantine.Restore(stored), L"");
  EXPECT_FALSE(fs::exists(file));
  WriteBytes(work / "!!!Infected" / stored, bytes);

  // Back byte for byte, its folders made again, and the record gone.
  EXPECT_EQ(quarantine.Restore(stored), L"");
  EXPECT_EQ(ReadBytes(file), bytes);
  EXPECT_TRUE(quarantine.Records().empty());
  EXPECT_NE(quarantine.Restore(stored), L"");

  Act(MoveToQuarantine, file, L"Plain");
  EXPECT_EQ(quarantine.Purge(Native("nothing.exe")), L"В карантине нет файла nothing.exe");
  EXPECT_EQ(quarantine.Purge(stored), L"");
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(Names(work / "!!!Infected"),
            (std::vector<std::string>{kQuarantineLock, kQuarantineRecords}));
  EXPECT_TRUE(quarantine.Records().empty());
}

TEST(QuarantineRecordTest, NamesKeepTheirNativeFormThroughTheText) {
  QuarantineRecord r{fs::path("tab\there%.exe").native(), fs::path("/x/new\nline"), L"Вирус",
                     "2024-01-02T03:04:05Z", 12, std::string(64, 'a')};
  const std::string line = FormatRecord(r);
  EXPECT_EQ(line.find('\n'), std::string::npos);
  EXPECT_EQ(line.substr(0, line.find('\t', 0)), "tab%09here%25.exe");
  QuarantineRecord back;
  ASSERT_TRUE(ParseRecord(line, back));
  EXPECT_EQ(back.stored, r.stored);
  EXPECT_EQ(back.original, r.original);
  EXPECT_EQ(back.virus, L"Вирус");
  EXPECT_EQ(back.size, 12u);
  EXPECT_FALSE(ParseRecord("too\tfew\tfields", back));
  EXPECT_FALSE(ParseRecord(line.substr(0, line.size() - 1), back));  // a short hash
  os::NativeName name;
  EXPECT_FALSE(UnescapeName("bad%zz", name));
  EXPECT_FALSE(UnescapeName("cut%4", name));
#ifdef _WIN32
  const os::NativeName lone = {L'a', static_cast<wchar_t>(0xD800), L'b'};
  EXPECT_EQ(EscapeName(lone), "a%ED%A0%80b");
#else
  const os::NativeName lone = "caf\xe9.exe";
  EXPECT_EQ(EscapeName(lone), "caf%E9.exe");
#endif
  ASSERT_TRUE(UnescapeName(EscapeName(lone), name));
  EXPECT_EQ(name, lone);
}

TEST(Sha256Test, KnownDigests) {
  EXPECT_EQ(Hash(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Hash("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // Fed in uneven pieces across block borders.
  const std::string million(1000000, 'a');
  Sha256 pieces;
  for (size_t at = 0; at < million.size(); at += 777)
    pieces.Add(million.data() + at, std::min<size_t>(777, million.size() - at));
  EXPECT_EQ(pieces.HexDigest(), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST_F(QuarantineTest, ARecordTakesItsTimeFromTheClockGiven) {
  WriteBytes(dir / "x.exe", "PLAIN-SIGNATURE");
  Quarantine quarantine([] { return std::string("2024-05-06T07:08:09Z"); });
  ASSERT_EQ(quarantine.Open(work.path(), true), Quarantine::Opened::Yes);
  CheckedTarget file;
  ASSERT_EQ(OpenCheckedTarget(dir / "x.exe", false, file), CheckedTargetState::Ready);
  os::NativeName stored = file.name;
  ASSERT_TRUE(quarantine.Store(file, stored, false, L"Plain"));
  ASSERT_EQ(quarantine.Records().size(), 1u);
  EXPECT_EQ(quarantine.Records()[0].time, "2024-05-06T07:08:09Z");
}

// The default clock: the system's time in UTC, to the second.
TEST(QuarantineClockTest, UtcTimeTextIsTheSystemTimeInUtc) {
  auto utc = [] {
    const std::time_t now = std::time(nullptr);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", std::gmtime(&now));
    return std::string(text);
  };
  const std::string before = utc();
  const std::string text = UtcTimeText();
  const std::string after = utc();
  EXPECT_TRUE(text == before || text == after) << text << " " << before;
}

}  // namespace
}  // namespace vsk::test
