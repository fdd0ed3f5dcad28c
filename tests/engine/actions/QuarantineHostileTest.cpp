// The quarantine as someone who can write near it would attack it: names in
// records that are paths, a quarantine folder that is not ours (a link, open
// to others or another user's), links on the way back, movers at the same
// time, a damaged or huge record file.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <thread>

#include "engine/actions/CheckedTarget.h"
#include "tests/engine/actions/HostileTree.h"

namespace vsk::test {
namespace {

class QuarantineHostileTest : public HostileTreeTest {
 protected:
  fs::path Folder() { return work / "!!!Infected"; }
  fs::path RecordFile() { return Folder() / kQuarantineRecords; }
  // A record line of `stored` (written as it is) from `original`.
  static std::string Line(const std::string& stored, const std::string& original) {
    return stored + "\t" + original + "\tVirus\t2024-01-01T00:00:00Z\t1\t" + std::string(64, 'a');
  }
  void Open(Quarantine& quarantine) {
    ASSERT_EQ(quarantine.Open(work.path(), true), Quarantine::Opened::Yes);
  }
};

// Names that are paths, empty or the record file's own never come out of
// the record file, and nothing outside the folder is touched through them.
TEST_F(QuarantineHostileTest, RecordNamesThatArePathsAreRefused) {
  Quarantine quarantine;
  Open(quarantine);
  const fs::path victim = dir / "victim";
  WriteBytes(victim, "keep");
  WriteBytes(Folder() / "good.exe", "x");
  const std::string from = fs::absolute(dir / "x").string();
  std::ofstream(RecordFile(), std::ios::binary)
      << Line("../../victim", from) << "\n" << Line("..%2F..%2Fvictim", from) << "\n"
      << Line("%2F" + victim.relative_path().string(), from) << "\n" << Line("a\\b", from) << "\n"
      << Line("..", from) << "\n" << Line("Vireskand-quarantine.txt", from) << "\n"
      << Line("nul%00.exe", from) << "\n" << Line("good.exe", "relative/x") << "\n"
      << Line("good.exe", from) << "\n";
  const auto records = quarantine.Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].stored, Native("good.exe"));
  EXPECT_NE(quarantine.Problem().find(L"строк пропущено: 8"), std::wstring::npos);

  for (const char* name : {"../../victim", "../victim", "Vireskand-quarantine.txt",
                           "Vireskand-quarantine.lock", ".."}) {
    EXPECT_NE(quarantine.Purge(Native(name)), L"") << name;
    EXPECT_NE(quarantine.Restore(Native(name)), L"") << name;
  }
  EXPECT_EQ(ReadBytes(victim), "keep");
  EXPECT_TRUE(fs::exists(RecordFile()));
  EXPECT_EQ(quarantine.Records().size(), 1u);

  // A file named as the record file is stored under another name.
  WriteBytes(dir / "Vireskand-quarantine.txt", "PLAIN-SIGNATURE");
  Act(MoveToQuarantine, dir / "Vireskand-quarantine.txt", L"Plain");
  EXPECT_EQ(ReadBytes(Folder() / "Vireskand-quarantine~2.txt"), "PLAIN-SIGNATURE");
  EXPECT_EQ(quarantine.Records().size(), 2u);
}

