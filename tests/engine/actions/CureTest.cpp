#include <gtest/gtest.h>

#include <algorithm>

#include "engine/actions/Actions.h"
#include "engine/os/File.h"
#include "engine/scan/FolderWalk.h"
#include "engine/text/LittleEndian.h"
#include "tests/engine/RowRecorder.h"
#include "tools/Samples.h"
#include "tests/TestUtil.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace vsk::test {
namespace {

using le::Get16;
using le::Get32;
using le::Put16;
using le::Put32;

// Bytes in which no 8-byte run repeats, so that a file's tail is found
// nowhere else in it.
std::string Pattern(size_t n, int seed = 7) {
  std::string s(n, '\0');
  uint32_t x = static_cast<uint32_t>(seed);
  for (size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    s[i] = static_cast<char>(x >> 23);
  }
  return s;
}

// A 32-bit PE with H = 0x80, `sections` sections of 0x200 raw bytes from
// 0x400 on, entry 0x5000, image size 0x9000, and the correction 0x3000 + 5
// 9 bytes into the last section's raw data.
std::string MakePe(int sections) {
  const uint32_t H = 0x80;
  std::string pe = Pattern(0x400 + 0x200 * sections);
  pe.replace(0, 2, "MZ");
  Put32(pe, 60, H);
  pe.replace(H, 4, std::string("PE\0\0", 4));
  Put16(pe, H + 6, sections);
  Put16(pe, H + 20, 224);
  Put16(pe, H + 24, 0x10B);
  Put32(pe, H + 40, 0x5000);
  Put32(pe, H + 80, 0x9000);
  for (int i = 0; i < sections; ++i) {
    const uint32_t T = H + 248 + 40 * i;
    Put32(pe, T + 8, 0x100 * (i + 1));
    Put32(pe, T + 20, 0x400 + 0x200 * i);
  }
  Put32(pe, 0x400 + 0x200 * (sections - 1) + 9, 0x3005);
  return pe;
}

// An MZ file of `length` bytes with the saved registers IP 0x1111, CS
// 0x2222, SP 0x3333, SS 0x4444 where the 815-byte appender keeps them.
std::string MakeMz(size_t length) {
  std::string mz = Pattern(length, 3);
  mz.replace(0, 2, "MZ");
  const size_t saved = length - 815 + 86;
  Put16(mz, saved, 0x1111);
  Put16(mz, saved + 2, 0x2222);
  Put16(mz, saved + 4, 0x3333);
  Put16(mz, saved + 6, 0x4444);
  return mz;
}

class CureTest : public ::testing::Test {
 protected:
  // Cures as the menu does. Record `index`'s signature is the file's last
  // (up to) 8 bytes, which every repair cuts off, so that the checks before
  // and after the cure pass; the repairs are the subject here.
  CureOutcome Cure(const fs::path& path, int index) {
    const std::string bytes = fs::exists(path) ? ReadBytes(path) : std::string("v");
    const std::string tail = bytes.substr(bytes.size() - std::min<size_t>(bytes.size(), 8));
    table = VirusTable();
    table.count = index + 1;
    table.names[index] = "Virus";
    table.lengths[index] = static_cast<uint8_t>(tail.size());
    table.curable[index] = 1;
    std::copy(tail.begin(), tail.end(), table.signatures[index].begin());
    ActionContext context{table, options, rec, rec, rec, rec, {}};
    return CureFile(context, {kRow, path, L"Virus"}, index);
  }
  std::wstring Row() { return rec.texts.count(kRow) ? rec.texts[kRow] : L"(unchanged)"; }
  // Cures and expects the file to stay byte for byte and the row to keep
  // its virus name.
  void ExpectUntouched(const std::string& bytes, int index) {
    const fs::path file = dir / "bad.exe";
    WriteBytes(file, bytes);
    EXPECT_EQ(Cure(file, index), CureOutcome::NotAttempted);
    EXPECT_EQ(ReadBytes(file), bytes);
    EXPECT_EQ(Row(), L"(unchanged)");
    EXPECT_TRUE(rec.waves.empty());
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"bad.exe"});
  }

  static constexpr int kRow = 4;
  TempDir dir;
  VirusTable table;
  RowRecorder rec;
  Options options = [] {
    Options o = DefaultOptions();
    o.Sound = 1;
    return o;
  }();
};

