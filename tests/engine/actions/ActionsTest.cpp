#include <gtest/gtest.h>

#include "engine/actions/Actions.h"
#include "tests/engine/RowRecorder.h"
#include "tests/TestUtil.h"

namespace vsk::test {
namespace {

constexpr wchar_t kVirus[] = L"Evil";

class ActionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    options.Sound = 1;
    WriteBytes(file, "infected");
    rec.texts[kRow] = kVirus;
  }
  CapturedRow Row(const fs::path& path, const std::wstring& name = kVirus) {
    return {kRow, path, name};
  }
  ActionContext Context() { return {table, options, rec, rec, rec, rec, work.path()}; }
  template <typename Action>
  void Run(Action action, const fs::path& path, const std::wstring& name = kVirus) {
    ActionContext c = Context();
    action(c, Row(path, name));
  }
  const std::wstring& Text() { return rec.texts[kRow]; }
  fs::path Quarantine(const char* name) { return work / "!!!Infected" / name; }

  static constexpr int kRow = 2;
  TempDir dir;   // the scanned folder
  TempDir work;  // the working folder
  fs::path file = dir / "SETUP.EXE";
  // Evil: curable, index 0 (the .com appender); Worm: incurable. "infected"
  // holds both signatures; "older", "new" and "x" hold none.
  VirusTable table = MakeTable({{"Evil", "fec", true}, {"Worm", "ted", false}});
  Options options = DefaultOptions();
  RowRecorder rec;
};

TEST_F(ActionsTest, DeleteAsksThenDeletes) {
  rec.answer = false;
  Run(DeleteInfected, file);
  EXPECT_EQ(rec.asked, std::vector<std::wstring>{L"Вы действительно хотите удалить эти файлы?"});
  EXPECT_TRUE(fs::exists(file));
  EXPECT_EQ(Text(), kVirus);
  EXPECT_TRUE(rec.waves.empty());

  rec.answer = true;
  Run(DeleteInfected, file);
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(Text(), L"Удалён");
  EXPECT_EQ(rec.waves, std::vector<int>{wave::kDeleted});
}

TEST_F(ActionsTest, DeleteOfAMissingOrUndeletableFileIsAnAccessError) {
  Run(DeleteInfected, dir / "gone.exe");
  EXPECT_EQ(Text(), L"Ошибка доступа-пропущен");  // not "Файл не найден"
  EXPECT_EQ(rec.waves, std::vector<int>{wave::kFailed});

  // A folder now at the name is not the file that was scanned: left alone,
  // with a message, and the row keeps its virus.
  WriteBytes(dir / "folder.exe" / "inside", "x");
  rec.texts[kRow] = kVirus;
  Run(DeleteInfected, dir / "folder.exe");
  EXPECT_EQ(Text(), kVirus);
  EXPECT_EQ(rec.told.size(), 1u);
  EXPECT_TRUE(fs::exists(dir / "folder.exe" / "inside"));
}

TEST_F(ActionsTest, RenameReplacesTheThirdCharacterFromTheEnd) {
  EXPECT_EQ(RenamedPath(dir / "A.COM"), dir / "A.#OM");
  EXPECT_EQ(RenamedPath(dir / PathFromText(L"Вирус.ехе")), dir / PathFromText(L"Вирус.#хе"));
  EXPECT_TRUE(RenamedPath(dir / "ab").empty());

  Run(RenameInfected, file);
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(ReadBytes(dir / "SETUP.#XE"), "infected");
  EXPECT_EQ(Text(), L"Переименован");
  EXPECT_EQ(rec.waves, std::vector<int>{wave::kRenamed});
  EXPECT_TRUE(rec.asked.empty());
}

TEST_F(ActionsTest, RenameFailures) {
  Run(RenameInfected, dir / "gone.exe");
  EXPECT_EQ(Text(), L"Файл не найден");
  EXPECT_EQ(rec.waves, std::vector<int>{wave::kFailed});

  // A failure on a file still infected keeps the virus in the row.
  WriteBytes(dir / "SETUP.#XE", "older");
  Run(RenameInfected, file);
  EXPECT_EQ(Text(), L"Ошибка доступа-пропущен: Evil");
  EXPECT_EQ(ReadBytes(dir / "SETUP.#XE"), "older");
  EXPECT_EQ(ReadBytes(file), "infected");

  WriteBytes(dir / "ab", "infected");
  rec.texts[kRow] = kVirus;
  Run(RenameInfected, dir / "ab");
  EXPECT_EQ(Text(), L"Ошибка доступа-пропущен: Evil");
  EXPECT_TRUE(fs::exists(dir / "ab"));
}

