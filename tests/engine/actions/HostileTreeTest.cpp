// The actions on a tree prepared by someone else: links where the actions
// write or look, a report that is a FIFO, names that are no text. Files
// changed between the scan and the action are in ScannedFileTest.cpp, a
// quarantine folder not ours in QuarantineHostileTest.cpp, full disks and
// kills in DiskFullAndKillTest.cpp, paths of any depth in LongPathTest.cpp,
// what a cure keeps of a Windows file in WindowsMetadataTest.cpp.
#include <gtest/gtest.h>

#include "engine/scan/FolderWalk.h"
#include "engine/scan/Report.h"
#include "tests/engine/actions/HostileTree.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vsk::test {
namespace {

TEST_F(HostileTreeTest, AFailedActionKeepsTheRowActionable) {
  const fs::path file = dir / "SETUP.EXE";
  WriteBytes(file, Infected(50));
  WriteBytes(dir / "SETUP.#XE", "in the way");
  Act(RenameInfected, file);
  EXPECT_EQ(Text(), L"Ошибка доступа-пропущен: Com");
  EXPECT_FALSE(IsResultText(Text()));  // the menu opens on it
  EXPECT_EQ(RowVirusName(table, Text()), L"Com");
  EXPECT_EQ(ReadBytes(file), Infected(50));

  Again(CureOrRename, file);  // the cure variants read the virus from it too
  EXPECT_EQ(Text(), L"Вылечен");
  EXPECT_EQ(ReadBytes(file), Cured(Infected(50)));

  // A name that only looks like a failure names no virus.
  EXPECT_EQ(RowVirusName(table, L"Ошибка доступа-пропущен: Nothing"), L"");
  EXPECT_EQ(RowVirusName(table, L"Вылечен"), L"");
}

#ifndef _WIN32

TEST_F(HostileTreeTest, TheCureWritesNoFileThroughALinkAtItsTemporaryName) {
  const std::string infected = Infected(2000);
  WriteBytes(dir / "a.com", infected);
  fs::permissions(dir / "a.com", fs::perms(0640));
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown((dir / "a.com").c_str(), 4242, 4343), 0);
  }
  WriteBytes(work / "secret", "the planter's target");
  fs::permissions(work / "secret", fs::perms(0600));
  // Links at a fixed temporary name and at names of the cure's own pattern.
  for (const char* name : {"a.com.vsk~", "a.com.00000000.vsk~", "a.com.vsk-recovery"})
    fs::create_symlink(work / "secret", dir / name);
  Act(CureOrDelete, dir / "a.com");
  EXPECT_EQ(Text(), L"Вылечен");
  EXPECT_EQ(ReadBytes(dir / "a.com"), Cured(infected));
  EXPECT_EQ(ModeOf(dir / "a.com"), 0640u);
  struct stat st;
  ASSERT_EQ(::stat((dir / "a.com").c_str(), &st), 0);
  if (root) {
    EXPECT_EQ(st.st_uid, 4242u);
    EXPECT_EQ(st.st_gid, 4343u);
  }
  EXPECT_EQ(ReadBytes(work / "secret"), "the planter's target");
  EXPECT_EQ(ModeOf(work / "secret"), 0600u);
  EXPECT_TRUE(fs::is_symlink(dir / "a.com.vsk~"));
  EXPECT_EQ(Names(dir.path()).size(), 4u);
}