TEST(FindVirusByNameTest, ExactCaseSensitiveFirstMatch) {
  const VirusTable t = MakeTable({{"Alpha", "A"}, {"Вирус", "B"}, {"Alpha", "C"}});
  EXPECT_EQ(FindVirusByName(t, L"Alpha"), 0);
  EXPECT_EQ(FindVirusByName(t, L"Вирус"), 1);
  EXPECT_EQ(FindVirusByName(t, L"alpha"), -1);
  EXPECT_EQ(FindVirusByName(t, L"Alph"), -1);
  EXPECT_EQ(FindVirusByName(t, L""), -1);
}

TEST_F(CureTest, ComAppenderRestoresTheFirstBytesAndCutsTheBody) {
  std::string bytes = Pattern(1000);
  bytes.replace(573, 3, "\xE9\x12\x34");
  const fs::path file = dir / "a.com";
  WriteBytes(file, bytes);
  EXPECT_EQ(Cure(file, 0), CureOutcome::Cured);
  EXPECT_EQ(ReadBytes(file), std::string("\xE9\x12\x34").append(bytes, 3, 264));
  EXPECT_EQ(Row(), L"Вылечен");
  EXPECT_EQ(rec.waves, std::vector<int>{wave::kCured});

  WriteBytes(file, Pattern(733));
  EXPECT_EQ(Cure(file, 0), CureOutcome::Cured);
  EXPECT_EQ(fs::file_size(file), 0u);
}

TEST_F(CureTest, CompanionRestoresTheProgramAndRemovesTheOverlay) {
  std::string program = Pattern(100);
  std::string overlay = program;
  for (int i = 0; i < 10; ++i) overlay[i] = static_cast<char>(~overlay[i]);
  WriteBytes(dir / "X.EXE", "virus");
  WriteBytes(dir / "X.OVL", overlay);
  EXPECT_EQ(Cure(dir / "X.EXE", 3), CureOutcome::Cured);
  EXPECT_EQ(ReadBytes(dir / "X.EXE"), program);
  EXPECT_FALSE(fs::exists(dir / "X.OVL"));
  EXPECT_EQ(Row(), L"Вылечен");

  // A program shorter than ten bytes keeps its length.
  WriteBytes(dir / "y.exe", "virus");
  WriteBytes(dir / "y.OVL", std::string("\xFE\xFD\xFC", 3));
  EXPECT_EQ(Cure(dir / "y.exe", 3), CureOutcome::Cured);
  EXPECT_EQ(ReadBytes(dir / "y.exe"), std::string("\x01\x02\x03", 3));

  // The infected file gone meanwhile cannot be checked: nothing changes.
  WriteBytes(dir / "z.OVL", overlay);
  EXPECT_EQ(Cure(dir / "z.exe", 3), CureOutcome::Failed);
  EXPECT_FALSE(fs::exists(dir / "z.exe"));
  EXPECT_EQ(ReadBytes(dir / "z.OVL"), overlay);
}

TEST_F(CureTest, CompanionWithoutExeNameOrOverlayIsDeletedAsIncurable) {
  WriteBytes(dir / "X.COM", "virus");
  WriteBytes(dir / "X.OVL", "program");
  EXPECT_EQ(Cure(dir / "X.COM", 3), CureOutcome::IncurableDeleted);
  EXPECT_FALSE(fs::exists(dir / "X.COM"));
  EXPECT_TRUE(fs::exists(dir / "X.OVL"));
  EXPECT_EQ(Row(), L"Неизлечим, удалён");
  EXPECT_EQ(rec.waves, std::vector<int>{wave::kDeleted});

  WriteBytes(dir / "lone.exe", "virus");
  EXPECT_EQ(Cure(dir / "lone.exe", 3), CureOutcome::IncurableDeleted);
  EXPECT_FALSE(fs::exists(dir / "lone.exe"));
}

TEST_F(CureTest, CompanionThatCannotBeRestoredKeepsBothFiles) {
  // An .OVL that is no plain file (here a folder) is never read.
  WriteBytes(dir / "X.exe", "virus");
  WriteBytes(dir / "X.OVL" / "inside", "program");
  EXPECT_EQ(Cure(dir / "X.exe", 3), CureOutcome::Failed);
  EXPECT_EQ(ReadBytes(dir / "X.exe"), "virus");
  EXPECT_EQ(ReadBytes(dir / "X.OVL" / "inside"), "program");
  EXPECT_EQ(Row(), L"Ошибка доступа-пропущен: Virus");
  EXPECT_TRUE(rec.waves.empty());
  EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"X.OVL", "X.exe"}));
}

