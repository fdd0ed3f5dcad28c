#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/settings/Options.h"
#include "tests/TestUtil.h"

namespace vsk::test {
namespace {

void ExpectDefaults(const Options& o) {
  EXPECT_EQ(o.Priority, 2);
  EXPECT_EQ(o.MinimizedInSystemTray, 0);
  EXPECT_EQ(o.TextInButton, 1);
  EXPECT_EQ(o.Sound, 1);
  EXPECT_EQ(o.EmergingHelp, 1);
  EXPECT_EQ(o.FileOk, 0);
  EXPECT_EQ(o.Report, 1);
  EXPECT_EQ(o.ReportToFile, 0);
  EXPECT_EQ(o.ReportFileName, L"Report.txt");
  EXPECT_EQ(o.FileMask, L"*");
  EXPECT_EQ(o.SubDir, 0);
  EXPECT_EQ(o.ReportFileMode, 1);
}

// A profile in memory that keeps the order of its writes; names compare as
// the profile service compares them, without regard to ASCII case.
class MemoryProfile : public IProfile {
 public:
  int GetProfileInt(const std::wstring& section, const std::wstring& key, int defaultValue) override {
    const auto it = values_.find(Name(section, key));
    return it == values_.end() ? defaultValue : ParseProfileInt(it->second);
  }
  std::wstring GetProfileString(const std::wstring& section, const std::wstring& key,
                                const std::wstring& defaultValue) override {
    const auto it = values_.find(Name(section, key));
    return it == values_.end() ? defaultValue : it->second;
  }
  bool WriteProfileInt(const std::wstring& section, const std::wstring& key, int value) override {
    return WriteProfileString(section, key, std::to_wstring(value));
  }
  bool WriteProfileString(const std::wstring& section, const std::wstring& key,
                          const std::wstring& value) override {
    writes.push_back(Name(section, key));
    if (writes.size() == failingWrite) return false;
    values_[Name(section, key)] = value;
    return true;
  }

  std::vector<std::wstring> writes;  // "section/key", folded
  size_t failingWrite = 0;           // the write that fails, counted from 1

 private:
  static std::wstring Name(const std::wstring& section, const std::wstring& key) {
    std::wstring name = section + L"/" + key;
    for (wchar_t& c : name)
      if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
    return name;
  }
  std::map<std::wstring, std::wstring> values_;
};

// Every member's value as text, in the table's order.
std::vector<std::wstring> Values(const Options& o) {
  std::vector<std::wstring> values;
  ForEachOption(o, [&](const auto&, const auto& value) {
    if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::wstring>)
      values.push_back(value);
    else
      values.push_back(std::to_wstring(value));
  });
  return values;
}

// A record whose members all differ from each other and from the defaults.
Options DistinctOptions() {
  Options o;
  int n = 100;
  ForEachOption(o, [&](const auto&, auto& value) {
    if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::wstring>)
      value = L"значение " + std::to_wstring(n++);
    else
      value = n++;
  });
  return o;
}

TEST(OptionsTableTest, EachKeyIsSavedOnceAndLoadsBackIntoItsOwnMember) {
  MemoryProfile profile;
  const Options o = DistinctOptions();
  EXPECT_TRUE(SaveOptions(o, profile));
  EXPECT_EQ(profile.writes.size(), 12u);
  const std::set<std::wstring> keys(profile.writes.begin(), profile.writes.end());
  EXPECT_EQ(keys.size(), profile.writes.size()) << "two settings share a key";
  for (const std::wstring& key : keys) EXPECT_EQ(key.rfind(L"options/", 0), 0u) << key;

  Options back;
  LoadOptions(back, profile);
  EXPECT_EQ(Values(back), Values(o));
  EXPECT_EQ(ReadOption(profile, option::kReportFileName), o.ReportFileName);
  EXPECT_EQ(ReadOption(profile, option::kReportFileMode), o.ReportFileMode);
}

TEST(OptionsTableTest, AFailedWriteFailsTheSaveAndTheLaterKeysAreStillWritten) {
  MemoryProfile profile;
  profile.failingWrite = 5;
  EXPECT_FALSE(SaveOptions(DistinctOptions(), profile));
  EXPECT_EQ(profile.writes.size(), 12u);
  Options back;
  LoadOptions(back, profile);
  EXPECT_EQ(back.ReportFileName, L"Report.txt");  // the fifth key, never stored
  EXPECT_EQ(back.ReportFileMode, DistinctOptions().ReportFileMode);
}

