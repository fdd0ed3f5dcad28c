// What a second start may hand the running window, and which windows share
// an instance.
#include <gtest/gtest.h>

#include <string>

#include "app/HandOff.h"

namespace vsk {
namespace {

TEST(HandOffTest, OnlyAFullPathEndingInItsOneNulIsTaken) {
  const auto read = [](const std::wstring& text, bool nul = true, uintptr_t tag = kHandOffTag) {
    const std::wstring units = nul ? text + L'\0' : text;
    std::wstring path = L"unchanged";
    const bool taken = ReadHandedPath(tag, units.data(), units.size() * sizeof(wchar_t), path);
    return taken ? path : (path == L"unchanged" ? L"refused" : L"refused, but written");
  };
  EXPECT_EQ(read(L"C:\\Мои файлы\\x.exe"), L"C:\\Мои файлы\\x.exe");
  EXPECT_EQ(read(L"\\\\server\\share"), L"\\\\server\\share");
  for (const std::wstring& bad : {std::wstring(L"C:\\x\0y", 6), std::wstring(L"C:\\a\nb"),
                                  std::wstring(L"relative"), std::wstring(L"C:x"), std::wstring(L"\\\\\\x"),
                                  std::wstring(kMaxHandedUnits, L'a').replace(0, 3, L"C:\\")})
    EXPECT_EQ(read(bad), L"refused") << bad.size();
  EXPECT_EQ(read(L"C:\\x", false), L"refused") << "no NUL at the end";
  EXPECT_EQ(read(L"C:\\x", true, kHandOffTag + 1), L"refused") << "another tag";
  std::wstring path;
  EXPECT_FALSE(ReadHandedPath(kHandOffTag, L"C:\\x", 9, path)) << "odd bytes";
}

TEST(HandOffTest, OneUserAndOneFolderMakeOneInstance) {
  const std::wstring name = InstanceName(L"S-1-5-21-1", L"C:\\Users\\a\\AppData\\Local\\Vireskand");
  EXPECT_EQ(name, InstanceName(L"S-1-5-21-1", L"c:/users/A/appdata/local/vireskand"));
  EXPECT_NE(name, InstanceName(L"S-1-5-21-2", L"C:\\Users\\a\\AppData\\Local\\Vireskand"));
  EXPECT_NE(name, InstanceName(L"S-1-5-21-1", L"C:\\Shared\\Vireskand"));
}

}  // namespace
}  // namespace vsk
