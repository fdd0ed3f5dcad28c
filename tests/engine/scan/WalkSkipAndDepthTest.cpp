#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <thread>

#include "engine/scan/FolderWalk.h"
#include "engine/text/Encoding.h"
#include "tests/TestUtil.h"
#include "engine/containers/ContentSearch.h"
#include "engine/scan/ScanWorkers.h"
#include "tests/engine/scan/WalkScan.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif


namespace vsk {
namespace {
namespace fs = std::filesystem;
using test::MakeTable;
using test::TempDir;
using test::Recorder;
using test::Row;
using test::Scan;
using test::WriteBytes;

#ifndef _WIN32
using test::AsOrdinaryUser;

// Rows as "index path result" lines and the counters, from which a run in
// another process is compared.
std::string Describe(const Scan& scan, const fs::path& base) {
  std::string text;
  for (const Row& row : scan.rec.rows)
    text += std::to_string(row.index) + " " + fs::relative(row.path, base).string() + " " +
            ToUtf8(row.result) + "\n";
  const ScanCounters& c = scan.counters;
  return text + "checked " + std::to_string(c.filesChecked) + ", viruses " +
         std::to_string(c.virusesFound) + ", skipped " + std::to_string(c.skipped) + "\n";
}

// With clean rows on, the row index still follows the rows.
TEST(ScanFolderTest, AFolderThatCannotBeOpenedIsASkippedRowAndNoFile) {
  TempDir dir;
  WriteBytes(dir / "a" / "clean.bin", "clean");
  WriteBytes(dir / "locked" / "v.bin", "EVIL-SIGNATURE");
  fs::permissions(dir / "locked", fs::perms::none);
  const std::string seen = AsOrdinaryUser([&] {
    Scan scan;
    scan.options.SubDir = 1;
    scan.options.FileOk = 1;
    scan.Run(dir.path());
    return Describe(scan, dir.path());
  });
  const std::string counts = "checked 1, viruses 0, skipped 1\n";
  EXPECT_TRUE(seen == "0 a/clean.bin OK\n1 locked Ошибка доступа-пропущен\n" + counts ||
              seen == "0 locked Ошибка доступа-пропущен\n1 a/clean.bin OK\n" + counts)
      << seen;
  fs::permissions(dir / "locked", fs::perms::owner_all);
}
#endif

// Every call a run makes on its sink, in order, and its counters.
std::string Trace(const Scan& scan) {
  std::string text;
  for (const std::string& call : scan.rec.calls) text += call + "\n";
  const ScanCounters& c = scan.counters;
  return text + "checked " + std::to_string(c.filesChecked) + ", viruses " +
         std::to_string(c.virusesFound) + ", skipped " + std::to_string(c.skipped) + ", next row " +
         std::to_string(c.nextRow) + "\n";
}

// Clean and infected files of many sizes in nested folders; two files span
// several pieces with a signature across the first two.
void MakeMixedTree(const fs::path& root) {
  std::mt19937 random(15);
  const std::string signatures[] = {"EVIL-SIGNATURE", "\x01\x02\x03\x04"};
  for (int i = 0; i < 300; ++i) {
    fs::path folder = root / ("d" + std::to_string(i % 6));
    if (i % 4 == 0) folder /= "inner";
    const bool large = i % 37 == 0;
    std::string bytes(large ? 2 * SignatureMatcher::kPieceSize + random() % 1000 : random() % 3000, 'x');
    for (char& c : bytes) c = static_cast<char>('a' + random() % 26);
    if (i % 5 == 0 && bytes.size() > 20) {
      const std::string& sig = signatures[i % 2];
      const size_t at = large ? SignatureMatcher::kPieceSize - 3 : random() % (bytes.size() - sig.size());
      bytes.replace(at, sig.size(), sig);
    }
    WriteBytes(folder / ("f" + std::to_string(i) + ".bin"), bytes);
  }
}

TEST(ScanFolderTest, HelperThreadsReportExactlyWhatOneThreadDoes) {
  TempDir dir;
  MakeMixedTree(dir.path());
#ifdef _WIN32
  std::vector<HANDLE> held;
  for (const char* name : {"d1/f7.bin", "d2/inner/f8.bin", "d5/f11.bin"})
    held.push_back(CreateFileW((dir / name).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr));
#else
  fs::create_symlink(dir / "gone", dir / "d1" / "broken.bin");
  fs::permissions(dir / "d2" / "inner" / "f8.bin", fs::perms::none);
  fs::permissions(dir / "d4" / "inner", fs::perms::none);
  fs::permissions(dir / "d5", fs::perms::none);
#endif
  for (const int fileOk : {0, 1}) {
    const auto run = [&](int jobs) {
      Scan scan;
      scan.jobs = jobs;
      scan.options.SubDir = 1;
      scan.options.FileOk = fileOk;
      scan.Run(dir.path());
      return Trace(scan);
    };
#ifdef _WIN32
    const std::string one = run(1), four = run(4);
#else
    const std::string one = AsOrdinaryUser([&] { return run(1); });
    const std::string four = AsOrdinaryUser([&] { return run(4); });
#endif
    EXPECT_EQ(one, four) << "clean rows " << fileOk;
    EXPECT_NE(one.find(" Evil\n"), std::string::npos);
    EXPECT_NE(one.find(" Вирус\n"), std::string::npos);
#ifdef _WIN32
    const std::string skipped = "skipped 3,";  // three files held open
#else
    const std::string skipped = "skipped 4,";  // a broken link, a locked file, two locked folders
#endif
    EXPECT_NE(one.find(skipped), std::string::npos) << one.substr(one.rfind("checked"));
  }
#ifdef _WIN32
  for (HANDLE h : held) CloseHandle(h);
#else
  fs::permissions(dir / "d4" / "inner", fs::perms::owner_all);
  fs::permissions(dir / "d5", fs::perms::owner_all);
#endif
}

// More large files than the helpers may hold open at once, between small
// ones: some matched by helpers, some by the walk's thread as they come;
// and files matched in parts by several threads, with viruses at the parts'
// borders, or two, the earlier in an earlier part.
TEST(ScanFolderTest, ManyLargeFilesAmongSmallOnesKeepTheOrderOfOneThread) {
  TempDir dir;
  std::mt19937 random(7);
  for (int i = 0; i < 400; ++i) {
    const bool large = i % 3 == 0;
    std::string bytes(large ? ScanWorkers::kMatchHereBelow + random() % 5000 : 1 + random() % 2000, 'y');
    if (i % 7 == 0) bytes.replace(random() % (bytes.size() / 2 + 1), 0, "EVIL-SIGNATURE");
    WriteBytes(dir / ("d" + std::to_string(i % 4)) / ("f" + std::to_string(i) + ".bin"), bytes);
  }
  const size_t part = ContentSearch::kPartBytes;
  for (int i = 0; i < 6; ++i) {
    std::string bytes(3 * part + random() % 5000, 'z');
    const size_t border = ContentSearch::PartStart(bytes.size(), 1 + i % 2, 3);
    if (i < 4) bytes.replace(border - i, 14, "EVIL-SIGNATURE");
    if (i % 2 || i == 2) bytes.replace(i % 2 ? random() % part : bytes.size() - 9, 4, "\x01\x02\x03\x04");
    WriteBytes(dir / ("d" + std::to_string(i % 4)) / ("large" + std::to_string(i) + ".bin"), bytes);
  }
  const auto run = [&](int jobs) {
    Scan scan;
    scan.jobs = jobs;
    scan.options.SubDir = 1;
    scan.options.FileOk = 1;
    scan.Run(dir.path());
    return Trace(scan);
  };
  const std::string one = run(1);
  EXPECT_NE(one.find("checked 406, viruses 63,"), std::string::npos) << one.substr(one.rfind("checked"));
  for (const int jobs : {2, 3}) EXPECT_EQ(run(jobs), one) << jobs;
}

#ifdef __linux__
// A helper is started off the walk's processor, then may run on all of the
// scan's again, as the walk's thread may.
TEST(ScanFolderTest, HelpersEndUpOnEveryProcessorOfTheScan) {
  const auto allowed = [] {
    std::map<std::string, int> lists;  // processors allowed, and threads so
    for (const auto& task : fs::directory_iterator("/proc/self/task")) {
      std::ifstream status(task.path() / "status");
      for (std::string line; std::getline(status, line);)
        if (line.rfind("Cpus_allowed_list:", 0) == 0) ++lists[line];
    }
    return lists;
  };
  const VirusTable table = MakeTable({{"Evil", "EVIL"}});
  const SignatureMatcher matcher(table);
  const ContentSearch search(matcher);
  const std::atomic<bool> running{true};
  ScanWorkers workers(search, running, 2);
  ASSERT_EQ(workers.Helpers(), 2);
  auto lists = allowed();
  for (int i = 0; i < 200 && lists.size() > 1; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    lists = allowed();
  }
  EXPECT_EQ(lists.size(), 1u) << lists.begin()->first;
}

// /proc/self/mem reads without end, but its size is 0: it is checked as the
// empty file its size says (a failing read: MatcherTest).
TEST(ScanFolderTest, AProcFileOfSizeZeroIsCheckedAsEmpty) {
  TempDir dir;
  WriteBytes(dir / "ok.bin", "fine");
  fs::create_symlink("/proc/self/mem", dir / "mem");
  Scan scan;
  scan.options.FileOk = 1;
  scan.Run(dir.path());
  ASSERT_EQ(scan.rec.rows.size(), 2u);
  EXPECT_EQ(scan.rec.rows[0].result + scan.rec.rows[1].result, L"OKOK");
  EXPECT_EQ(scan.counters.filesChecked, 2);
  EXPECT_EQ(scan.counters.skipped, 0);
}

// A chain of `depth` folders with 20-character names under `root`, each
// holding an infected file, made through handles (no full path of the lower
// ones can be used). Returns the paths of the files.
std::vector<fs::path> MakeDeepChain(const fs::path& root, int depth) {
  std::vector<fs::path> files;
  fs::create_directories(root);
  fs::path path = root;
  int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY);
  for (int level = 0; level < depth && fd >= 0; ++level) {
    const std::string name = "level-" + std::string(10 - std::to_string(level).size(), '0') +
                             std::to_string(level) + "-abcd";
    const int file = ::openat(fd, "v.bin", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    EXPECT_EQ(::write(file, "EVIL-SIGNATURE", 14), 14);
    ::close(file);
    files.push_back(path / "v.bin");
    EXPECT_EQ(::mkdirat(fd, name.c_str(), 0755), 0);
    const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
    ::close(fd);
    fd = next;
    path /= name;
  }
  ::close(fd);
  return files;
}

// The standard library cannot remove what lies deeper than a path can name.
void RemoveDeep(const fs::path& root) {
  EXPECT_EQ(std::system(("rm -rf '" + root.string() + "'").c_str()), 0);
}

TEST(ScanFolderTest, EveryDepthIsReachedWhateverThePathsLength) {
  TempDir dir;
  // Deeper than the levels kept open, and paths far past 4,096 bytes.
  const std::vector<fs::path> files = MakeDeepChain(dir / "deep", 300);
  ASSERT_EQ(files.size(), 300u);
  ASSERT_GT(files.back().native().size(), 6000u);
  Scan scan;
  scan.options.SubDir = 1;
  scan.Run(dir.path());
  EXPECT_EQ(scan.counted, 300);
  EXPECT_EQ(scan.counters.filesChecked, 300);
  EXPECT_EQ(scan.counters.virusesFound, 300);
  EXPECT_EQ(scan.counters.skipped, 0);
  std::vector<fs::path> found;
  for (const Row& row : scan.rec.rows) found.push_back(row.path);
  std::sort(found.begin(), found.end());
  std::vector<fs::path> expected = files;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(found, expected);
  RemoveDeep(dir / "deep");
}

TEST(ScanFolderTest, AFolderMovedAwayDuringADeepWalkIsSkippedAndTheRestGoesOn) {
  TempDir dir;
  const std::vector<fs::path> files = MakeDeepChain(dir / "deep", 260);
  WriteBytes(dir / "zz-last" / "w.bin", "EVIL-SIGNATURE");
  const fs::path level8 = files[9].parent_path();
  const fs::path level9 = files[10].parent_path();
  Scan scan;
  scan.options.SubDir = 1;
  bool moved = false;
  // At the deepest file, level 8 (long closed to save handles) goes away
  // with its subfolder moved out, and a new folder takes its name.
  scan.rec.onRow = [&] {
    if (moved || scan.rec.rows.back().path != files.back()) return;
    moved = true;
    fs::rename(level9, dir / "moved9");
    fs::rename(level8, dir / "moved8");
    fs::create_directory(level8);
  };
  scan.Run(dir.path());
  ASSERT_TRUE(moved);
  const auto skipped = std::count_if(scan.rec.rows.begin(), scan.rec.rows.end(), [&](const Row& r) {
    return r.result == L"Ошибка доступа-пропущен";
  });
  EXPECT_EQ(skipped, 1);
  EXPECT_EQ(scan.counters.skipped, 1);
  const auto row = std::find_if(scan.rec.rows.begin(), scan.rec.rows.end(),
                                [&](const Row& r) { return r.path == level8; });
  ASSERT_NE(row, scan.rec.rows.end()) << "the level that was lost is told by its path";
  EXPECT_TRUE(std::any_of(scan.rec.rows.begin(), scan.rec.rows.end(),
                          [&](const Row& r) { return r.path == dir / "zz-last" / "w.bin"; }));
  RemoveDeep(dir / "moved9");
  RemoveDeep(dir / "deep");
}
#endif

}  // namespace
}  // namespace vsk
