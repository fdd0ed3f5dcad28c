// The actions on a tree prepared by someone else: links where the actions
// write or look, files swapped between the scan and the action, a
// quarantine folder that leads elsewhere, a report that is a FIFO, full
// disks, names that are no text, paths of any depth, and a kill in the
// middle of a cure.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "engine/actions/Actions.h"
#include "engine/scan/FolderWalk.h"
#include "engine/scan/Report.h"
#include "engine/actions/Sha256.h"
#include "tests/TestUtil.h"
#include "tests/engine/RowRecorder.h"

#ifdef _WIN32
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace vsk {
namespace {
namespace fs = std::filesystem;
using test::MakeTable;
using test::ReadBytes;
using test::RowRecorder;
using test::TempDir;
using test::WriteBytes;

using Action = void (*)(ActionContext&, const CapturedRow&);

constexpr char kSignature[] = "HOSTILE-SIGNATURE";

// A program of `clean` bytes with the 733-byte .com appender after it.
std::string Infected(size_t clean, char fill = 'c') {
  std::string virus(733, 'v');
  virus.replace(10, sizeof kSignature - 1, kSignature);
  virus.replace(306, 3, "\xE9\x01\x02");
  return std::string(clean, fill) + virus;
}

std::string Cured(const std::string& infected) {
  std::string cured = infected.substr(0, infected.size() - 733);
  cured.replace(0, 3, "\xE9\x01\x02");
  return cured;
}

std::string Hash(const std::string& bytes) {
  Sha256 hash;
  hash.Add(bytes.data(), bytes.size());
  return hash.HexDigest();
}

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class HostileTreeTest : public ::testing::Test {
 protected:
  void Act(Action action, const fs::path& path, const wchar_t* virus = L"Com") {
    rec.texts[kRow] = virus;
    Again(action, path);
  }
  // Acts on the row as it now reads.
  void Again(Action action, const fs::path& path) {
    ActionContext context{table, options, rec, rec, rec, rec, work.path(), naming};
    action(context, {kRow, path, rec.texts[kRow]});
  }
  const std::wstring& Text() { return rec.texts[kRow]; }

  static constexpr int kRow = 1;
  TempDir dir;   // the scanned tree
  TempDir work;  // holds "!!!Infected"
  // Com: the .com appender (record 0); Plain: incurable; Companion: the
  // .exe companion (record 3).
  VirusTable table = MakeTable({{"Com", kSignature, true},
                                {"Plain", "PLAIN-SIGNATURE", false},
                                {"Unused", "", false},
                                {"Companion", "COMPANION-SIGNATURE", true}});
  Options options = DefaultOptions();
  QuarantineNaming naming = QuarantineNaming::KeepBoth;
  RowRecorder rec;
};

TEST_F(HostileTreeTest, AFileSwappedBetweenScanAndActionIsLeftAlone) {
  const std::string clean(5000, 'p');  // the clean program that took the name
  const fs::path file = dir / "prog.com";
  for (Action action : {CureOrDelete, DeleteInfected, RenameInfected, MoveToQuarantine}) {
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

TEST_F(HostileTreeTest, ACureOfAFileWithSeveralNamesCuresEveryName) {
  const std::string infected = Infected(4000);
  WriteBytes(dir / "a.com", infected);
  fs::create_hard_link(dir / "a.com", dir / "b.com");
  Act(CureOrDelete, dir / "a.com");
  EXPECT_EQ(Text(), L"Вылечен");
  EXPECT_EQ(ReadBytes(dir / "a.com"), Cured(infected));
  EXPECT_EQ(ReadBytes(dir / "b.com"), Cured(infected));
#ifndef _WIN32
  EXPECT_EQ(fs::hard_link_count(dir / "a.com"), 2u);
#endif
  EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"a.com", "b.com"}));  // no recovery copy
}

// Same-named files of one batch both stay; the window's question stays.
TEST_F(HostileTreeTest, SameNamedFilesInOneBatchAreBothKept) {
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

TEST_F(HostileTreeTest, QuarantineRecordsRestoreAndPurge) {
  const std::string bytes = "program PLAIN-SIGNATURE " + std::string(3000, 'z');
  const fs::path file = dir / "sub" / "prog.exe";
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
  EXPECT_NE(quarantine.Restore(L"prog.exe"), L"");
  EXPECT_EQ(ReadBytes(file), "new file");
  EXPECT_EQ(quarantine.Records().size(), 1u);

  // A stored file that changed is not put back.
  fs::remove_all(dir / "sub");
  WriteBytes(work / "!!!Infected" / "prog.exe", "tampered");
  EXPECT_NE(quarantine.Restore(L"prog.exe"), L"");
  EXPECT_FALSE(fs::exists(file));
  WriteBytes(work / "!!!Infected" / "prog.exe", bytes);

  // Back byte for byte, its folder made again, and the record gone.
  EXPECT_EQ(quarantine.Restore(L"prog.exe"), L"");
  EXPECT_EQ(ReadBytes(file), bytes);
  EXPECT_TRUE(quarantine.Records().empty());
  EXPECT_NE(quarantine.Restore(L"prog.exe"), L"");

  Act(MoveToQuarantine, file, L"Plain");
  EXPECT_EQ(quarantine.Purge(L"nothing.exe"), L"В карантине нет файла nothing.exe");
  EXPECT_EQ(quarantine.Purge(L"prog.exe"), L"");
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(Names(work / "!!!Infected"), std::vector<std::string>{kQuarantineRecords});
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

#ifndef _WIN32

// Runs `fn` in a child process and returns its exit status, or -1 when it
// has not ended within `seconds` (it is then killed): a hang fails the test
// instead of stopping it.
template <typename F>
int InChild(F fn, int seconds) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(fn());
  for (int waited = 0; waited < seconds * 100; ++waited) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  return -1;
}

// A tmpfs of `size` mounted at `at` while it lives; root only.
class SmallDisk {
 public:
  SmallDisk(const fs::path& at, const std::string& size) : path_(at) {
    fs::create_directories(at);
    mounted_ = ::mount("tmpfs", at.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
  }
  bool Mounted() const { return mounted_; }
  // Fills it up, then gives `spare` bytes back.
  void Fill(size_t spare) {
    const int fd = ::open((path_ / "filler").c_str(), O_WRONLY | O_CREAT, 0600);
    const std::string block(64 * 1024, 'f');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    const off_t size = ::lseek(fd, 0, SEEK_END);
    if (spare > 0) ::ftruncate(fd, size > static_cast<off_t>(spare) ? size - static_cast<off_t>(spare) : 0);
    ::close(fd);
  }

 private:
  fs::path path_;
  bool mounted_ = false;
};

mode_t ModeOf(const fs::path& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

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
  EXPECT_EQ(quarantine.Restore(L"link.#om"), L"");
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

TEST_F(HostileTreeTest, AQuarantineFolderThatIsALinkOrAFileIsRefused) {
  TempDir elsewhere;
  WriteBytes(elsewhere / "x.exe", "someone's file");
  fs::create_directory_symlink(elsewhere.path(), work / "!!!Infected");
  WriteBytes(dir / "x.exe", "PLAIN-SIGNATURE");
  naming = QuarantineNaming::AskToReplace;
  Act(MoveToQuarantine, dir / "x.exe", L"Plain");
  EXPECT_EQ(Text(), L"Plain");
  EXPECT_EQ(rec.told.size(), 1u);
  EXPECT_TRUE(rec.asked.empty());
  EXPECT_EQ(ReadBytes(dir / "x.exe"), "PLAIN-SIGNATURE");
  EXPECT_EQ(Names(elsewhere.path()), std::vector<std::string>{"x.exe"});
  EXPECT_EQ(ReadBytes(elsewhere / "x.exe"), "someone's file");
  Quarantine quarantine;
  EXPECT_EQ(quarantine.Open(work.path(), false), Quarantine::Opened::Refused);
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

TEST_F(HostileTreeTest, AFullDiskLeavesTheOriginalAndNothingHalfWritten) {
  SmallDisk disk(dir / "small", "4m");
  if (!disk.Mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
  const fs::path small = dir / "small";

  // The cure's copy does not fit; nor does the recovery copy of a file with
  // two names.
  const std::string infected = Infected(600 * 1024);
  WriteBytes(small / "a.com", infected);
  WriteBytes(small / "b.com", infected);
  fs::create_hard_link(small / "b.com", small / "c.com");
  disk.Fill(0);
  for (const char* name : {"a.com", "b.com"}) {
    Act(CureOrDelete, small / name);
    EXPECT_EQ(Text(), L"Ошибка доступа-пропущен: Com") << name;
    EXPECT_EQ(ReadBytes(small / name), infected) << name;
  }
  EXPECT_EQ(Names(small), (std::vector<std::string>{"a.com", "b.com", "c.com", "filler"}));

  // The report: a new one is not left behind, an old one keeps its length.
  class OneRow : public IRowSource {
   public:
    int RowCount() override { return 1; }
    std::wstring RowText(int, int) override { return std::wstring(5000, L'r'); }
  } rows;
  EXPECT_FALSE(WriteReport(small / "new.txt", L"x", {}, 0, rows, {}));
  EXPECT_FALSE(fs::exists(small / "new.txt"));
  fs::remove(small / "filler");
  WriteBytes(small / "old.txt", "earlier report\r\n");
  disk.Fill(0);
  EXPECT_FALSE(WriteReport(small / "old.txt", L"x", {}, 1, rows, {}));
  EXPECT_EQ(ReadBytes(small / "old.txt"), "earlier report\r\n");

  // A move onto the full disk from another: the copy is removed again.
  for (const auto& e : fs::directory_iterator(small)) fs::remove_all(e.path());
  fs::create_directory(small / "work");
  disk.Fill(100 * 1024);
  WriteBytes(dir / "x.com", infected);
  rec.texts[kRow] = L"Com";
  ActionContext context{table, options, rec, rec, rec, rec, small / "work", naming};
  MoveToQuarantine(context, {kRow, dir / "x.com", L"Com"});
  EXPECT_EQ(Text(), L"Ошибка доступа-пропущен: Com");
  EXPECT_EQ(ReadBytes(dir / "x.com"), infected);
  EXPECT_TRUE(Names(small / "work" / "!!!Infected").empty());
}

TEST_F(HostileTreeTest, AKillDuringTheCureOfALargeFileLeavesOneWholeFile) {
  // Large enough for many kills to fall inside the copy; smaller where the
  // sanitizers slow every byte down.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VSK_SLOW_BYTES
#endif
#endif
#ifdef VSK_SLOW_BYTES
  const std::string infected = Infected(4 << 20);
#else
  const std::string infected = Infected(32 << 20);
#endif
  const std::string cured = Cured(infected);
  const fs::path file = dir / "big.com";
  auto cureInChild = [&] {
    ActionContext context{table, options, rec, rec, rec, rec, work.path(), naming};
    CureFile(context, {kRow, file, L"Com"}, 0);
    return 0;
  };
  auto reset = [&] {
    WriteBytes(file, infected);
    fs::permissions(file, fs::perms(0640));
  };
  // How long one cure takes here sets where the kills fall; nothing is
  // asserted about it.
  reset();
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(InChild(cureInChild, 120), 0);
  const auto whole = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(ReadBytes(file), cured);

  constexpr int kKills = 12;
  int originals = 0;
  for (int i = 0; i < kKills; ++i) {
    reset();
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(cureInChild());
    std::this_thread::sleep_for(whole * (i + 1) / (kKills + 1));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    const std::string now = ReadBytes(file);
    EXPECT_TRUE(now == infected || now == cured) << "kill " << i << ": " << now.size() << " bytes";
    originals += now == infected;
    EXPECT_EQ(ModeOf(file), 0640u);
    for (const std::string& name : Names(dir.path())) {
      if (name == "big.com") continue;
      EXPECT_EQ(ModeOf(dir / name) & 0004, 0u) << name << " is readable by anyone";
      fs::remove(dir / name);
    }
  }
  RecordProperty("killsBeforeTheSwap", originals);
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
  EXPECT_EQ(quarantine.Restore(L"caf%E9.#xe"), L"");
  EXPECT_EQ(ReadBytes(folder / "caf\xe9.#xe"), "PLAIN-SIGNATURE");
}

// Folders nested past PATH_MAX, made and read a level at a time.
class DeepTree {
 public:
  explicit DeepTree(const fs::path& base) : base_(base) {
    fs::create_directories(base);
    path_ = base;
    int fd = ::open(base.c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < 24; ++i) {
      const std::string name(200, static_cast<char>('a' + i));
      ::mkdirat(fd, name.c_str(), 0700);
      const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
      ::close(fd);
      fd = next;
      path_ /= name;
    }
    fd_ = fd;
  }
  ~DeepTree() {
    ::close(fd_);
    std::system(("rm -rf '" + base_.string() + "'").c_str());
  }
  const fs::path& Path() const { return path_; }
  void Write(const std::string& name, const std::string& bytes) {
    const int fd = ::openat(fd_, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    EXPECT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
  }
  std::string Read(const std::string& name) {
    const int fd = ::openat(fd_, name.c_str(), O_RDONLY);
    if (fd < 0) return "(missing)";
    std::string bytes(1 << 16, '\0');
    const ssize_t n = ::read(fd, bytes.data(), bytes.size());
    ::close(fd);
    bytes.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return bytes;
  }

 private:
  fs::path base_, path_;
  int fd_ = -1;
};

TEST_F(HostileTreeTest, ActionsReachAPathOfAnyDepth) {
  DeepTree deep(dir / "deep");
  ASSERT_GT(deep.Path().native().size(), static_cast<size_t>(PATH_MAX));
  const std::string infected = Infected(300);
  deep.Write("a.com", infected);
  Act(CureOrDelete, deep.Path() / "a.com");
  EXPECT_EQ(Text(), L"Вылечен");
  EXPECT_EQ(deep.Read("a.com"), Cured(infected));

  deep.Write("b.com", infected);
  Act(RenameInfected, deep.Path() / "b.com");
  EXPECT_EQ(deep.Read("b.#om"), infected);
  Act(MoveToQuarantine, deep.Path() / "b.#om");
  EXPECT_EQ(Text(), L"Перемещён");
  EXPECT_EQ(deep.Read("b.#om"), "(missing)");
  Quarantine quarantine;
  ASSERT_EQ(quarantine.Open(work.path(), false), Quarantine::Opened::Yes);
  EXPECT_EQ(quarantine.Restore(L"b.#om"), L"");
  EXPECT_EQ(deep.Read("b.#om"), infected);
  Act(DeleteInfected, deep.Path() / "b.#om");
  EXPECT_EQ(Text(), L"Удалён");
  EXPECT_EQ(deep.Read("b.#om"), "(missing)");
}

#else  // _WIN32

std::wstring DaclText(const fs::path& path) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  PACL dacl = nullptr;
  if (GetNamedSecurityInfoW(os::LongPath(path.native()).c_str(), SE_FILE_OBJECT,
                            DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                            &sd) != ERROR_SUCCESS)
    return L"(none)";
  wchar_t* text = nullptr;
  std::wstring result = L"(none)";
  if (ConvertSecurityDescriptorToStringSecurityDescriptorW(sd, SDDL_REVISION_1,
                                                           DACL_SECURITY_INFORMATION, &text, nullptr)) {
    result = text;
    LocalFree(text);
  }
  LocalFree(sd);
  return result;
}

// Gives `path` the protected DACL of `sddl`.
void SetDacl(const fs::path& path, const wchar_t* sddl) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd,
                                                                   nullptr));
  BOOL present = FALSE, defaulted = FALSE;
  PACL acl = nullptr;
  GetSecurityDescriptorDacl(sd, &present, &acl, &defaulted);
  SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT,
                        DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                        nullptr, acl, nullptr);
  LocalFree(sd);
}

// Whether this system keeps a DACL set on a file (Wine may not).
bool KeepsDacls(const fs::path& probe) {
  WriteBytes(probe, "probe");
  SetDacl(probe, L"D:P(A;;FA;;;WD)");
  const bool kept = DaclText(probe) == L"D:P(A;;FA;;;WD)";
  fs::remove(probe);
  return kept;
}

// ReplaceFileW and what the cure adds to it keep the original's ACL,
// attributes, creation time and streams, as far as Wine keeps them at all.
TEST_F(HostileTreeTest, TheCuredCopyKeepsAclAttributesTimesAndStreams) {
  const std::string infected = Infected(2000);
  const fs::path file = dir / "a.com";
  WriteBytes(file, infected);
  SetDacl(file, L"D:P(A;;FA;;;WD)(A;;FR;;;BU)");
  const std::wstring dacl = DaclText(file);
  HANDLE h = CreateFileW(file.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  FILETIME created{0x12345678, 0x01C00000};
  SetFileTime(h, &created, nullptr, nullptr);
  CloseHandle(h);
  auto creation = [&] {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data);
    return (static_cast<uint64_t>(data.ftCreationTime.dwHighDateTime) << 32) |
           data.ftCreationTime.dwLowDateTime;
  };
  const bool times = creation() == ((uint64_t{0x01C00000} << 32) | 0x12345678);
  SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_HIDDEN);
  const fs::path stream = fs::path(file.native() + L":extra");
  WriteBytes(stream, "stream bytes");
  const bool streams = Names(dir.path()).size() == 1 && ReadBytes(stream) == "stream bytes";
  std::error_code ec;
  if (!streams) fs::remove(stream, ec);

  Act(CureOrDelete, file);
  EXPECT_EQ(Text(), L"Вылечен");
  EXPECT_EQ(ReadBytes(file), Cured(infected));
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"a.com"});
  EXPECT_TRUE(GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(DaclText(file), dacl);
  std::string unchecked;
  if (times)
    EXPECT_EQ(creation(), (uint64_t{0x01C00000} << 32) | 0x12345678);
  else
    unchecked += "creation time ";
  if (streams)
    EXPECT_EQ(ReadBytes(stream), "stream bytes");
  else
    unchecked += "streams ";
  if (!KeepsDacls(dir / "probe")) unchecked += "ACLs ";
  if (!unchecked.empty()) RecordProperty("notKeptByThisSystem", unchecked);
}