TEST(OptionsTest, MissingProfileGivesDefaultsAndWritesNothing) {
  TempDir dir;
  IniProfile profile(dir / "Vireskand.INI");
  Options o;
  LoadOptions(o, profile);
  ExpectDefaults(o);
  // Single keys too read as their defaults.
  EXPECT_EQ(ReadOption(profile, option::kSound), 1);
  EXPECT_EQ(ReadOption(profile, option::kFileMask), L"*");
  EXPECT_EQ(profile.GetProfileInt(kOptionsSection, L"Missing", 77), 77);
  EXPECT_FALSE(std::filesystem::exists(dir / "Vireskand.INI"));
}

TEST(OptionsTest, StoredValuesAsTheProfileServiceReadsThem) {
  TempDir dir;
  WriteBytes(dir / "p.ini",
             "[other]\r\nSound=0\r\n"
             "[options]\r\n"
             "Sound = 5\r\n"
             "ReportFileMode=2\r\n"
             "FileMask=\r\n"
             "Priority=3abc\r\n"
             "SubDir=x\r\n"
             "ReportFileName=\"Отчёт.txt\"\r\n");
  IniProfile profile(dir / "p.ini");
  Options o;
  LoadOptions(o, profile);
  EXPECT_EQ(o.Sound, 5);
  EXPECT_EQ(o.ReportFileMode, 2);
  EXPECT_EQ(o.FileMask, L"");  // stored empty stays empty
  EXPECT_EQ(o.Priority, 3);
  EXPECT_EQ(o.SubDir, 0);
  EXPECT_EQ(o.ReportFileName, L"Отчёт.txt");
  EXPECT_EQ(o.TextInButton, 1);  // missing key: default
  EXPECT_EQ(ParseProfileInt(L"-12x"), -12);
}

TEST(OptionsTest, OverlongReportNameFallsBackToTheDefault) {
  TempDir dir;
  IniProfile profile(dir / "p.ini");
  profile.WriteProfileString(kOptionsSection, L"ReportFileName", std::wstring(259, L'r'));
  Options o;
  LoadOptions(o, profile);
  EXPECT_EQ(o.ReportFileName.size(), 259u);
  profile.WriteProfileString(kOptionsSection, L"ReportFileName", std::wstring(260, L'r'));
  LoadOptions(o, profile);
  EXPECT_EQ(o.ReportFileName, L"Report.txt");
}

TEST(OptionsTest, SaveWritesAllTwelveKeysInTheDialogsOrder) {
  TempDir dir;
  WriteBytes(dir / "p.ini", "; kept\r\n[Other]\r\nA=1\r\n\r\n[OPTIONS]\r\nSound=9\r\n");
  IniProfile profile(dir / "p.ini");
  Options o = DefaultOptions();
  o.Sound = 0;
  o.Priority = 4;
  o.FileMask = L"*.ехе";
  o.ReportFileName = L"C:\\Отчёты\\r.txt";
  SaveOptions(o, profile);
  EXPECT_EQ(ReadBytes(dir / "p.ini"),
            "; kept\r\n[Other]\r\nA=1\r\n\r\n[OPTIONS]\r\nSound=0\r\nPriority=4\r\nFileOk=0\r\n"
            "Report=1\r\nReportToFile=0\r\nReportFileName=C:\\Отчёты\\r.txt\r\n"
            "MinimizedInSystemTray=0\r\nTextInButton=1\r\nEmergingHelp=1\r\nFileMask=*.ехе\r\n"
            "SubDir=0\r\nReportFileMode=1\r\n");
  Options back;
  LoadOptions(back, profile);
  EXPECT_EQ(back.FileMask, o.FileMask);
  EXPECT_EQ(back.ReportFileName, o.ReportFileName);
  EXPECT_EQ(back.Sound, 0);
  EXPECT_EQ(back.Priority, 4);
  EXPECT_EQ(ReadOption(profile, option::kSound), 0);
  EXPECT_EQ(ReadOption(profile, option::kFileMask), o.FileMask);
}

TEST(OptionsTest, KeysGoIntoTheirSectionWhereverItStands) {
  TempDir dir;
  WriteBytes(dir / "p.ini", "[OPTIONS]\r\n[Later]\r\nB=2\r\n");
  IniProfile profile(dir / "p.ini");
  profile.WriteProfileInt(kOptionsSection, L"SubDir", 1);
  profile.WriteProfileInt(L"Later", L"C", 3);
  EXPECT_EQ(ReadBytes(dir / "p.ini"), "[OPTIONS]\r\nSubDir=1\r\n[Later]\r\nB=2\r\nC=3\r\n");
  EXPECT_EQ(profile.GetProfileInt(L"later", L"b", 0), 2);
}

}  // namespace
}  // namespace vsk::test
