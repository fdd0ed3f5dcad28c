// The settings dialog run modally and driven from inside its loop: what it
// shows for a profile, what OK and Cancel leave in the INI file, its sounds.
#include <gtest/gtest.h>
#include <windows.h>
// The engine, which reads these profile names, is built without the ANSI
// and Unicode renaming macros of <windows.h>.
#undef GetProfileInt
#undef GetProfileString
#undef WriteProfileString

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/AppProfile.h"
#include "app/SettingsDialog.h"
#include "engine/settings/Texts.h"
#include "framework/App.h"
#include "tests/TestUtil.h"
#include "tests/win/WinTestUtil.h"
#include "res/resource.h"

namespace vsk {
namespace {

using test::ReadBytes;
using test::RecordingPlayer;
using test::TempDir;
using test::WhenShown;

constexpr wchar_t kTitle[] = L"Настройки";
constexpr int kChecks[] = {IDC_MINIMIZED_IN_TRAY, IDC_TEXT_IN_BUTTON, IDC_SOUND,
                           IDC_EMERGING_HELP,     IDC_FILE_OK,        IDC_REPORT,
                           IDC_REPORT_TO_FILE,    IDC_SUB_DIR};

class SettingsDialogTest : public ::testing::Test {
 protected:
  // Opens the dialog, runs `script` on it once it shows, and gives the
  // modal result; the options record is reloaded after OK.
  INT_PTR Run(const std::function<void(HWND)>& script, int recordSound = 0) {
    WhenShown driver(L"#32770", kTitle, script);
    options_ = DefaultOptions();
    options_.Sound = recordSound;
    options_.ReportFileName = L"before";
    const bool ok = RunSettingsDialog(nullptr, options_, profile_, player_);
    EXPECT_TRUE(driver.done());
    return ok ? IDOK : IDCANCEL;
  }
  static bool Checked(HWND dlg, int id) { return ::IsDlgButtonChecked(dlg, id) == BST_CHECKED; }
  static void Click(HWND dlg, int id) { ::SendMessageW(::GetDlgItem(dlg, id), BM_CLICK, 0, 0); }
  static std::wstring Text(HWND dlg, int id) {
    wchar_t buf[512] = {};
    ::GetDlgItemTextW(dlg, id, buf, 512);
    return buf;
  }
  static void Type(HWND dlg, int id, const std::wstring& text) {
    HWND edit = ::GetDlgItem(dlg, id);
    ::SendMessageW(edit, EM_SETSEL, 0, -1);
    ::SendMessageW(edit, WM_CHAR, VK_BACK, 1);
    for (wchar_t c : text) ::SendMessageW(edit, WM_CHAR, c, 1);
  }
  std::string Ini() { return ReadBytes(ini_); }