TEST_F(CureTest, MzAppenderRestoresRegistersAndSizes) {
  struct Case {
    size_t length;
    uint32_t lastPage, pages;
  } cases[] = {{1839, 0, 2}, {1845, 6, 3}};
  for (const Case& c : cases) {
    const std::string bytes = MakeMz(c.length);
    const fs::path file = dir / "d.exe";
    WriteBytes(file, bytes);
    EXPECT_EQ(Cure(file, 4), CureOutcome::Cured);
    const std::string cured = ReadBytes(file);
    const size_t n = c.length - 815;
    ASSERT_EQ(cured.size(), n);
    EXPECT_EQ(Get16(cured, 2), c.lastPage);
    EXPECT_EQ(Get16(cured, 4), c.pages);
    EXPECT_EQ(Get16(cured, 14), 0x4444u);  // SS
    EXPECT_EQ(Get16(cured, 16), 0x3333u);  // SP
    EXPECT_EQ(Get16(cured, 20), 0x1111u);  // IP
    EXPECT_EQ(Get16(cured, 22), 0x2222u);  // CS
    EXPECT_EQ(cured.substr(24), bytes.substr(24, n - 24));
    EXPECT_EQ(cured.substr(6, 8), bytes.substr(6, 8));
  }
}

TEST_F(CureTest, MzAppenderDeletesAFileNoLongerThanTheVirus) {
  const fs::path file = dir / "d.exe";
  WriteBytes(file, std::string("MZ").append(Pattern(813)));
  EXPECT_EQ(Cure(file, 4), CureOutcome::IncurableDeleted);
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(Row(), L"Неизлечим, удалён");
}

TEST_F(CureTest, PeAppenderDropsTheLastSection) {
  const std::string bytes = MakePe(4);
  const fs::path file = dir / "w.exe";
  WriteBytes(file, bytes);
  EXPECT_EQ(Cure(file, 5), CureOutcome::Cured);
  const std::string cured = ReadBytes(file);
  const uint32_t H = 0x80, T = H + 248 + 40 * 3;
  ASSERT_EQ(cured.size(), 0x400u + 3 * 0x200);
  EXPECT_EQ(Get16(cured, H + 6), 3u);
  EXPECT_EQ(cured.substr(T, 40), std::string(40, '\0'));
  EXPECT_EQ(Get32(cured, H + 80), 0x9000u - 0x400);
  EXPECT_EQ(Get32(cured, H + 40), 0x5000u - 0x3005 + 5);
  EXPECT_EQ(cured.substr(T + 40), bytes.substr(T + 40, cured.size() - T - 40));
  EXPECT_EQ(Row(), L"Вылечен");
}

// A file a repair does not fit is left byte for byte, its row unchanged.
TEST_F(CureTest, FilesTheRepairDoesNotFitAreLeftAsTheyWere) {
  const uint32_t H = 0x80;
  const auto pe = [](void (*change)(std::string&)) {
    std::string bytes = MakePe(2);
    change(bytes);
    return bytes;
  };
  std::string notMz = MakeMz(1839);
  notMz[0] = 'Z';
  const struct {
    const char* what;
    std::string bytes;
    int index;
  } cases[] = {
      {".com shorter than the virus", Pattern(732), 0},
      {"MZ without its mark", notMz, 4},
      {"MZ whose header would be cut off", MakeMz(815 + 20), 4},
      {"PE headers truncated", MakePe(4).substr(0, 200), 5},
      {"PE header far past the end", pe([](std::string& b) { Put32(b, 60, 0xFFFFFFF0); }), 5},
      {"PE without sections", pe([](std::string& b) { Put16(b, H + 6, 0); }), 5},
      {"PE of 64 bits", pe([](std::string& b) { Put16(b, H + 24, 0x20B); }), 5},
      {"PE section headers past the end", pe([](std::string& b) { Put16(b, H + 6, 60000); }), 5},
      {"PE raw data past the end", pe([](std::string& b) { Put32(b, H + 248 + 40 + 20, 0x7FFFFFFF); }), 5},
      {"PE raw data inside the headers", pe([](std::string& b) { Put32(b, H + 248 + 40 + 20, 0x100); }), 5},
      {"PE without its mark", pe([](std::string& b) { b[H + 1] = 'X'; }), 5},
      {"PE correction cut off", MakePe(2).substr(0, 0x600 + 10), 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectUntouched(c.bytes, c.index);
  }
}

// "Вылечен" would be untrue: the virus stays in a file nothing repairs.
TEST_F(CureTest, IndicesWithoutARepairAreRefusedWithAMessage) {
  for (int index : {1, 2, 6, 199}) {
    const fs::path file = dir / "v.bin";
    WriteBytes(file, Pattern(900));
    rec.texts.clear();
    rec.told.clear();
    EXPECT_EQ(Cure(file, index), CureOutcome::Refused) << index;
    EXPECT_EQ(ReadBytes(file), Pattern(900));
    EXPECT_EQ(Row(), L"(unchanged)");
    EXPECT_EQ(rec.told.size(), 1u);
  }
}

TEST_F(CureTest, AFailedWriteLeavesTheFileAndReportsAccessError) {
#ifndef _WIN32
  const std::string bytes = MakeMz(1839);
  const fs::path file = dir / "bad.exe";
  WriteBytes(file, bytes);
  {
    FileSizeLimit limit(512);  // the copy cannot be written
    EXPECT_EQ(Cure(file, 4), CureOutcome::Failed);
  }
  EXPECT_EQ(ReadBytes(file), bytes);
  EXPECT_EQ(Row(), L"Ошибка доступа-пропущен: Virus");
  EXPECT_TRUE(rec.waves.empty());
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"bad.exe"});
#endif

  rec.texts.clear();
  EXPECT_EQ(Cure(dir / "missing.com", 0), CureOutcome::Failed);
  EXPECT_EQ(Row(), L"Ошибка доступа-пропущен");
  rec.texts.clear();
  EXPECT_EQ(Cure(dir / "missing.exe", 5), CureOutcome::NotAttempted);
  EXPECT_EQ(Row(), L"(unchanged)");
}

