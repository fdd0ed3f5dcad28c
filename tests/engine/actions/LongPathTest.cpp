// The actions on a path longer than the system's limit for one path:
// PATH_MAX on POSIX, MAX_PATH on Windows.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/engine/actions/HostileTree.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vsk::test {
namespace {

#ifndef _WIN32

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

#endif

// Cure, rename, move, restore and delete, all on a path past the system's
// limit.
TEST_F(HostileTreeTest, ActionsReachAPathOfAnyDepth) {
#ifndef _WIN32
  DeepTree tree(dir / "deep");
  const fs::path deep = tree.Path();
  ASSERT_GT(deep.native().size(), static_cast<size_t>(PATH_MAX));
  const auto write = [&](const fs::path& file, const std::string& bytes) {
    tree.Write(file.filename().string(), bytes);
  };
  const auto read = [&](const fs::path& file) { return tree.Read(file.filename().string()); };
#else
  fs::path deep = dir.path();
  for (int i = 0; i < 4; ++i) {
    deep /= std::wstring(90, static_cast<wchar_t>(L'a' + i));
    ASSERT_TRUE(CreateDirectoryW(os::LongPath(deep.native()).c_str(), nullptr));
  }
  ASSERT_GT(deep.native().size(), static_cast<size_t>(MAX_PATH));
  const auto write = WriteLong;
  const auto read = ReadLong;
#endif
  const std::string infected = Infected(300);
  write(deep / "a.com", infected);
  Act(CureOrDelete, deep / "a.com");
  EXPECT_EQ(Text(), L"Вылечен");
  EXPECT_EQ(read(deep / "a.com"), Cured(infected));

  write(deep / "b.com", infected);
  Act(RenameInfected, deep / "b.com");
  EXPECT_EQ(read(deep / "b.#om"), infected);
  Act(MoveToQuarantine, deep / "b.#om");
  EXPECT_EQ(Text(), L"Перемещён");
  EXPECT_EQ(read(deep / "b.#om"), "(missing)");
  EXPECT_EQ(ReadBytes(work / "!!!Infected" / "b.#om"), infected);
#ifdef _WIN32
  // std::filesystem takes no path this long here.
  ASSERT_TRUE(DeleteFileW(os::LongPath((deep / "a.com").native()).c_str()));
  ASSERT_TRUE(RemoveDirectoryW(os::LongPath(deep.native()).c_str()));
#endif
  Quarantine quarantine;
  ASSERT_EQ(quarantine.Open(work.path(), false), Quarantine::Opened::Yes);
  EXPECT_EQ(quarantine.Restore(fs::path("b.#om").native()), L"");
  EXPECT_EQ(read(deep / "b.#om"), infected);
  Act(DeleteInfected, deep / "b.#om");
  EXPECT_EQ(Text(), L"Удалён");
  EXPECT_EQ(read(deep / "b.#om"), "(missing)");
#ifdef _WIN32
  for (fs::path folder = deep; folder != dir.path(); folder = folder.parent_path())
    RemoveDirectoryW(os::LongPath(folder.native()).c_str());
#endif
}

}  // namespace
}  // namespace vsk::test
