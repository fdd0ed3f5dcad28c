// The actions on a tree changed by someone else between the scan and the
// action: a file swapped for another, a parent folder swapped for a link, a
// file with several names, a file that only looks infected the way a repair
// expects, a companion that brings a virus of its own, and the marker of a
// cure cut short that another user could have written.
#include <gtest/gtest.h>

#include "tests/engine/actions/HostileTree.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

namespace vsk::test {
namespace {

// The program a companion hides, inverted in its first 10 bytes as the
// .OVL holds it.
std::string Overlay(std::string program) {
  for (size_t i = 0; i < program.size() && i < 10; ++i) program[i] = static_cast<char>(~program[i]);
  return program;
}

TEST_F(HostileTreeTest, ARowCarriesTheIdentityOfTheFileScanned) {
  WriteBytes(dir / "sub" / "prog.com", Infected(300));
  const CapturedRow row = Scanned(dir / "sub" / "prog.com");
  ASSERT_EQ(row.virusName, L"Com");
  EXPECT_TRUE(row.identity.known);
  EXPECT_NE(row.identity.file, row.identity.folder);
  // Helper threads carry the same identity.
  const CapturedRow queued = Scanned(dir / "sub" / "prog.com", 3);
  EXPECT_EQ(queued.identity.file, row.identity.file);
  EXPECT_EQ(queued.identity.folder, row.identity.folder);

  // The same bytes under the same name, as a new file: not the one scanned.
  fs::rename(dir / "sub" / "prog.com", dir / "sub" / "old.com");
  WriteBytes(dir / "sub" / "prog.com", Infected(300));
  ActOn(DeleteInfected, row);
  EXPECT_EQ(Text(), L"Com");
  EXPECT_TRUE(Told(rec, L"заменены"));
  EXPECT_TRUE(fs::exists(dir / "sub" / "prog.com"));
}

// A file of other bytes now at the name is left alone, whatever is asked.
TEST_F(HostileTreeTest, AFileSwappedBetweenScanAndActionIsLeftAlone) {
  const std::string clean(5000, 'p');  // the clean program that took the name
  const fs::path file = dir / "prog.com";
  for (const auto& [name, action] : kEveryAction) {
    SCOPED_TRACE(name);
    WriteBytes(file, clean);
    rec.told.clear();
    Act(action, file);
    EXPECT_EQ(ReadBytes(file), clean);
    EXPECT_EQ(Text(), L"Com");
    ASSERT_EQ(rec.told.size(), 1u);
    EXPECT_NE(rec.told[0].find(L"изменился"), std::wstring::npos);
  }
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"prog.com"});
  EXPECT_TRUE(Names(work / "!!!Infected").empty());
  EXPECT_TRUE(rec.waves.empty());

  // A folder now at the name is no file at all.
  fs::remove(file);
  WriteBytes(file / "inside", Infected(100));
  Act(DeleteInfected, file);
  EXPECT_TRUE(fs::exists(file / "inside"));
  EXPECT_EQ(Text(), L"Com");
}

#ifndef _WIN32
TEST_F(HostileTreeTest, AParentSwappedForALinkRedirectsNoAction) {
  const std::string infected = Infected(500);
  for (const auto& [name, action] : kEveryAction) {
    SCOPED_TRACE(name);
    fs::remove_all(dir / "sub");
    fs::remove_all(dir / "sub.old");
    WriteBytes(dir / "sub" / "prog.com", infected);
    WriteBytes(work / "victim" / "prog.com", infected);  // never scanned
    const CapturedRow row = Scanned(dir / "sub" / "prog.com");
    ASSERT_TRUE(row.identity.known);
    fs::rename(dir / "sub", dir / "sub.old");
    fs::create_directory_symlink(work / "victim", dir / "sub");
    rec.told.clear();
    ActOn(action, row);
    EXPECT_EQ(Text(), L"Com");
    EXPECT_TRUE(Told(rec, L"заменены"));
    EXPECT_EQ(Names(work / "victim"), std::vector<std::string>{"prog.com"});
    EXPECT_EQ(ReadBytes(work / "victim" / "prog.com"), infected);
    EXPECT_EQ(ReadBytes(dir / "sub.old" / "prog.com"), infected);
    fs::remove(dir / "sub");
  }
  EXPECT_TRUE(Names(work / "!!!Infected").empty());
  EXPECT_TRUE(rec.waves.empty());
}
#endif

