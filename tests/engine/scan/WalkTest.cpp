#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <thread>

#include "engine/scan/FolderWalk.h"
#include "engine/text/Encoding.h"
#include "tests/TestUtil.h"
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


void MakeTenCleanOneInfected(const fs::path& dir) {
  for (int i = 0; i < 10; ++i) WriteBytes(dir / ("clean" + std::to_string(i) + ".exe"), "harmless");
  WriteBytes(dir / "bad.exe", "xxEVIL-SIGNATURExx");
}

TEST(FileMaskTest, ExtensionRuleAndItsQuirks) {
  struct Case {
    const wchar_t* mask;
    const wchar_t* path;
    bool selected;
  } cases[] = {
      {L"*", L"C:\\A\\X.TXT", true},        {L"", L"C:\\A\\X.TXT", true},
      {L"*.", L"C:\\A\\X", true},           {L"*.exe", L"C:\\TEMP\\SETUP.EXE", true},
      {L"*.exe", L"C:\\README.NOTEXE", true}, {L"*.exe", L"C:\\A\\X.COM", false},
      {L"*.*", L"C:\\A\\X.TXT", false},     {L"*.com", L"x.Com", true},
      {L"*.exe", L"xe", false},             {L"*.док", L"C:\\Отчёт.ДОК", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MatchesFileMask(c.mask, c.path), c.selected) << ToUtf8(c.mask) << " " << ToUtf8(c.path);
}

TEST(ScanFolderTest, OnlyInfectedRowsWithFileOkOff) {
  TempDir dir;
  MakeTenCleanOneInfected(dir.path());
  Scan scan;
  scan.Run(dir.path());
  ASSERT_EQ(scan.rec.rows.size(), 1u);
  EXPECT_EQ(scan.rec.rows[0].result, L"Evil");
  EXPECT_EQ(scan.rec.rows[0].path, dir / "bad.exe");
  EXPECT_EQ(scan.counted, 11);
  EXPECT_EQ(scan.counters.filesChecked, 11);
  EXPECT_EQ(scan.counters.virusesFound, 1);
  EXPECT_EQ(scan.counters.nextRow, 1);
  EXPECT_EQ(scan.rec.waves, std::vector<int>{wave::kVirusFound});
  std::vector<int> expected(11);
  for (int i = 0; i < 11; ++i) expected[i] = i;
  EXPECT_EQ(scan.rec.progress, expected);  // the n-th file shows position n
}

TEST(ScanFolderTest, EveryFileHasItsRowWithFileOkOn) {
  TempDir dir;
  MakeTenCleanOneInfected(dir.path());
  Scan scan;
  scan.options.FileOk = 1;
  scan.options.Sound = 0;
  scan.Run(dir.path());
  ASSERT_EQ(scan.rec.rows.size(), 11u);
  EXPECT_EQ(scan.rec.Results()[L"OK"], 10);
  EXPECT_EQ(scan.rec.Results()[L"Evil"], 1);
  EXPECT_TRUE(scan.rec.waves.empty());
  EXPECT_EQ(scan.counters.filesChecked, 11);
  EXPECT_EQ(scan.counters.nextRow, 10);  // a clean last file leaves it at its own place
}

TEST(ScanFolderTest, SubfoldersMaskAndTrailingSeparator) {
  TempDir dir;
  WriteBytes(dir / "top.com", "EVIL-SIGNATURE");
  WriteBytes(dir / "sub" / "deep" / "a.com", "\x01\x02\x03\x04");
  WriteBytes(dir / "!!!Infected" / "q.com", "EVIL-SIGNATURE");
  WriteBytes(dir / "sub" / "skip.txt", "EVIL-SIGNATURE");
  WriteBytes(dir / "sub" / PathFromText(L"Ё\u4E2D.com"), "EVIL-SIGNATURE");
  Scan flat;
  flat.options.FileMask = L"*.com";
  flat.Run(dir.path());
  EXPECT_EQ(flat.counters.filesChecked, 1);

  Scan deep;
  deep.options.FileMask = L"*.com";
  deep.options.SubDir = 1;
  fs::path withSeparator = dir.path();
  withSeparator += fs::path::preferred_separator;
  deep.Run(withSeparator);
  EXPECT_EQ(deep.counted, 4);
  EXPECT_EQ(deep.counters.filesChecked, 4);
  EXPECT_EQ(deep.counters.virusesFound, 4);
  EXPECT_EQ(deep.rec.Results()[L"Вирус"], 1);
  for (const Row& row : deep.rec.rows) {
    const std::wstring text = PathText(row.path);
    EXPECT_EQ(text.find(PathText(dir.path())), 0u);
    EXPECT_EQ(text.find(L"//"), std::wstring::npos);
    EXPECT_EQ(text.find(L"\\\\", 2), std::wstring::npos);
  }

  Scan none;
  none.options.FileMask = L"*.*";
  none.options.SubDir = 1;
  none.Run(dir.path());
  EXPECT_EQ(none.counters.filesChecked, 0);
}

TEST(ScanFolderTest, UnreadableFileIsAnAccessErrorRowAndCounted) {
  TempDir dir;
  WriteBytes(dir / "ok.bin", "fine");
#ifdef _WIN32
  WriteBytes(dir / "locked.bin", "EVIL-SIGNATURE");
  HANDLE held = CreateFileW((dir / "locked.bin").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
#else
  fs::create_symlink(dir / "gone", dir / "locked.bin");  // listed, but cannot be opened
#endif
  Scan scan;
  scan.Run(dir.path());
#ifdef _WIN32
  CloseHandle(held);
#endif
  ASSERT_EQ(scan.rec.rows.size(), 1u);
  EXPECT_EQ(scan.rec.rows[0].result, L"Ошибка доступа-пропущен");
  EXPECT_EQ(scan.counters.filesChecked, 2);
  EXPECT_EQ(scan.counters.virusesFound, 0);
}

#ifndef _WIN32
TEST(ScanFolderTest, LinkedFoldersAreNotDescendedAndSpecialFilesSkipped) {
  TempDir dir;
  WriteBytes(dir / "real" / "v.bin", "EVIL-SIGNATURE");
  fs::create_directory_symlink(dir.path(), dir / "real" / "loop");
  fs::create_symlink(dir / "real" / "v.bin", dir / "link-to-file");
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  Scan scan;
  scan.options.SubDir = 1;
  scan.Run(dir.path());
  EXPECT_EQ(scan.counters.filesChecked, 2);  // v.bin and the link to it
  EXPECT_EQ(scan.counters.virusesFound, 2);
}
#endif

// With helper threads, files past the stop may be matched already; their
// rows never come.
TEST(ScanFolderTest, StopEndsTheWalkAtTheNextFile) {
  TempDir dir;
  for (int i = 0; i < 60; ++i)
    WriteBytes(dir / ("sub" + std::to_string(i % 3)) / ("v" + std::to_string(i)), "EVIL-SIGNATURE");
  WriteBytes(dir / "w", "EVIL-SIGNATURE");
  for (const int jobs : {1, 4}) {
    SCOPED_TRACE(jobs);
    Scan scan;
    scan.jobs = jobs;
    scan.options.SubDir = 1;
    scan.rec.onRow = [&] {
      if (scan.rec.rows.size() == 3) scan.control.Stop();
    };
    scan.Run(dir.path());
    EXPECT_EQ(scan.rec.rows.size(), 3u);
    EXPECT_EQ(scan.counters.filesChecked, 3);
    EXPECT_EQ(scan.counters.virusesFound, 3);
    EXPECT_EQ(scan.rec.progress, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(scan.counted, 61);  // counting does not look at the flag
  }
}

TEST(ScanFolderTest, DefaultJobsFollowTheProcessorsThisProcessMayUse) {
  EXPECT_GE(DefaultScanJobs(), 1);
  EXPECT_LE(DefaultScanJobs(), kMaxDefaultScanJobs);
#ifdef __linux__
  // As under "taskset -c 1".
  cpu_set_t saved;
  ASSERT_EQ(::sched_getaffinity(0, sizeof saved, &saved), 0);
  cpu_set_t one;
  CPU_ZERO(&one);
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
    if (CPU_ISSET(cpu, &saved)) {
      CPU_SET(cpu, &one);
      break;
    }
  ASSERT_EQ(::sched_setaffinity(0, sizeof one, &one), 0);
  EXPECT_EQ(DefaultScanJobs(), 1);
  ::sched_setaffinity(0, sizeof saved, &saved);
#endif
}

TEST(ScanFolderTest, PauseHoldsTheWalkUntilResumed) {
  TempDir dir;
  for (int i = 0; i < 40; ++i) WriteBytes(dir / ("v" + std::to_string(i)), "EVIL-SIGNATURE");
  for (const int jobs : {1, 4}) {
    SCOPED_TRACE(jobs);
    Scan scan;
    scan.jobs = jobs;
    std::atomic<bool> paused{false};
    scan.rec.onRow = [&] {
      if (scan.rec.rows.size() == 2) {
        scan.control.Pause();
        paused = true;
      }
    };
    scan.control.Start();
    std::thread worker([&] { scan.Run(dir.path()); });
    while (!paused) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(scan.rec.rows.size(), 2u);
    scan.control.Stop();  // the answer to "stop?" was yes
    worker.join();
    EXPECT_EQ(scan.rec.rows.size(), 2u);
  }
}

TEST(ScanFolderTest, PathsPastTheOldLimitAreWalkedAndScanned) {
  TempDir dir;
  fs::path deep = dir.path();
  for (int i = 0; i < 6; ++i) deep /= std::string(50, static_cast<char>('a' + i));
  ASSERT_GT(PathText(deep).size(), 300u);
#ifdef _WIN32
  // Only the \\?\ form creates such folders here.
  fs::path create(L"\\\\?\\" + fs::absolute(deep).wstring());
#else
  fs::path create = deep;
#endif
  fs::create_directories(create);
  { std::ofstream(create / "v.bin", std::ios::binary) << "EVIL-SIGNATURE"; }
  Scan scan;
  scan.options.SubDir = 1;
  scan.Run(dir.path());
  ASSERT_EQ(scan.rec.rows.size(), 1u);
  EXPECT_EQ(scan.rec.rows[0].result, L"Evil");
  EXPECT_EQ(scan.rec.rows[0].path, deep / "v.bin");
#ifdef _WIN32
  std::error_code ec;
  fs::remove_all(fs::path(L"\\\\?\\" + fs::absolute(dir.path()).wstring()), ec);
#endif
}

TEST(ScanFolderTest, AMissingFolderIsOneSkippedPlace) {
  TempDir dir;
  Scan scan;
  scan.Run(dir / "missing");
  EXPECT_EQ(scan.counters.filesChecked, 0);
  EXPECT_EQ(scan.counters.skipped, 1);
  ASSERT_EQ(scan.rec.rows.size(), 1u);
  EXPECT_EQ(scan.rec.rows[0].path, dir / "missing");
  EXPECT_EQ(scan.rec.rows[0].result, L"Ошибка доступа-пропущен");
}

}  // namespace
}  // namespace vsk
