#include <gtest/gtest.h>

#include "engine/settings/Options.h"
#include "tests/TestUtil.h"

namespace vsk {
namespace {
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

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

TEST(OptionsTest, MissingProfileGivesDefaultsAndWritesNothing) {
  TempDir dir;
  IniProfile profile(dir / "Vireskand.INI");
  Options o;
  LoadOptions(o, profile);
  ExpectDefaults(o);
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
  o.FileMask = L"*.ехе";
  o.ReportFileName = L"C:\\Отчёты\\r.txt";
  SaveOptions(o, profile);
  EXPECT_EQ(ReadBytes(dir / "p.ini"),
            "; kept\r\n[Other]\r\nA=1\r\n\r\n[OPTIONS]\r\nSound=0\r\nPriority=2\r\nFileOk=0\r\n"
            "Report=1\r\nReportToFile=0\r\nReportFileName=C:\\Отчёты\\r.txt\r\n"
            "MinimizedInSystemTray=0\r\nTextInButton=1\r\nEmergingHelp=1\r\nFileMask=*.ехе\r\n"
            "SubDir=0\r\nReportFileMode=1\r\n");
  Options back;
  LoadOptions(back, profile);
  EXPECT_EQ(back.FileMask, o.FileMask);
  EXPECT_EQ(back.ReportFileName, o.ReportFileName);
  EXPECT_EQ(back.Sound, 0);
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

TEST(OptionsTest, ProfileRoundTripAndSingleKeysReadWithTheirDefaults) {
  TempDir dir;
  IniProfile profile(dir / "VireskandTest.INI");
  EXPECT_EQ(ReadOption(profile, option::kSound), 1);
  EXPECT_EQ(ReadOption(profile, option::kFileMask), L"*");
  Options o = DefaultOptions();
  o.FileMask = L"*.сом";
  o.Priority = 4;
  o.Sound = 0;
  SaveOptions(o, profile);
  Options back;
  LoadOptions(back, profile);
  EXPECT_EQ(back.FileMask, L"*.сом");
  EXPECT_EQ(back.Priority, 4);
  EXPECT_EQ(ReadOption(profile, option::kSound), 0);
  EXPECT_EQ(ReadOption(profile, option::kFileMask), L"*.сом");
  EXPECT_EQ(profile.GetProfileInt(kOptionsSection, L"Missing", 77), 77);
  EXPECT_EQ(ParseProfileInt(L"-12x"), -12);
}

}  // namespace
}  // namespace vsk