// One name of a file with others goes, and the user learns of them; a cure
// cures every name in place and leaves no copy.
TEST_F(HostileTreeTest, AFileWithSeveralNames) {
  const std::string infected = Infected(200);
  for (const auto& [name, action] : kPlainActions) {
    SCOPED_TRACE(name);
    fs::remove_all(dir.path());
    WriteBytes(dir / "a.bin", infected);
    fs::create_hard_link(dir / "a.bin", dir / "b.bin");
    const CapturedRow row = Scanned(dir / "a.bin");
    ASSERT_EQ(row.virusName, L"Com");
    rec.told.clear();
    ActOn(action, row);
    EXPECT_FALSE(fs::exists(dir / "a.bin"));
    EXPECT_EQ(ReadBytes(dir / "b.bin"), infected);
    // The row is true of its name, and the user learns of the other.
    EXPECT_NE(Text(), L"Com");
    ASSERT_EQ(rec.told.size(), 1u);
    EXPECT_NE(rec.told[0].find(L"другими его именами (1)"), std::wstring::npos);
  }

  fs::remove_all(dir.path());
  WriteBytes(dir / "a.com", Infected(4000));
  fs::create_hard_link(dir / "a.com", dir / "b.com");
  Act(CureOrDelete, dir / "a.com");
  EXPECT_EQ(Text(), L"Вылечен");
  EXPECT_EQ(ReadBytes(dir / "a.com"), Cured(Infected(4000)));
  EXPECT_EQ(ReadBytes(dir / "b.com"), Cured(Infected(4000)));
#ifndef _WIN32
  EXPECT_EQ(fs::hard_link_count(dir / "a.com"), 2u);
#endif
  EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"a.com", "b.com"}));  // no recovery copy
}

// A cure that would not be true changes nothing, whichever cure is asked
// for: one that would leave a virus (the file is infected twice, or a
// companion's .OVL holds a virus of its own), or a file that only carries a
// signature, not infected the way the repair expects.
TEST_F(HostileTreeTest, ACureThatWouldBeUntrueChangesNothing) {
  const struct {
    const char* what;
    std::vector<std::pair<std::string, std::string>> files;  // the first is acted on
    const wchar_t* virus;
    const wchar_t* told;
  } cases[] = {
      {"infected twice", {{"twice.com", Infected(4000) + Infected(0)}}, L"Com", L"остался бы вирус «Com»"},
      {"a text", {{"notes.com", std::string("Заметки: ") + kSignature + std::string(2000, 't')}}, L"Com",
       L"заражён не так"},
      {"an infected overlay",
       {{"tool.exe", "MZ COMPANION-SIGNATURE"}, {"tool.OVL", Overlay(Infected(300))}},
       L"Companion", L"остался бы вирус «Com»"},
  };
  for (const auto& c : cases) {
    fs::remove_all(dir.path());
    std::vector<std::string> names;
    for (const auto& [name, bytes] : c.files) {
      WriteBytes(dir / name, bytes);
      names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    for (const auto& [name, action] : kCures) {
      SCOPED_TRACE(std::string(c.what) + ", " + name);
      rec.told.clear();
      Act(action, dir / c.files[0].first, c.virus);
      EXPECT_EQ(Text(), c.virus);
      for (const auto& [file, bytes] : c.files) EXPECT_EQ(ReadBytes(dir / file), bytes) << file;
      ASSERT_EQ(rec.told.size(), 1u);
      EXPECT_NE(rec.told[0].find(c.told), std::wstring::npos);
      EXPECT_EQ(Names(dir.path()), names);
    }
  }
  EXPECT_TRUE(rec.waves.empty());
}

#ifndef _WIN32
TEST_F(HostileTreeTest, AForeignCompanionNeverReplacesASetIdProgram) {
  const std::string companion = "MZ COMPANION-SIGNATURE";
  const std::string program(300, 'p');
  const auto put = [&] {
    fs::remove(dir / "tool.exe");
    fs::remove(dir / "tool.OVL");
    WriteBytes(dir / "tool.exe", companion);
    WriteBytes(dir / "tool.OVL", Overlay(program));
    fs::permissions(dir / "tool.exe", static_cast<fs::perms>(04755));
    fs::permissions(dir / "tool.OVL", static_cast<fs::perms>(0644));
  };
  const auto expectUntouched = [&] {
    EXPECT_EQ(Text(), L"Companion");
    EXPECT_EQ(ReadBytes(dir / "tool.exe"), companion);
    EXPECT_EQ(ModeOf(dir / "tool.exe"), 04755u);
    EXPECT_TRUE(fs::exists(dir / "tool.OVL"));
    EXPECT_TRUE(Told(rec, L"принадлежит другому владельцу"));
  };
  // Anybody could have written it.
  put();
  fs::permissions(dir / "tool.OVL", static_cast<fs::perms>(0666));
  Act(CureOrDelete, dir / "tool.exe", L"Companion");
  expectUntouched();

  // Another user's, in the folder of root's program.
  if (::geteuid() == 0) {
    put();
    ASSERT_EQ(::chown((dir / "tool.OVL").c_str(), 12345, 12345), 0);
    rec.told.clear();
    Act(CureOrDelete, dir / "tool.exe", L"Companion");
    expectUntouched();
  }

  // The program's own companion restores it, without the set-id bits.
  put();
  if (ModeOf(dir / "tool.exe") != 04755u) GTEST_SKIP() << "set-user-id not kept here";
  Act(CureOrDelete, dir / "tool.exe", L"Companion");
  EXPECT_EQ(Text(), L"Вылечен");
  EXPECT_EQ(ReadBytes(dir / "tool.exe"), program);
  EXPECT_EQ(ModeOf(dir / "tool.exe"), 0755u);
}

// A cure of a file with two names killed in the middle of its write: a
// marker that others may write or that lies where others may make names,
// one of another user, or one whose copy differs is never acted on, by a scan or an action, and the half-written
// file is never called clean. Trusted again, the action puts the original
// back and then cures it.
TEST_F(HostileTreeTest, AMarkerNotToBeTrustedIsNeverActedOn) {
  const std::string infected = Infected(5000);
  const fs::path file = dir / "a.com", marker = dir / "a.com.vsk-cure";
  WriteBytes(file, infected);
  fs::create_hard_link(file, dir / "b.com");
  ASSERT_TRUE(CureKilledAt(CureStep::Overwritten, file));
  const std::string mixed = ReadBytes(file);
  ASSERT_NE(mixed, infected);
  fs::path copy;
  for (const std::string& name : Names(dir.path()))
    if (name.ends_with(".vsk-recovery")) copy = dir / name;
  const std::string original = ReadBytes(copy);
  const auto expectRefused = [&](const char* why) {
    EXPECT_EQ(ScanTexts(file), std::vector<std::wstring>{L"Метка лечения не принята"}) << why;
    rec.told.clear();
    Act(CureOrDelete, file);
    EXPECT_EQ(Text(), L"Com") << why;
    EXPECT_TRUE(Told(rec, L"нельзя доверять")) << why;
    EXPECT_EQ(ReadBytes(file), mixed) << why;
    EXPECT_EQ(ReadBytes(copy), why == std::string("copy") ? std::string(original.size(), 'x') : original);
    EXPECT_TRUE(fs::exists(marker)) << why;
  };
  fs::permissions(marker, fs::perms(0666));
  expectRefused("open to others");
  fs::permissions(marker, fs::perms(0600));
  fs::permissions(dir.path(), fs::perms(0777));
  expectRefused("in a folder open to others");
  fs::permissions(dir.path(), fs::perms(0755));
  WriteBytes(copy, std::string(original.size(), 'x'));
  expectRefused("copy");
  WriteBytes(copy, original);
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(marker.c_str(), 12345, 12345), 0);
    expectRefused("another user's");
    ASSERT_EQ(::chown(marker.c_str(), 0, 0), 0);
  }
  rec.told.clear();
  Act(CureOrDelete, file);
  EXPECT_TRUE(Told(rec, L"возвращён в прежний вид"));
  EXPECT_EQ(Text(), L"Вылечен");
  EXPECT_EQ(ReadBytes(dir / "b.com"), Cured(infected));
  EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"a.com", "b.com"}));
}

