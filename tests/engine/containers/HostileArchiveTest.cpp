// Members found and members told: each archive ends in bounded time with a
// row that says what was read.
#include <gtest/gtest.h>

#include "engine/actions/Actions.h"
#include "engine/containers/ContentSearch.h"
#include "engine/scan/FolderWalk.h"
#include "tests/ArchiveBuilder.h"
#include "tests/TestUtil.h"
#include "tests/engine/RowRecorder.h"
#include "tests/engine/scan/WalkScan.h"

namespace vsk {
namespace {
using test::Deflated;
using test::Stored;
using test::ZipBuilder;
using test::ZipMember;

const std::string kSig = "-EVIL-SIGNATURE-";
const std::string kInfected = std::string(5000, 'x') + kSig + std::string(3000, 'y');

class ArchiveTest : public ::testing::Test {
 protected:
  // The match of the members of `archive`, and where.
  int Search(const std::string& archive, const ArchiveLimits& limits = {}) {
    const ContentSearch search(matcher, limits);
    return search.SearchMembers(reinterpret_cast<const uint8_t*>(archive.data()), archive.size(),
                                inside);
  }
  VirusTable table = test::MakeTable({{"Clean.Not", "NEVER-IN-THESE-FILES"}, {"Evil", kSig}});
  SignatureMatcher matcher{table};
  std::wstring inside;
};

TEST_F(ArchiveTest, FindsAVirusInEveryKindOfMember) {
  ZipBuilder deflated;
  deflated.Add(Deflated("clean.txt", "hello")).Add(Deflated("dir/evil.exe", kInfected));
  EXPECT_EQ(Search(deflated.Build()), 1);
  EXPECT_EQ(inside, L"dir/evil.exe");

  // A data descriptor after the data, ZIP64 sizes and end records.
  ZipBuilder odd;
  ZipMember late = Deflated("late", kInfected);
  late.flags = 8;
  ZipMember wide = Stored("wide", "clean");
  wide.zip64 = true;
  odd.Add(wide).Add(late);
  EXPECT_EQ(Search(odd.Build(true)), 1);
  EXPECT_EQ(inside, L"late");

  // Nested: deflated and stored ZIPs, GZIP in ZIP, several GZIP members.
  const std::string inner = ZipBuilder().Add(Deflated("evil.bin", kInfected)).Build();
  EXPECT_EQ(Search(ZipBuilder().Add(Deflated("in.zip", inner)).Build()), 1);
  EXPECT_EQ(inside, L"in.zip::evil.bin");
  EXPECT_EQ(Search(ZipBuilder().Add(Stored("in.zip", inner)).Build()), 1);
  const std::string gz = test::Gzip("clean") + test::Gzip(kInfected, "evil.exe");
  EXPECT_EQ(Search(gz), 1);
  EXPECT_EQ(inside, L"evil.exe");
  EXPECT_EQ(Search(ZipBuilder().Add(Deflated("x.gz", test::Gzip(kInfected))).Build()), 1);
  EXPECT_EQ(inside, L"x.gz::#1");
}

TEST_F(ArchiveTest, ASignatureNeverSpansTwoMembers) {
  const std::string a = kSig.substr(0, 7), b = kSig.substr(7);
  EXPECT_EQ(Search(ZipBuilder().Add(Stored("a", a)).Add(Stored("b", b)).Build()), kMatchClean);
  EXPECT_EQ(Search(test::Gzip(a) + test::Gzip(b)), kMatchClean);
  EXPECT_TRUE(inside.empty());
}

TEST_F(ArchiveTest, AMemberNotReadIsToldNeverClean) {
  const auto told = [&](const std::string& archive, const std::wstring& why,
                        const ArchiveLimits& limits = {}) {
    EXPECT_EQ(Search(archive, limits), kMatchUnreadable) << ToUtf8(why);
    EXPECT_NE(inside.find(why), std::wstring::npos) << ToUtf8(inside);
  };
  ZipMember locked = Deflated("locked", "secret");
  locked.flags = 1;
  told(ZipBuilder().Add(locked).Build(), L"locked: зашифрован");
  ZipMember bzip2 = Deflated("b", "data");
  bzip2.method = 12;
  told(ZipBuilder().Add(bzip2).Build(), L"b: метод сжатия не поддерживается");

  // Cut: no end record; or the data ends before the stream does.
  const std::string whole = ZipBuilder().Add(Deflated("a", kInfected + kInfected)).Build();
  told(whole.substr(0, whole.size() / 2), L"повреждён");
  ZipBuilder cut;
  cut.Add(Deflated("a", std::string(4000, 'q') + "tail"));
  cut.members[0].packed.resize(cut.members[0].packed.size() - 3);
  told(cut.Build(), L"a: повреждён");
  // A bad CRC, and a GZIP cut short.
  ZipBuilder crc;
  crc.Add(Deflated("c", "data")).members[0].crc ^= 1;
  told(crc.Build(), L"c: повреждён");
  const std::string gz = test::Gzip(std::string(9000, 'z'));
  told(gz.substr(0, gz.size() - 4), L"#1: повреждён");

  // A virus found elsewhere still wins.
  EXPECT_EQ(Search(ZipBuilder().Add(locked).Add(Deflated("v", kInfected)).Build()), 1);
}

TEST_F(ArchiveTest, ALyingDirectoryIsNotTrusted) {
  // The directory names another file than the local header.
  ZipBuilder renamed;
  renamed.Add(Stored("a.txt", "clean"));
  std::string local = renamed.Local();
  renamed.members[0].name = "b.txt";
  EXPECT_EQ(Search(local + renamed.Directory(local.size())), kMatchUnreadable);
  // A member left out of the directory hides between two it lists.
  ZipBuilder hidden;
  hidden.Add(Stored("a", "clean")).Add(Deflated("hidden", kInfected)).Add(Stored("c", "clean"));
  local = hidden.Local();
  hidden.members.erase(hidden.members.begin() + 1);
  EXPECT_EQ(Search(local + hidden.Directory(local.size())), kMatchUnreadable);
  EXPECT_EQ(inside, L"c: повреждён");
  // Thousands of entries over the same data: refused, not read thousands
  // of times.
  ZipBuilder overlap;
  overlap.Add(Deflated("m0", std::string(100000, 'a')));
  local = overlap.Local();
  for (int i = 1; i < 5000; ++i) overlap.members.push_back(overlap.members[0]);
  EXPECT_EQ(Search(local + overlap.Directory(local.size())), kMatchUnreadable);
  EXPECT_EQ(inside, L"m0: записи архива перекрываются");
}

TEST_F(ArchiveTest, LimitsCutOffBombsAndDepth) {
  // One member of 2 GiB of zeros, 2 MiB compressed.
  ZipMember bomb{"bomb", {}, uint64_t{2048} << 20, 0};
  bomb.packed = test::DeflatedZeros(2048, bomb.crc);
  bomb.zip64 = true;
  const std::string zip = ZipBuilder().Add(bomb).Build(true);
  EXPECT_EQ(Search(zip), kMatchUnreadable);
  EXPECT_EQ(inside, L"bomb: превышена степень сжатия");
  ArchiveLimits lax;
  lax.ratio = 1 << 20;
  lax.archiveBytes = 32 << 20;
  EXPECT_EQ(Search(zip, lax), kMatchUnreadable);
  EXPECT_EQ(inside, L"bomb: превышен объём распаковки архива");
  // The limit of a run holds across its files.
  lax.archiveBytes = 1 << 30;
  lax.scanBytes = 48 << 20;
  const ContentSearch run(matcher, lax);
  const std::string small = ZipBuilder().Add(Deflated("z", std::string(30 << 20, '\0'))).Build();
  const auto data = reinterpret_cast<const uint8_t*>(small.data());
  EXPECT_EQ(run.SearchMembers(data, small.size(), inside), kMatchClean);
  EXPECT_EQ(run.SearchMembers(data, small.size(), inside), kMatchUnreadable);
  EXPECT_EQ(inside, L"z: превышен объём распаковки за проверку");

  // Ten levels of ZIP in ZIP, the virus at the bottom.
  std::string nested = ZipBuilder().Add(Deflated("v.exe", kInfected)).Build();
  for (int i = 9; i >= 1; --i)
    nested = ZipBuilder().Add(Deflated("l" + std::to_string(i) + ".zip", nested)).Build();
  EXPECT_EQ(Search(nested), kMatchUnreadable);
  EXPECT_EQ(inside, L"l1.zip::l2.zip::l3.zip::l4.zip::l5.zip: превышена глубина вложенности архивов");
  ArchiveLimits deep;
  deep.depth = 10;
  EXPECT_EQ(Search(nested, deep), 1);
  EXPECT_EQ(inside, L"l1.zip::l2.zip::l3.zip::l4.zip::l5.zip::l6.zip::l7.zip::l8.zip::l9.zip::v.exe");
  ArchiveLimits few;
  few.members = 2;
  EXPECT_EQ(Search(ZipBuilder().Add(Stored("a", "")).Add(Stored("b", "")).Add(Stored("c", "")).Build(),
                   few),
            kMatchUnreadable);
  EXPECT_EQ(inside, L"слишком много файлов в архиве");
}

// The walk's rows: the archive as the row, infected or skipped, the member
// in its identity; the cure takes the incurable branch.
TEST_F(ArchiveTest, AnArchiveIsOneRow) {
  test::TempDir dir, work;
  test::Scan scan;
  scan.table = test::MakeTable({{"Evil", kSig, true}});
  scan.jobs = 2;
  ZipMember locked = Stored("locked", "x");
  locked.flags = 1;
  test::WriteBytes(dir / "a.dat", ZipBuilder().Add(Deflated("in/v.exe", kInfected)).Build());
  test::WriteBytes(dir / "b.zip", ZipBuilder().Add(locked).Build());
  scan.Run(dir.path());
  ASSERT_EQ(scan.rec.rows.size(), 2u);
  std::map<std::string, test::Row> rows;
  for (const test::Row& r : scan.rec.rows) rows[r.path.filename().string()] = r;
  EXPECT_EQ(rows["a.dat"].result, L"Evil");
  EXPECT_EQ(rows["a.dat"].identity.inside, L"in/v.exe");
  EXPECT_TRUE(rows["a.dat"].identity.known);
  EXPECT_EQ(rows["b.zip"].result, L"Ошибка доступа-пропущен");
  EXPECT_EQ(rows["b.zip"].identity.inside, L"locked: зашифрован");
  EXPECT_EQ(scan.counters.skipped, 1);
  EXPECT_EQ(scan.counters.virusesFound, 1);

  // Curable as a loose file, but no repair runs on an archive's bytes.
  test::RowRecorder rec;
  rec.texts[0] = L"Evil";
  ActionContext context{scan.table, scan.options, rec, rec, rec, rec, work.path()};
  CureOrDelete(context, CapturedRow(0, dir / "a.dat", L"Evil", rows["a.dat"].identity));
  EXPECT_EQ(rec.texts[0], L"Неизлечим, удалён");
  EXPECT_FALSE(std::filesystem::exists(dir / "a.dat"));
}

}  // namespace
}  // namespace vsk