TEST_F(ActionsTest, MoveIntoTheQuarantineFolderOfTheWorkingFolder) {
  Run(MoveToQuarantine, file);
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(ReadBytes(Quarantine("SETUP.EXE")), "infected");
  EXPECT_EQ(Text(), L"Перемещён");
  EXPECT_EQ(rec.waves, std::vector<int>{wave::kMoved});
}

TEST_F(ActionsTest, MoveOverAnExistingFileAsksFirst) {
  WriteBytes(Quarantine("SETUP.EXE"), "older");
  rec.answer = false;
  Run(MoveToQuarantine, file);
  EXPECT_EQ(rec.asked, std::vector<std::wstring>{
                           L"Файл с таким именем уже имеется в папке !!!Infected.\nЗаместить этот файл?"});
  EXPECT_EQ(ReadBytes(file), "infected");
  EXPECT_EQ(ReadBytes(Quarantine("SETUP.EXE")), "older");
  EXPECT_EQ(Text(), kVirus);
  EXPECT_TRUE(rec.waves.empty());

  rec.answer = true;
  Run(MoveToQuarantine, file);
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(ReadBytes(Quarantine("SETUP.EXE")), "infected");
  EXPECT_EQ(Text(), L"Перемещён");
}

TEST_F(ActionsTest, MoveFailures) {
  Run(MoveToQuarantine, dir / "gone.exe");
  EXPECT_EQ(Text(), L"Файл не найден");
  EXPECT_EQ(rec.waves, std::vector<int>{wave::kFailed});
  EXPECT_TRUE(fs::is_directory(work / "!!!Infected"));  // made before the look-up

  // A file where the folder should be: refused with a message, nothing moved.
  TempDir other;
  WriteBytes(other / "!!!Infected", "not a folder");
  ActionContext c{table, options, rec, rec, rec, rec, other.path()};
  rec.texts[kRow] = kVirus;
  MoveToQuarantine(c, Row(file));
  EXPECT_EQ(Text(), kVirus);
  EXPECT_EQ(rec.told.size(), 1u);
  EXPECT_EQ(ReadBytes(file), "infected");
  EXPECT_EQ(ReadBytes(other / "!!!Infected"), "not a folder");
}

TEST_F(ActionsTest, AFileAlreadyInQuarantineIsNeverDeletedByItsOwnMove) {
  const fs::path inside = Quarantine("q.exe");
  WriteBytes(inside, "infected");
  Run(MoveToQuarantine, inside);
  EXPECT_EQ(ReadBytes(inside), "infected");
  EXPECT_TRUE(rec.asked.empty());
  EXPECT_EQ(Text(), L"Перемещён");
}

#ifndef _WIN32
// The quarantine on another volume: the file is copied, compared and only
// then removed; a name taken there meanwhile gets a free one.
TEST_F(ActionsTest, MoveAcrossVolumesCopiesComparesThenRemoves) {
  const fs::path shm = "/dev/shm";
  std::error_code ec;
  if (!fs::is_directory(shm, ec) || DeviceOf(shm) == DeviceOf(work.path()))
    GTEST_SKIP() << "no second volume here";
  TempDir other(shm);
  ActionContext c{table, options, rec, rec, rec, rec, other.path(), QuarantineNaming::KeepBoth};
  MoveToQuarantine(c, Row(file));
  EXPECT_EQ(Text(), L"Перемещён");
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(ReadBytes(other / "!!!Infected" / "SETUP.EXE"), "infected");

  WriteBytes(file, "infected again");
  rec.texts[kRow] = kVirus;
  MoveToQuarantine(c, Row(file));
  EXPECT_EQ(Text(), L"Перемещён");
  EXPECT_EQ(ReadBytes(other / "!!!Infected" / "SETUP~2.EXE"), "infected again");
  EXPECT_EQ(ReadBytes(other / "!!!Infected" / "SETUP.EXE"), "infected");
  EXPECT_TRUE(rec.asked.empty());

  // A link goes over as a link.
  WriteBytes(dir / "real", "infected");
  fs::create_symlink("real", dir / "link.exe");
  MoveToQuarantine(c, Row(dir / "link.exe"));
  EXPECT_EQ(Text(), L"Перемещён");
  EXPECT_FALSE(fs::is_symlink(dir / "link.exe"));
  EXPECT_EQ(fs::read_symlink(other / "!!!Infected" / "link.exe"), "real");
}
#endif