TEST(NewFileTest, IsPrivateToItsOwnerFromTheStart) {
  TempDir dir;
  if (!KeepsDacls(dir / "probe")) GTEST_SKIP() << "this system keeps no DACL on files";
  os::Folder folder;
  ASSERT_TRUE(folder.Open(dir.path()));
  os::File file;
  os::NativeName name;
  ASSERT_TRUE(file.CreateNew(folder, L"a.", L".vsk~", name));
  const std::wstring dacl = DaclText(dir / name);
  EXPECT_EQ(dacl.rfind(L"D:P(A;;FA;;;", 0), 0u) << dacl;  // one ACE, inherited by nothing
  EXPECT_EQ(std::count(dacl.begin(), dacl.end(), L'('), 1);
}

TEST_F(HostileTreeTest, ActionsReachAPathPastMaxPath) {
  fs::path deep = dir.path();
  for (int i = 0; i < 4; ++i) {
    deep /= std::wstring(90, static_cast<wchar_t>(L'a' + i));
    ASSERT_TRUE(CreateDirectoryW(os::LongPath(deep.native()).c_str(), nullptr));
  }
  ASSERT_GT(deep.native().size(), static_cast<size_t>(MAX_PATH));
  const std::string infected = Infected(300);
  auto write = [](const fs::path& path, const std::string& bytes) {
    HANDLE h = CreateFileW(os::LongPath(path.native()).c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, 0, nullptr);
    DWORD wrote = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr);
    CloseHandle(h);
  };
  auto read = [](const fs::path& path) {
    HANDLE h = CreateFileW(os::LongPath(path.native()).c_str(), GENERIC_READ, FILE_SHARE_READ,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::string("(missing)");
    std::string bytes(1 << 16, '\0');
    DWORD got = 0;
    ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(h);
    bytes.resize(got);
    return bytes;
  };
  write(deep / "a.com", infected);
  Act(CureOrDelete, deep / "a.com");
  EXPECT_EQ(Text(), L"Вылечен");
  EXPECT_EQ(read(deep / "a.com"), Cured(infected));
  write(deep / "b.com", infected);
  Act(RenameInfected, deep / "b.com");
  EXPECT_EQ(read(deep / "b.#om"), infected);
  Act(MoveToQuarantine, deep / "b.#om");
  EXPECT_EQ(Text(), L"Перемещён");
  EXPECT_EQ(read(work / "!!!Infected" / "b.#om"), infected);
  // std::filesystem takes no path this long here.
  ASSERT_TRUE(DeleteFileW(os::LongPath((deep / "a.com").native()).c_str()));
  ASSERT_TRUE(RemoveDirectoryW(os::LongPath(deep.native()).c_str()));
  Quarantine quarantine;
  ASSERT_EQ(quarantine.Open(work.path(), false), Quarantine::Opened::Yes);
  EXPECT_EQ(quarantine.Restore(L"b.#om"), L"");  // its folders made again
  EXPECT_EQ(read(deep / "b.#om"), infected);
  Act(DeleteInfected, deep / "b.#om");
  EXPECT_EQ(Text(), L"Удалён");
  EXPECT_EQ(read(deep / "b.#om"), "(missing)");
  for (fs::path folder = deep; folder != dir.path(); folder = folder.parent_path())
    RemoveDirectoryW(os::LongPath(folder.native()).c_str());
}

#endif

}  // namespace
}  // namespace vsk