#ifndef _WIN32
// A quarantine folder that is a link, that another user could write or
// that is another user's is never used: nothing is moved in, nothing is
// asked, and the message says why.
TEST_F(QuarantineHostileTest, AQuarantineFolderNotOursIsRefused) {
  const struct {
    const char* what;
    bool needsRoot;
    void (*make)(const fs::path& folder, const fs::path& elsewhere);
    const wchar_t* why;
  } cases[] = {
      {"a link", false,
       [](const fs::path& folder, const fs::path& elsewhere) {
         fs::create_directory_symlink(elsewhere, folder);
       },
       L""},
      {"open to its group", false,
       [](const fs::path& folder, const fs::path&) {
         fs::create_directory(folder);
         fs::permissions(folder, fs::perms::owner_all | fs::perms::group_all);
       },
       L"могут писать другие"},
      {"another user's", true,
       [](const fs::path& folder, const fs::path&) {
         fs::create_directory(folder);
         fs::permissions(folder, fs::perms::owner_all);
         ASSERT_EQ(::chown(folder.c_str(), 12345, 12345), 0);
       },
       L"другому пользователю"},
  };
  naming = QuarantineNaming::AskToReplace;
  WriteBytes(dir / "x.exe", "PLAIN-SIGNATURE");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.needsRoot && ::geteuid() != 0) continue;
    TempDir other, elsewhere;
    WriteBytes(elsewhere / "x.exe", "someone's file");
    workFolder = other.path();
    c.make(other / "!!!Infected", elsewhere.path());
    rec.told.clear();
    Act(MoveToQuarantine, dir / "x.exe", L"Plain");
    EXPECT_EQ(Text(), L"Plain");
    EXPECT_EQ(ReadBytes(dir / "x.exe"), "PLAIN-SIGNATURE");
    ASSERT_EQ(rec.told.size(), 1u);
    EXPECT_NE(rec.told[0].find(c.why), std::wstring::npos);
    EXPECT_NE(rec.told[0].find((other / "!!!Infected").wstring()), std::wstring::npos);
    EXPECT_TRUE(rec.asked.empty());
    EXPECT_EQ(Names(elsewhere.path()), std::vector<std::string>{"x.exe"});
    EXPECT_EQ(ReadBytes(elsewhere / "x.exe"), "someone's file");
    if (!fs::is_symlink(other / "!!!Infected")) {
      EXPECT_TRUE(Names(other / "!!!Infected").empty());
    }
    Quarantine quarantine;
    EXPECT_EQ(quarantine.Open(other.path(), false), Quarantine::Opened::Refused);
  }
}

// A folder on the way back that became a link is not gone through; the
// quarantine, its record file and the folders restore makes are private.
TEST_F(QuarantineHostileTest, RestoreNeverFollowsALink) {
  const fs::path file = dir / "shared" / "sub" / "a.exe";
  WriteBytes(file, "PLAIN-SIGNATURE");
  Act(MoveToQuarantine, file, L"Plain");
  EXPECT_EQ(ModeOf(Folder()), 0700u);
  EXPECT_EQ(ModeOf(RecordFile()), 0600u);
  fs::remove_all(dir / "shared" / "sub");
  fs::create_directory(dir / "protected");
  fs::create_directory_symlink(dir / "protected", dir / "shared" / "sub");
  Quarantine quarantine;
  Open(quarantine);
  EXPECT_NE(quarantine.Restore(Native("a.exe")).find(L"ссылка"), std::wstring::npos);
  EXPECT_TRUE(Names(dir / "protected").empty());
  EXPECT_EQ(quarantine.Records().size(), 1u);

  fs::remove(dir / "shared" / "sub");
  fs::remove(dir / "shared");
  fs::create_directory_symlink(dir / "protected", dir / "shared");
  EXPECT_NE(quarantine.Restore(Native("a.exe")), L"");
  EXPECT_TRUE(Names(dir / "protected").empty());

  fs::remove(dir / "shared");
  EXPECT_EQ(quarantine.Restore(Native("a.exe")), L"");
  EXPECT_EQ(ReadBytes(file), "PLAIN-SIGNATURE");
  EXPECT_EQ(ModeOf(dir / "shared"), 0700u);
  EXPECT_EQ(ModeOf(dir / "shared" / "sub"), 0700u);
}
#endif

// Two movers at once, many rounds, all files of one name: every stored file has
// exactly one record, and each record its file.
TEST_F(QuarantineHostileTest, ConcurrentMoversLoseNoRecord) {
  constexpr int kFiles = 80;
  for (int t = 0; t < 2; ++t)
    for (int i = 0; i < kFiles; ++i)
      WriteBytes(dir / std::to_string(t) / std::to_string(i) / "x.exe",
                 "PLAIN-SIGNATURE " + std::to_string(t * kFiles + i));
  auto mover = [&](int t) {
    Quarantine quarantine;
    if (quarantine.Open(work.path(), true) != Quarantine::Opened::Yes) return;
    for (int i = 0; i < kFiles; ++i) {
      const fs::path path = dir / std::to_string(t) / std::to_string(i) / "x.exe";
      CheckedTarget file;
      if (OpenCheckedTarget(path, false, file) != CheckedTargetState::Ready) continue;
      os::NativeName stored = quarantine.FreeName(file.name);
      quarantine.Store(file, stored, false, L"Plain");
    }
  };
  std::thread first(mover, 0), second(mover, 1);
  first.join();
  second.join();
  Quarantine quarantine;
  Open(quarantine);
  const auto records = quarantine.Records();
  EXPECT_EQ(quarantine.Problem(), L"");
  EXPECT_EQ(records.size(), 2u * kFiles);
  std::set<os::NativeName> names;
  for (const auto& r : records) {
    EXPECT_TRUE(names.insert(r.stored).second);
    EXPECT_EQ(Hash(ReadBytes(Folder() / r.stored)), r.sha256);
  }
  EXPECT_EQ(Names(Folder()).size(), names.size() + 2);  // the record and lock files
}