TEST_F(ActionsTest, CureOrDeleteOnAnIncurableVirus) {
  rec.texts[kRow] = L"Worm";
  rec.answer = false;
  Run(CureOrDelete, file, L"Worm");
  EXPECT_EQ(rec.asked.size(), 1u);
  EXPECT_TRUE(fs::exists(file));
  EXPECT_EQ(Text(), L"Worm");

  rec.answer = true;
  Run(CureOrDelete, file, L"Worm");
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(Text(), L"Неизлечим, удалён");
  EXPECT_EQ(rec.waves, std::vector<int>{wave::kDeleted});
}

TEST_F(ActionsTest, CureOrRenameAndCureOrMoveOnAnIncurableVirus) {
  Run(CureOrRename, file, L"Worm");
  EXPECT_EQ(Text(), L"Неизлечим, переименован");
  EXPECT_EQ(rec.waves, std::vector<int>{wave::kRenamed});

  WriteBytes(dir / "B.EXE", "infected");
  WriteBytes(dir / "B.#XE", "older");
  Run(CureOrRename, dir / "B.EXE", L"Worm");
  EXPECT_EQ(Text(), L"Ошибка доступа-пропущен: Worm");

  Run(CureOrMove, dir / "B.EXE", L"Worm");
  EXPECT_EQ(Text(), L"Неизлечим, перемещён");
  EXPECT_TRUE(fs::exists(Quarantine("B.EXE")));
}

TEST_F(ActionsTest, CureVariantsOnACurableVirusOnlyCure) {
  // Too short for the .com appender: the cure is not attempted, and the file
  // is neither moved nor deleted.
  for (auto action : {CureOrDelete, CureOrRename, CureOrMove}) {
    Run(action, file);
    EXPECT_EQ(ReadBytes(file), "infected");
    EXPECT_EQ(Text(), kVirus);
  }
  EXPECT_TRUE(rec.asked.empty());
  EXPECT_FALSE(fs::exists(Quarantine("SETUP.EXE")));

  WriteBytes(file, std::string(67, 'x') + "fec" + std::string(730, 'x'));
  Run(CureOrMove, file);
  EXPECT_EQ(Text(), L"Вылечен");
  EXPECT_EQ(fs::file_size(file), 67u);
  EXPECT_EQ(rec.waves, std::vector<int>{wave::kCured});
}

TEST_F(ActionsTest, CureVariantsIgnoreANameMissingFromTheTable) {
  for (auto action : {CureOrDelete, CureOrRename, CureOrMove}) Run(action, file, L"Unknown");
  EXPECT_EQ(ReadBytes(file), "infected");
  EXPECT_EQ(Text(), kVirus);
  EXPECT_TRUE(rec.waves.empty());
  EXPECT_TRUE(rec.asked.empty());
}

TEST_F(ActionsTest, SoundOffPlaysNothing) {
  options.Sound = 0;
  Run(RenameInfected, file);
  Run(MoveToQuarantine, dir / "gone.exe");
  EXPECT_TRUE(rec.waves.empty());
}

TEST(RenamedNameTest, TheThirdCharacterFromTheEndOfTheNativeName) {
  EXPECT_EQ(RenamedName(fs::path("SETUP.EXE").native()), fs::path("SETUP.#XE").native());
  EXPECT_TRUE(RenamedName(fs::path("ab").native()).empty());
#ifdef _WIN32
  // A surrogate pair is one character; an unpaired half is one too.
  EXPECT_EQ(RenamedName(L"a\xD83D\xDE00" L"bc"), L"a#bc");
  EXPECT_EQ(RenamedName(L"x\xD800" L"yz"), L"x#yz");
#else
  EXPECT_EQ(RenamedName("caf\xe9.exe"), "caf\xe9.#xe");  // a byte that is no text stays
  EXPECT_EQ(RenamedName("ab\xe9z"), "a#\xe9z");
  EXPECT_EQ(RenamedName("\xd0\x92\xd0\xb8\xd1\x80"), "#\xd0\xb8\xd1\x80");  // UTF-8 "Вир"
#endif
}

}  // namespace
}  // namespace vsk::test
