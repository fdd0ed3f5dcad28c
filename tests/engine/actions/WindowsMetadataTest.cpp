// What the cure keeps of a Windows file (ACL, attributes, creation time,
// streams), and a new file private to its owner from its first byte.
// Windows only.
#include <gtest/gtest.h>

#include "tests/engine/actions/HostileTree.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace vsk::test {
namespace {

#ifdef _WIN32

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

#endif

}  // namespace
}  // namespace vsk::test
