#include <gtest/gtest.h>

#include <cerrno>
#include <set>
#include <string>

#include "engine/actions/CheckedTarget.h"
#include "engine/os/File.h"
#include "engine/os/Folder.h"
#include "engine/os/FolderChain.h"
#include "engine/os/Names.h"
#include "tests/TestUtil.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace vsk::test {
namespace {

std::string ReadToEnd(const os::File& file) {
  std::string text;
  char buffer[7];
  for (long long n; (n = file.Read(buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
  return text;
}

TEST(FileTest, OpensByPathOnlyARegularFileAndTellsWhyNot) {
  TempDir dir;
  WriteBytes(dir / "f.bin", "some bytes to read");
  fs::create_directory(dir / "sub");
  os::File file;
  EXPECT_EQ(file.Open(dir / "missing"), os::Error::Missing);
  EXPECT_EQ(file.LastError(), os::Error::Missing);
  EXPECT_NE(file.ErrorCode(), 0);
  EXPECT_EQ(file.Open(dir / "sub"), os::Error::NotAFile);
  EXPECT_FALSE(file.IsOpen());
#ifndef _WIN32
  // Opened without blocking, and refused for what it is.
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  EXPECT_EQ(file.Open(dir / "fifo"), os::Error::NotAFile);
#endif
  ASSERT_EQ(file.Open(dir / "f.bin"), os::Error::None);
  EXPECT_EQ(file.LastError(), os::Error::None);
  EXPECT_EQ(file.OpenedSize(), 18);
  EXPECT_EQ(ReadToEnd(file), "some bytes to read");
  // A rewind reads again from the start, whatever was read at an offset.
  char two[2];
  ASSERT_TRUE(file.ReadExactAt(5, two, 2));
  EXPECT_EQ(std::string(two, 2), "by");
  ASSERT_TRUE(file.Rewind());
  EXPECT_EQ(ReadToEnd(file), "some bytes to read");
}

#ifdef __linux__
// A forked child opens its own files, never the parent's that hold the
// same descriptor number: the parent opens another file at the number the
// child's open will take first.
TEST(FileTest, AForkedChildOpensItsOwnFile) {
  TempDir dir;
  WriteBytes(dir / "parent", "the parent's");
  WriteBytes(dir / "child", "the child's");
  os::File warm;
  ASSERT_EQ(warm.Open(dir / "child"), os::Error::None);
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    char go;
    os::File file;
    const bool ok = ::read(ready[0], &go, 1) == 1 && file.Open(dir / "child") == os::Error::None &&
                    ReadToEnd(file) == "the child's";
    ::_exit(ok ? 0 : 1);
  }
  const int held = ::open((dir / "parent").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::write(ready[1], "g", 1), 1);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ::close(held);
  ::close(ready[0]);
  ::close(ready[1]);
}
#endif

TEST(FileTest, OpenedForWritingByPathChangesTheFileInPlace) {
  TempDir dir;
  WriteBytes(dir / "f.bin", "abcdef");
  {
    os::File file;
    ASSERT_EQ(file.Open(dir / "f.bin", true), os::Error::None);
    ASSERT_TRUE(file.WriteAt(2, "XY", 2));
    ASSERT_TRUE(file.WriteAt(6, "gh", 2));
    EXPECT_EQ(file.Size(), 8);
    EXPECT_EQ(file.OpenedSize(), 6);
  }
  EXPECT_EQ(ReadBytes(dir / "f.bin"), "abXYefgh");
}

// The checked target's file is matched by its own handle: a second check
// after a first one read it to its end still sees the whole file.
TEST(FileTest, TheCheckedTargetHoldsItsVirusAtEveryCheck) {
  TempDir dir;
  WriteBytes(dir / "v.com", std::string(100, '.') + "EVIL" + std::string(100, '.'));
  const VirusTable table = MakeTable({{"Evil", "EVIL"}});
  CheckedTarget row;
  ASSERT_EQ(OpenCheckedTarget(dir / "v.com", false, row), CheckedTargetState::Ready);
  EXPECT_TRUE(HoldsVirus(row.file, table, 0));
  EXPECT_TRUE(HoldsVirus(row.file, table, 0));
  char first;
  ASSERT_TRUE(row.file.ReadExactAt(150, &first, 1));
  EXPECT_TRUE(HoldsVirus(row.file, table, 0));
}

TEST(FolderTest, InspectTellsWhatEachNameIs) {
  TempDir dir;
  WriteBytes(dir / "file", "x");
  fs::create_directory(dir / "sub");
  os::Folder folder;
  ASSERT_TRUE(folder.Open(dir.path()));
  EXPECT_EQ(folder.Inspect(os::FromAscii("file")).kind, os::Kind::File);
  EXPECT_EQ(folder.Inspect(os::FromAscii("sub")).kind, os::Kind::Folder);
  EXPECT_EQ(folder.Inspect(os::FromAscii("missing")).kind, os::Kind::Missing);
#ifndef _WIN32
  fs::create_symlink(dir / "file", dir / "to-file");
  fs::create_directory_symlink(dir / "sub", dir / "to-sub");
  fs::create_symlink(dir / "nowhere", dir / "dangling");
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  fs::create_symlink(dir / "fifo", dir / "to-fifo");
  EXPECT_EQ(folder.Inspect(os::FromAscii("to-file")).kind, os::Kind::FileLink);
  EXPECT_EQ(folder.Inspect(os::FromAscii("to-sub")).kind, os::Kind::FolderLink);
  EXPECT_EQ(folder.Inspect(os::FromAscii("dangling")).kind, os::Kind::FileLink);
  EXPECT_EQ(folder.Inspect(os::FromAscii("to-fifo")).kind, os::Kind::FileLink);
  EXPECT_EQ(folder.Inspect(os::FromAscii("fifo")).kind, os::Kind::Other);
  // A link is its own file, not its target's.
  EXPECT_NE(folder.Inspect(os::FromAscii("to-file")).id, folder.Inspect(os::FromAscii("file")).id);
#endif
}

TEST(FolderChainTest, ListsAFolderOfManyLongNamesWholeAndAgain) {
  TempDir dir;
  // Far more than one read of the listing holds.
  std::set<os::NativeName> made;
  for (int i = 0; i < 1500; ++i) {
    const fs::path name = std::string(100, 'n') + std::to_string(i);
    WriteBytes(dir / name, "x");
    made.insert(name.native());
  }
  fs::create_directory(dir / "sub");
  os::FolderChain chain;
  ASSERT_TRUE(chain.OpenRoot(dir.path()));
  for (int listing = 0; listing < 2; ++listing) {
    os::FolderEntries entries;
    ASSERT_TRUE(chain.List(entries));
    std::set<os::NativeName> files;
    size_t folders = 0;
    for (const auto& entry : entries.list) {
      if (entry.kind == os::Kind::File) files.insert(entries.Name(entry));
      folders += entry.kind == os::Kind::Folder;
    }
    EXPECT_EQ(entries.list.size(), made.size() + 1);
    EXPECT_EQ(files, made);
    EXPECT_EQ(folders, 1u);
  }
}

#ifdef _WIN32
TEST(NamesTest, FullPathResolvesAgainstTheWorkingFolderAndLongPathsGetTheirPrefix) {
  const std::wstring here = fs::current_path().native();
  EXPECT_EQ(os::FullPath(L"a\\..\\b.txt"), (here.back() == L'\\' ? here : here + L'\\') + L"b.txt");
  EXPECT_EQ(os::FullPath(L"C:\\x\\.\\y"), L"C:\\x\\y");
  const std::wstring deep = L"C:\\" + std::wstring(300, L'd');
  EXPECT_EQ(os::LongPath(deep), L"\\\\?\\" + deep);
  EXPECT_EQ(os::LongPath(L"\\\\server\\share\\" + std::wstring(300, L'd')),
            L"\\\\?\\UNC\\server\\share\\" + std::wstring(300, L'd'));
  EXPECT_EQ(os::LongPath(L"C:\\short"), L"C:\\short");
}
#endif

}  // namespace
}  // namespace vsk::test
