// The atomic write: the target is either as it was or wholly new, keeps its
// metadata, and no temporary file stays behind, whatever fails.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/os/AtomicWrite.h"
#include "tests/TestUtil.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vsk::test {
namespace {

os::FileWriter Writes(const std::string& bytes) {
  return [bytes](os::File& out) { return out.WriteAt(0, bytes.data(), bytes.size()); };
}

// Writes part of the content, then fails.
os::FileWriter FailsHalfway(const std::string& bytes) {
  return [bytes](os::File& out) {
    out.WriteAt(0, bytes.data(), bytes.size() / 2);
    return false;
  };
}

class AtomicWriteTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(folder.Open(dir.path())); }
  // `name` of the folder, open for writing.
  os::File OpenTarget(const char* name) {
    os::File file;
    EXPECT_EQ(file.Open(folder, Native(name), true), os::Error::None);
    return file;
  }

  TempDir dir;
  os::Folder folder;
};

TEST_F(AtomicWriteTest, AReplaceKeepsTheTargetsMetadataAndLeavesNothingBeside) {
  const fs::path path = dir / "a.bin";
  WriteBytes(path, "the old content, longer than the new");
#ifdef _WIN32
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
#else
  fs::permissions(path, fs::perms(0640));
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(path.c_str(), 4242, 4343), 0);
  }
#endif
  os::File target = OpenTarget("a.bin");
  EXPECT_EQ(os::ReplaceAtomically(folder, Native("a.bin"), target, Writes("new")),
            os::AtomicResult::Written);
  EXPECT_FALSE(target.IsOpen());
  EXPECT_EQ(ReadBytes(path), "new");
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"a.bin"});
#ifdef _WIN32
  EXPECT_TRUE(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_HIDDEN);
#else
  EXPECT_EQ(ModeOf(path), 0640u);
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  if (root) {
    EXPECT_EQ(st.st_uid, 4242u);
    EXPECT_EQ(st.st_gid, 4343u);
  }
#endif
}

TEST_F(AtomicWriteTest, AFailedWriteLeavesTheTargetAsItWasAndNoTemporary) {
  const fs::path path = dir / "a.bin";
  WriteBytes(path, "the old content");
  os::File target = OpenTarget("a.bin");
  EXPECT_EQ(os::ReplaceAtomically(folder, Native("a.bin"), target, FailsHalfway("new content")),
            os::AtomicResult::Failed);
  EXPECT_TRUE(target.IsOpen());  // still the caller's, for another way
  target.Close();
  EXPECT_EQ(ReadBytes(path), "the old content");
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"a.bin"});

  for (bool replace : {false, true}) {
    EXPECT_EQ(os::WriteAtomically(folder, Native("a.bin"), replace, FailsHalfway("new content")),
              os::AtomicResult::Failed);
    EXPECT_EQ(os::WriteAtomically(folder, Native("b.bin"), replace, FailsHalfway("new content")),
              os::AtomicResult::Failed);
  }
  EXPECT_EQ(ReadBytes(path), "the old content");
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"a.bin"});
}

#ifndef _WIN32
// (On Windows nobody renames a file while it is open for writing.)
TEST_F(AtomicWriteTest, ATargetSwappedMeanwhileIsNotReplaced) {
  WriteBytes(dir / "a.bin", "checked");
  os::File target = OpenTarget("a.bin");
  fs::rename(dir / "a.bin", dir / "moved.bin");
  WriteBytes(dir / "a.bin", "someone else's");
  EXPECT_EQ(os::ReplaceAtomically(folder, Native("a.bin"), target, Writes("new")),
            os::AtomicResult::Failed);
  EXPECT_EQ(ReadBytes(dir / "a.bin"), "someone else's");
  EXPECT_EQ(ReadBytes(dir / "moved.bin"), "checked");
  EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"a.bin", "moved.bin"}));
}
#endif

TEST_F(AtomicWriteTest, ANewFileIsPrivateAndTakesAFreeNameOnlyWhereAsked) {
  EXPECT_EQ(os::WriteAtomically(folder, Native("new.txt"), false, Writes("first")),
            os::AtomicResult::Written);
  EXPECT_EQ(ReadBytes(dir / "new.txt"), "first");
#ifndef _WIN32
  EXPECT_EQ(ModeOf(dir / "new.txt"), 0600u);
#endif
  // Never over anything unless asked.
  EXPECT_EQ(os::WriteAtomically(folder, Native("new.txt"), false, Writes("second")),
            os::AtomicResult::Exists);
  EXPECT_EQ(ReadBytes(dir / "new.txt"), "first");
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"new.txt"});
  EXPECT_EQ(os::WriteAtomically(folder, Native("new.txt"), true, Writes("third")),
            os::AtomicResult::Written);
  EXPECT_EQ(ReadBytes(dir / "new.txt"), "third");
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"new.txt"});
}

TEST_F(AtomicWriteTest, ANewFileTakesTheMetadataOfTheFileItIsMadeFrom) {
  const fs::path from = dir / "from.bin";
  WriteBytes(from, "source");
#ifdef _WIN32
  SetFileAttributesW(from.c_str(), FILE_ATTRIBUTE_HIDDEN);
#else
  fs::permissions(from, fs::perms(0604));
#endif
  os::File source;
  ASSERT_EQ(source.Open(folder, Native("from.bin"), false), os::Error::None);
  EXPECT_EQ(os::WriteAtomically(folder, Native("copy.bin"), false, Writes("source"), &source),
            os::AtomicResult::Written);
  EXPECT_TRUE(source.IsOpen());
  EXPECT_EQ(ReadBytes(dir / "copy.bin"), "source");
#ifdef _WIN32
  EXPECT_TRUE(GetFileAttributesW((dir / "copy.bin").c_str()) & FILE_ATTRIBUTE_HIDDEN);
#else
  EXPECT_EQ(ModeOf(dir / "copy.bin"), 0604u);
#endif
}

#ifndef _WIN32
// A link at the name, or at a temporary name of the write's own pattern, is
// replaced or passed by, never written through.
TEST_F(AtomicWriteTest, NoLinkIsWrittenThrough) {
  TempDir elsewhere;
  WriteBytes(elsewhere / "secret", "kept");
  fs::create_symlink(elsewhere / "secret", dir / "records.txt");
  fs::create_symlink(elsewhere / "secret", dir / "records.txt.00000000.vsk~");
  EXPECT_EQ(os::WriteAtomically(folder, Native("records.txt"), true, Writes("records")),
            os::AtomicResult::Written);
  EXPECT_FALSE(fs::is_symlink(dir / "records.txt"));
  EXPECT_EQ(ReadBytes(dir / "records.txt"), "records");
  EXPECT_EQ(ReadBytes(elsewhere / "secret"), "kept");
  EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"records.txt", "records.txt.00000000.vsk~"}));
}
#endif

}  // namespace
}  // namespace vsk::test