TEST_F(HostileTreeTest, ACureKeepsExtendedAttributesAndHoles) {
  const fs::path file = dir / "a.com";
  const std::string infected = Infected(1000);
  WriteBytes(file, infected);
  if (::setxattr(file.c_str(), "user.vireskand", "kept", 4, 0) != 0)
    GTEST_SKIP() << "no user extended attributes here";
  Act(CureOrDelete, file);
  EXPECT_EQ(Text(), L"Вылечен");
  EXPECT_EQ(ReadBytes(file), Cured(infected));
  char value[16] = {};
  EXPECT_EQ(::getxattr(file.c_str(), "user.vireskand", value, sizeof value), 4);
  EXPECT_EQ(std::string(value), "kept");

  // A program restored from a sparse .OVL keeps its hole.
  const uint64_t size = 8u << 20;
  WriteBytes(dir / "game.exe", "MZ COMPANION-SIGNATURE");
  WriteBytes(dir / "game.OVL", Overlay(std::string(10, 'p')));
  fs::resize_file(dir / "game.OVL", size);
  Act(CureOrDelete, dir / "game.exe", L"Companion");
  EXPECT_EQ(Text(), L"Вылечен");
  EXPECT_EQ(fs::file_size(dir / "game.exe"), size);
  struct stat st;
  ASSERT_EQ(::stat((dir / "game.exe").c_str(), &st), 0);
  EXPECT_LT(static_cast<uint64_t>(st.st_blocks) * 512, size / 2);
}
#endif

}  // namespace
}  // namespace vsk::test