TEST_F(CureTest, CuredFileKeepsItsAttributesAndSoundFollowsTheSetting) {
  const fs::path file = dir / "a.com";
  WriteBytes(file, Pattern(1000));
#ifdef _WIN32
  SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_HIDDEN);
#else
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#endif
  options.Sound = 0;
  EXPECT_EQ(Cure(file, 0), CureOutcome::Cured);
  EXPECT_EQ(fs::file_size(file), 267u);
  EXPECT_TRUE(rec.waves.empty());
#ifdef _WIN32
  EXPECT_TRUE(GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_HIDDEN);
#else
  EXPECT_EQ(fs::status(file).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#endif
}

#ifdef _WIN32
TEST_F(CureTest, ReadOnlyFileIsNotChanged) {
  const std::string bytes = Pattern(1000);
  const fs::path file = dir / "ro.com";
  WriteBytes(file, bytes);
  SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
  if (os::File f; f.Open(file, true) == os::Error::None)
    GTEST_SKIP() << "read-only files open for writing here (Wine run by root)";
  EXPECT_EQ(Cure(file, 0), CureOutcome::Failed);
  EXPECT_EQ(Row(), L"Ошибка доступа-пропущен: Virus");
  SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadBytes(file), bytes);
}
#endif

// The sample maker's files for the bundled database: each is found as its
// record, and the cure gives back the clean program byte for byte.
TEST(SampleRoundTripTest, EveryCureKindGivesBackTheCleanProgram) {
  RecordingMessages messages;
  VirusTable table;
  ASSERT_EQ(LoadVirusTable(table, messages, fs::path(VSK_SOURCE_DIR) / "data/VirusBase.vbf"),
            LoadResult::Loaded);
  const SignatureMatcher matcher(table);
  TempDir dir;
  ASSERT_EQ(samples::WriteSampleSet(table, dir.path()), L"");

  struct Kind {
    const char* sample;
    int record;
  } kinds[] = {{"com/hello.com", 0},
               {"dos/dosprog.exe", 4},
               {"win/winprog.exe", 5},
               {"companion/game.exe", 3}};
  for (const Kind& k : kinds) {
    const fs::path file = dir / "samples" / k.sample;
    EXPECT_EQ(matcher.MatchFile(file), k.record) << k.sample;
    EXPECT_NE(table.curable[k.record], 0);
    EXPECT_EQ(RepairFile(file, table, k.record), CureOutcome::Cured) << k.sample;
    EXPECT_EQ(ReadBytes(file), ReadBytes(dir / "clean" / file.filename())) << k.sample;
    EXPECT_EQ(matcher.MatchFile(file), kMatchClean) << k.sample;
  }
  EXPECT_FALSE(fs::exists(dir / "samples/companion/game.OVL"));
  EXPECT_EQ(matcher.MatchFile(dir / "samples/avtest.com"), 1);
  EXPECT_EQ(matcher.MatchFile(dir / "samples/dropper.bin"), 2);
  EXPECT_EQ(fs::file_size(dir / "samples/avtest.com"), 68u);
}

}  // namespace
}  // namespace vsk::test