TEST_F(HostileTreeTest, ACureThroughALinkIsRefusedAndActionsMoveTheLinkItself) {
  const std::string infected = Infected(1000);
  WriteBytes(dir / "real.com", infected);
  fs::create_symlink("real.com", dir / "link.com");
  Act(CureOrDelete, dir / "link.com");
  EXPECT_EQ(Text(), L"Com");
  ASSERT_EQ(rec.told.size(), 1u);
  EXPECT_NE(rec.told[0].find(L"ссылка"), std::wstring::npos);
  EXPECT_EQ(ReadBytes(dir / "real.com"), infected);
  EXPECT_TRUE(fs::is_symlink(dir / "link.com"));

  Act(RenameInfected, dir / "link.com");
  EXPECT_EQ(Text(), L"Переименован");
  EXPECT_TRUE(fs::is_symlink(dir / "link.#om"));
  Act(MoveToQuarantine, dir / "link.#om");
  EXPECT_EQ(Text(), L"Перемещён");
  EXPECT_EQ(fs::read_symlink(work / "!!!Infected" / "link.#om"), "real.com");
  Quarantine quarantine;
  ASSERT_EQ(quarantine.Open(work.path(), false), Quarantine::Opened::Yes);
  EXPECT_EQ(quarantine.Records().at(0).sha256, Hash("real.com"));  // the link's own text
  EXPECT_EQ(quarantine.Restore(fs::path("link.#om").native()), L"");
  EXPECT_EQ(fs::read_symlink(dir / "link.#om"), "real.com");
  Act(DeleteInfected, dir / "link.#om");
  EXPECT_EQ(Text(), L"Удалён");
  EXPECT_FALSE(fs::is_symlink(dir / "link.#om"));
  EXPECT_EQ(ReadBytes(dir / "real.com"), infected);  // what it led to stays

  // A companion .OVL that leads elsewhere is never read into the program.
  WriteBytes(work / "secret", "private bytes");
  WriteBytes(dir / "GAME.EXE", "COMPANION-SIGNATURE");
  fs::create_symlink(work / "secret", dir / "GAME.OVL");
  Act(CureOrDelete, dir / "GAME.EXE", L"Companion");
  EXPECT_EQ(Text(), L"Ошибка доступа-пропущен: Companion");
  EXPECT_EQ(ReadBytes(dir / "GAME.EXE"), "COMPANION-SIGNATURE");
  EXPECT_EQ(ReadBytes(work / "secret"), "private bytes");
}

TEST_F(HostileTreeTest, TheReportRefusesALinkAFifoADeviceAndAFolder) {
  class NoRows : public IRowSource {
   public:
    int RowCount() override { return 0; }
    std::wstring RowText(int, int) override { return {}; }
  } rows;
  auto write = [&](const fs::path& to) {
    return WriteReport(to, L"x", {}, 1, rows, {}) ? 1 : 0;
  };
  WriteBytes(work / "target", "kept");
  fs::create_symlink(work / "target", dir / "link.txt");
  EXPECT_EQ(write(dir / "link.txt"), 0);
  EXPECT_EQ(ReadBytes(work / "target"), "kept");
  ASSERT_EQ(::mkfifo((dir / "r.fifo").c_str(), 0600), 0);
  EXPECT_EQ(InChild([&] { return write(dir / "r.fifo"); }, 30), 0);  // ends, and refuses
  EXPECT_EQ(write("/dev/null"), 0);
  EXPECT_EQ(write(dir.path()), 0);
  EXPECT_EQ(write(dir / "report.txt"), 1);
}

TEST_F(HostileTreeTest, NamesThatAreNoTextAreRenamedAndRestoredAsTheyAre) {
  const fs::path folder = dir / "\xff\xfe-folder";
  const fs::path file = folder / "caf\xe9.exe";
  WriteBytes(file, "PLAIN-SIGNATURE");
  Act(RenameInfected, file, L"Plain");
  EXPECT_EQ(Text(), L"Переименован");
  EXPECT_EQ(ReadBytes(folder / "caf\xe9.#xe"), "PLAIN-SIGNATURE");

  Act(MoveToQuarantine, folder / "caf\xe9.#xe", L"Plain");
  EXPECT_EQ(Text(), L"Перемещён");
  Quarantine quarantine;
  ASSERT_EQ(quarantine.Open(work.path(), false), Quarantine::Opened::Yes);
  ASSERT_EQ(quarantine.Records().size(), 1u);
  const std::string line = FormatRecord(quarantine.Records()[0]);
  EXPECT_EQ(line.substr(0, line.find('\t')), "caf%E9.#xe");
  EXPECT_NE(line.find("%FF%FE-folder/caf%E9.#xe"), std::string::npos);
  fs::remove_all(folder);
  EXPECT_EQ(quarantine.Restore(fs::path("caf\xe9.#xe").native()), L"");
  EXPECT_EQ(ReadBytes(folder / "caf\xe9.#xe"), "PLAIN-SIGNATURE");
}

#endif

}  // namespace
}  // namespace vsk::test