// A record file far larger than any journal is never read: the list tells
// it is damaged, and a move leaves the file where it was.
TEST_F(QuarantineHostileTest, AHugeRecordFileIsToldAsDamaged) {
  Quarantine quarantine;
  Open(quarantine);
  WriteBytes(RecordFile(), Line("a.exe", fs::absolute(dir / "a.exe").string()) + "\n");
  std::error_code ec;
  fs::resize_file(RecordFile(), 1ULL << 40, ec);
  if (ec) GTEST_SKIP() << "no sparse files here";
  EXPECT_TRUE(quarantine.Records().empty());
  EXPECT_NE(quarantine.Problem().find(L"слишком велик"), std::wstring::npos);
  EXPECT_NE(quarantine.Purge(Native("a.exe")), L"");
  WriteBytes(dir / "b.exe", "PLAIN-SIGNATURE");
  Act(MoveToQuarantine, dir / "b.exe", L"Plain");
  EXPECT_EQ(ReadBytes(dir / "b.exe"), "PLAIN-SIGNATURE");
  EXPECT_FALSE(fs::exists(Folder() / "b.exe"));
  ASSERT_EQ(rec.told.size(), 1u);
  EXPECT_NE(rec.told[0].find(L"слишком велик"), std::wstring::npos);
  EXPECT_EQ(fs::file_size(RecordFile()), 1ULL << 40);
}

// What a kill leaves: a pending store counts when its file was moved; a
// pending restore ends its record when the file is back in its place and
// keeps it while the file is still stored; a line cut short or far too
// long is skipped, and the next line still reads.
TEST_F(QuarantineHostileTest, TheJournalSurvivesAKillAtAnyStep) {
  Quarantine quarantine;
  Open(quarantine);
  WriteBytes(dir / "s.exe", "PLAIN-SIGNATURE");
  Act(MoveToQuarantine, dir / "s.exe", L"Plain");
  WriteBytes(Folder() / "moved.exe", "x");
  WriteBytes(dir / "back.exe", "x");
  const std::string from = fs::absolute(dir / "x").string();
  std::ofstream(RecordFile(), std::ios::binary | std::ios::app)
      << "<\ts.exe\n" << Line("back.exe", fs::absolute(dir / "back.exe").string())
      << "\n<\tback.exe\n?\t" << Line("moved.exe", from) << "\n?\t" << Line("stayed.exe", from)
      << "\n" << std::string(kMaxJournalLine + 10, 'z') << "\n" << Line("cut.exe", from).substr(0, 30);
  auto records = quarantine.Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].stored, Native("s.exe"));
  EXPECT_EQ(records[1].stored, Native("moved.exe"));
  EXPECT_NE(quarantine.Problem().find(L"строк пропущено: 2"), std::wstring::npos);
  // A restore cut short after its pending line is done again.
  EXPECT_EQ(quarantine.Restore(Native("s.exe")), L"");
  EXPECT_EQ(ReadBytes(dir / "s.exe"), "PLAIN-SIGNATURE");

  // The next line starts on a line of its own.
  WriteBytes(dir / "c.exe", "PLAIN-SIGNATURE");
  Act(MoveToQuarantine, dir / "c.exe", L"Plain");
  records = quarantine.Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].stored, Native("c.exe"));  // the pending one counts after the stream
}

// Restores and purges append; the journal is rewritten with the live
// records only once removals dominate, and stays small.
TEST_F(QuarantineHostileTest, RemovalsAreCompacted) {
  Quarantine quarantine;
  Open(quarantine);
  for (int i = 0; i < 100; ++i) {
    WriteBytes(dir / (std::to_string(i) + ".exe"), "PLAIN-SIGNATURE");
    Act(MoveToQuarantine, dir / (std::to_string(i) + ".exe"), L"Plain");
  }
  for (int i = 1; i < 100; ++i) ASSERT_EQ(quarantine.Purge(Native(std::to_string(i) + ".exe")), L"");
  const std::string text = ReadBytes(RecordFile());
  EXPECT_LT(std::count(text.begin(), text.end(), '\n'), 100);
  const auto records = quarantine.Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].stored, Native("0.exe"));
  EXPECT_EQ(quarantine.Problem(), L"");
}

}  // namespace
}  // namespace vsk::test
