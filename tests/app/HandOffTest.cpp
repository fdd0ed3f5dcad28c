// What a second start may hand the running window, and which windows share
// an instance.
#include <gtest/gtest.h>

#include <string>

#include "app/HandOff.h"

namespace vsk {
namespace {

bool Read(const std::wstring& units, std::wstring& path, uintptr_t tag = kHandOffTag) {
  return ReadHandedPath(tag, units.data(), units.size() * sizeof(wchar_t), path);
}

TEST(HandOffTest, OnlyAFullPathEndingInItsOneNulIsTaken) {
  std::wstring path;
  ASSERT_TRUE(Read(std::wstring(L"C:\\Мои файлы\\x.exe") + L'\0', path));
  EXPECT_EQ(path, L"C:\\Мои файлы\\x.exe");
  EXPECT_TRUE(Read(std::wstring(L"\\\\server\\share") + L'\0', path));
  EXPECT_TRUE(Read(std::wstring(L"d:\\") + L'\0', path));

  const std::wstring refused[] = {
      L"C:\\x",                               // no NUL at the end
      std::wstring(L"C:\\x\0y", 6) + L'\0',    // a NUL inside
      std::wstring(L"C:\\a\nb") + L'\0',       // a control character
      std::wstring(L"relative\\x") + L'\0',
      std::wstring(L"C:x") + L'\0',
      std::wstring(L"\\\\\\x") + L'\0',
      std::wstring(L"\\x") + L'\0',
      std::wstring(kMaxHandedUnits, L'a').replace(0, 3, L"C:\\") + L'\0',
  };
  for (const std::wstring& units : refused) {
    path = L"unchanged";
    EXPECT_FALSE(Read(units, path)) << units.size();
    EXPECT_EQ(path, L"unchanged");
  }
  const std::wstring good = std::wstring(L"C:\\x") + L'\0';
  EXPECT_FALSE(Read(good, path, kHandOffTag + 1)) << "another tag";
  EXPECT_FALSE(ReadHandedPath(kHandOffTag, good.data(), good.size() * 2 - 1, path)) << "odd bytes";
  EXPECT_FALSE(ReadHandedPath(kHandOffTag, nullptr, 8, path));
}

TEST(HandOffTest, OneUserAndOneFolderMakeOneInstance) {
  const std::wstring name = InstanceName(L"S-1-5-21-1", L"C:\\Users\\a\\AppData\\Local\\Vireskand");
  EXPECT_EQ(name, InstanceName(L"S-1-5-21-1", L"c:/users/A/appdata/local/vireskand"));
  EXPECT_NE(name, InstanceName(L"S-1-5-21-2", L"C:\\Users\\a\\AppData\\Local\\Vireskand"));
  EXPECT_NE(name, InstanceName(L"S-1-5-21-1", L"C:\\Shared\\Vireskand"));
  EXPECT_LT(name.size(), 255u) << "a window property's name";
}

}  // namespace
}  // namespace vsk