  TempDir dir_;
  std::filesystem::path ini_ = dir_ / "Vireskand.INI";
  IniProfile profile_{ini_};
  RecordingPlayer player_;
  Options options_;
};

TEST_F(SettingsDialogTest, WithNoProfileItShowsTheDefaultsAndCancelWritesNothing) {
  std::vector<bool> checks;
  int priority = -1;
  bool append = false, overwrite = true, nameEnabled = true;
  std::wstring name, mask;
  const INT_PTR result = Run([&](HWND dlg) {
    for (int id : kChecks) checks.push_back(Checked(dlg, id));
    for (int id = IDC_PRIORITY_LOWEST; id <= IDC_PRIORITY_HIGHEST; ++id)
      if (Checked(dlg, id)) priority = id - IDC_PRIORITY_LOWEST;
    overwrite = Checked(dlg, IDC_REPORT_OVERWRITE);
    append = Checked(dlg, IDC_REPORT_APPEND);
    nameEnabled = ::IsWindowEnabled(::GetDlgItem(dlg, IDC_REPORT_FILE_NAME));
    name = Text(dlg, IDC_REPORT_FILE_NAME);
    mask = Text(dlg, IDC_FILE_MASK);
    Click(dlg, IDC_SOUND);  // a change that Cancel must not keep
    Click(dlg, IDCANCEL);
  }, 1);
  EXPECT_EQ(result, IDCANCEL);
  // Tray, captions, sound, tooltips, OK rows, summary, report file, subfolders.
  EXPECT_EQ(checks, (std::vector<bool>{false, true, true, true, false, true, false, false}));
  EXPECT_EQ(priority, 2);
  EXPECT_FALSE(overwrite);
  EXPECT_TRUE(append);
  EXPECT_FALSE(nameEnabled) << "greyed while no report file is asked for";
  EXPECT_EQ(name, L"Report.txt");
  EXPECT_EQ(mask, L"*");
  EXPECT_FALSE(std::filesystem::exists(ini_));
  EXPECT_EQ(options_.ReportFileName, L"before") << "the record is not reloaded after Cancel";
  // One click for the command, one for Cancel: the stored key (missing:
  // on) decides Cancel's, not the box.
  EXPECT_EQ(player_.Played(), (std::vector<int>{wave::kClick, wave::kClick}));
}

TEST_F(SettingsDialogTest, OkWritesAllTwelveKeysWithTheNewValues) {
  bool nameEnabledAfterTick = false, nameDisabledAfterUntick = false;
  const INT_PTR result = Run([&](HWND dlg) {
    for (int id : kChecks) Click(dlg, id);
    Click(dlg, IDC_REPORT_TO_FILE);
    nameDisabledAfterUntick = !::IsWindowEnabled(::GetDlgItem(dlg, IDC_REPORT_FILE_NAME));
    Click(dlg, IDC_REPORT_TO_FILE);
    nameEnabledAfterTick = ::IsWindowEnabled(::GetDlgItem(dlg, IDC_REPORT_FILE_NAME)) != FALSE;
    Click(dlg, IDC_PRIORITY_HIGHEST);
    Click(dlg, IDC_REPORT_OVERWRITE);
    Type(dlg, IDC_REPORT_FILE_NAME, L"Протокол.txt");
    Type(dlg, IDC_FILE_MASK, L"*.exe");
    Click(dlg, IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_TRUE(nameEnabledAfterTick);
  EXPECT_TRUE(nameDisabledAfterUntick);
  // All twelve keys in the one section; their order is SaveOptions' own.
  EXPECT_EQ(Ini().rfind("[OPTIONS]\r\n", 0), 0u);
  EXPECT_EQ(test::KeyValues(FromUtf8(Ini())),
            (std::map<std::wstring, std::wstring>{
                {L"Priority", L"4"}, {L"FileOk", L"1"}, {L"Report", L"0"}, {L"ReportToFile", L"1"},
                {L"ReportFileName", L"Протокол.txt"}, {L"MinimizedInSystemTray", L"1"},
                {L"TextInButton", L"0"}, {L"Sound", L"0"}, {L"EmergingHelp", L"0"},
                {L"FileMask", L"*.exe"}, {L"SubDir", L"1"}, {L"ReportFileMode", L"0"}}));
  // The main window's record follows at once.
  EXPECT_EQ(options_.Priority, 4);
  EXPECT_EQ(options_.MinimizedInSystemTray, 1);
  EXPECT_EQ(options_.TextInButton, 0);
  EXPECT_EQ(options_.EmergingHelp, 0);
  EXPECT_EQ(options_.FileOk, 1);
  EXPECT_EQ(options_.ReportToFile, 1);
  EXPECT_EQ(options_.ReportFileName, L"Протокол.txt");
  EXPECT_EQ(options_.FileMask, L"*.exe");
  EXPECT_EQ(options_.SubDir, 1);
  EXPECT_EQ(options_.ReportFileMode, 0);
  EXPECT_TRUE(player_.Played().empty()) << "sound was turned off in the box before OK";
}

TEST_F(SettingsDialogTest, TheStoredValuesShowAndAnEmptiedMaskIsStoredEmpty) {
  profile_.WriteProfileInt(kOptionsSection, L"Priority", 0);
  profile_.WriteProfileInt(kOptionsSection, L"ReportToFile", 1);
  profile_.WriteProfileInt(kOptionsSection, L"Sound", 0);
  profile_.WriteProfileInt(kOptionsSection, L"ReportFileMode", 0);
  profile_.WriteProfileString(kOptionsSection, L"ReportFileName", L"C:\\logs\\scan.log");
  profile_.WriteProfileString(kOptionsSection, L"FileMask", L"*.com");
  bool nameEnabled = false, lowest = false, overwrite = false, sound = true;
  std::wstring name, mask;
  Run([&](HWND dlg) {
    nameEnabled = ::IsWindowEnabled(::GetDlgItem(dlg, IDC_REPORT_FILE_NAME)) != FALSE;
    lowest = Checked(dlg, IDC_PRIORITY_LOWEST);
    overwrite = Checked(dlg, IDC_REPORT_OVERWRITE);
    sound = Checked(dlg, IDC_SOUND);
    name = Text(dlg, IDC_REPORT_FILE_NAME);
    mask = Text(dlg, IDC_FILE_MASK);
    Type(dlg, IDC_FILE_MASK, L"");
    Click(dlg, IDC_SOUND);
    Click(dlg, IDOK);
  });
  EXPECT_TRUE(nameEnabled) << "enabled from the start when a report file is asked for";
  EXPECT_TRUE(lowest);
  EXPECT_TRUE(overwrite);
  EXPECT_FALSE(sound);
  EXPECT_EQ(name, L"C:\\logs\\scan.log");
  EXPECT_EQ(mask, L"*.com");
  EXPECT_EQ(profile_.GetProfileString(kOptionsSection, L"FileMask", L"missing"), L"");
  EXPECT_EQ(options_.FileMask, L"") << "read back empty, not as every file";
  // Sound ticked in the box: OK clicks although the stored key was off.
  EXPECT_EQ(player_.Played(), std::vector<int>{wave::kClick});
  EXPECT_TRUE(player_.AllAsync());
}

TEST_F(SettingsDialogTest, ValuesNoButtonStandsForKeepTheirMeaning) {
  profile_.WriteProfileInt(kOptionsSection, L"ReportFileMode", 2);
  profile_.WriteProfileInt(kOptionsSection, L"Priority", 7);
  profile_.WriteProfileInt(kOptionsSection, L"Sound", 5);
  bool append = false, anyPriority = true, sound = false;
  Run([&](HWND dlg) {
    append = Checked(dlg, IDC_REPORT_APPEND);
    anyPriority = false;
    for (int id = IDC_PRIORITY_LOWEST; id <= IDC_PRIORITY_HIGHEST; ++id) anyPriority |= Checked(dlg, id);
    sound = Checked(dlg, IDC_SOUND);
    Click(dlg, IDC_FILE_OK);
    Click(dlg, IDOK);
  });
  EXPECT_TRUE(append) << "2 counts as append";
  EXPECT_FALSE(anyPriority);
  EXPECT_TRUE(sound) << "5 counts as on";
  EXPECT_EQ(profile_.GetProfileInt(kOptionsSection, L"ReportFileMode", -1), 1);
  EXPECT_EQ(profile_.GetProfileInt(kOptionsSection, L"Priority", -1), 7)
      << "an untouched group writes back what was stored";
  EXPECT_EQ(profile_.GetProfileInt(kOptionsSection, L"Sound", -1), 1);
}

TEST_F(SettingsDialogTest, TheReportNameEditHoldsNoMoreThanTheRecordCanTake) {
  profile_.WriteProfileInt(kOptionsSection, L"ReportToFile", 1);
  std::wstring typed;
  Run([&](HWND dlg) {
    Type(dlg, IDC_REPORT_FILE_NAME, std::wstring(300, L'r'));
    typed = Text(dlg, IDC_REPORT_FILE_NAME);
    Click(dlg, IDOK);
  });
  EXPECT_EQ(typed.size(), kMaxReportFileName);
  EXPECT_EQ(options_.ReportFileName, typed) << "the record holds what the user sees";
}

TEST_F(SettingsDialogTest, OkAndCancelAreImageButtonsWithTheirIcons) {
  std::vector<bool> ok;
  Run([&](HWND dlg) {
    for (int id : {IDOK, IDCANCEL}) {
      auto* b = static_cast<CImageButton*>(CWnd::FromHandlePermanent(::GetDlgItem(dlg, id)));
      ok.push_back(b && b->GetIconIn() && b->GetIconOut() && b->GetIconIn() != b->GetIconOut() &&
                   b->GetIconWidth() == 48 && b->GetIconHeight() == 48 && !b->GetDrawBorder() &&
                   b->GetBackColorOut() == RGB(42, 255, 202) &&
                   b->GetBackColorIn() == RGB(42, 255, 202));
    }
    Click(dlg, IDCANCEL);
  });
  EXPECT_EQ(ok, (std::vector<bool>{true, true}));
}

// A standard user of the per-user install cannot write the Windows folder:
// the settings go to the data folder, and a save that takes nowhere says so
// and keeps the dialog open.
TEST(SettingsDialogProfileTest, TheDataFolderStandsInForAWindowsFolderThatRefusesTheWrite) {
  namespace fs = std::filesystem;
  CWinApp& app = *AfxGetApp();
  const std::wstring savedName = app.m_pszProfileName;
  app.m_pszProfileName = L"settings_place_test.INI";
  wchar_t windowsDir[MAX_PATH] = {};
  ::GetWindowsDirectoryW(windowsDir, MAX_PATH);
  // A folder under the profile's name: the Windows folder's write fails
  // whatever rights the test runs with.
  const fs::path windowsFile = fs::path(windowsDir) / app.m_pszProfileName;
  fs::remove_all(windowsFile);
  fs::create_directories(windowsFile);
  TempDir dir;
  const fs::path dataFile = dir / "Vireskand" / app.m_pszProfileName;
  std::unique_ptr<IProfile> profile = MakeAppProfile(app, dir / "Vireskand");
  RecordingPlayer player;

  Options options = DefaultOptions();
  // Types a mask, clicks OK, answers the message box if one comes, then
  // runs `afterOk` on the dialog if it is still there.
  std::vector<std::wstring> boxes;
  const auto runOk = [&](const std::function<void(HWND)>& afterOk) {
    WhenShown driver(L"#32770", kTitle, [&](HWND dlg) {
      WhenShown box(L"#32770", app.m_pszAppName.c_str(), [&](HWND b) {
        boxes.push_back(test::WindowText(::GetDlgItem(b, 0xFFFF)));
        ::PostMessageW(b, WM_COMMAND, IDOK, 0);
      });
      ::SetDlgItemTextW(dlg, IDC_FILE_MASK, L"*.ехе");
      ::SendMessageW(::GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
      if (::IsWindow(dlg)) afterOk(dlg);
    });
    const bool ok = RunSettingsDialog(nullptr, options, *profile, player);
    EXPECT_TRUE(driver.done());
    return ok;
  };

  EXPECT_TRUE(runOk([](HWND) {}));
  EXPECT_TRUE(boxes.empty());
  EXPECT_TRUE(fs::is_directory(windowsFile));
  EXPECT_EQ(ReadBytes(dataFile).substr(0, 2), "\xFF\xFE") << "UTF-16, for any code page";
  EXPECT_EQ(options.FileMask, L"*.ехе") << "read back from the data folder";
  EXPECT_EQ(profile->GetProfileString(kOptionsSection, L"FileMask", L""), L"*.ехе");

  // Neither place takes the write: one message, the dialog stays, Cancel
  // leaves the record as it was.
  fs::remove(dataFile);
  fs::create_directories(dataFile);
  options.FileMask = L"unchanged";
  bool stayed = false;
  EXPECT_FALSE(runOk([&](HWND dlg) {
    stayed = ::IsWindowVisible(dlg) != FALSE;
    ::SendMessageW(::GetDlgItem(dlg, IDCANCEL), BM_CLICK, 0, 0);
  }));
  EXPECT_TRUE(stayed);
  EXPECT_EQ(boxes, std::vector<std::wstring>{msg::SettingsNotSaved({windowsFile, dataFile})});
  EXPECT_EQ(options.FileMask, L"unchanged");

  fs::remove_all(windowsFile);
  app.m_pszProfileName = savedName;
}

}  // namespace
}  // namespace vsk
