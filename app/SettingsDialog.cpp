#include "app/SettingsDialog.h"

#include <iterator>

#include "framework/App.h"
#include "dialogs/DialogColor.h"
#include "engine/settings/Texts.h"
#include "res/resource.h"

namespace vsk {
namespace {

constexpr int kIconSize = 48;

// A group with no button checked leaves `value` as it was, so a stored
// value that no button stands for is written back unchanged.
void DDX_RadioKeep(CDataExchange* dx, int id, int& value) {
  if (!dx->m_bSaveAndValidate) {
    DDX_Radio(dx, id, value);
    return;
  }
  int checked = -1;
  DDX_Radio(dx, id, checked);
  if (checked >= 0) value = checked;
}

}  // namespace

CSettingsDialog::CSettingsDialog(IProfile& profile, ISoundPlayer& sound, CWnd* parent)
    : CDialog(IDD_SETTINGS_DIALOG, parent),
      m_profile(profile),
      m_sound(ReadOption(profile, option::kSound)),
      m_minimizedInSystemTray(ReadOption(profile, option::kMinimizedInSystemTray)),
      m_emergingHelp(ReadOption(profile, option::kEmergingHelp)),
      m_fileOk(ReadOption(profile, option::kFileOk)),
      m_report(ReadOption(profile, option::kReport)),
      m_reportToFile(ReadOption(profile, option::kReportToFile)),
      m_textInButton(ReadOption(profile, option::kTextInButton)),
      m_priority(ReadOption(profile, option::kPriority)),
      m_subDir(ReadOption(profile, option::kSubDir)),
      // Any value but 0 means append, which is the second button.
      m_reportFileMode(ReadOption(profile, option::kReportFileMode) != 0 ? 1 : 0),
      m_player(sound) {}

CSettingsDialog::~CSettingsDialog() = default;

const MessageMap* CSettingsDialog::GetMessageMap() const {
  static const MapEntry entries[] = {
      OnCommandEntry(IDC_REPORT_TO_FILE, &CSettingsDialog::OnReportToFile),
  };
  static const MessageMap map{CDialog::GetMessageMap(), entries, std::size(entries)};
  return &map;
}

void CSettingsDialog::DoDataExchange(CDataExchange* dx) {
  DDX_RadioKeep(dx, IDC_PRIORITY_LOWEST, m_priority);
  DDX_Check(dx, IDC_MINIMIZED_IN_TRAY, m_minimizedInSystemTray);
  DDX_Check(dx, IDC_TEXT_IN_BUTTON, m_textInButton);
  DDX_Check(dx, IDC_SOUND, m_sound);
  DDX_Check(dx, IDC_EMERGING_HELP, m_emergingHelp);
  DDX_Check(dx, IDC_FILE_OK, m_fileOk);
  DDX_Check(dx, IDC_REPORT, m_report);
  DDX_Check(dx, IDC_REPORT_TO_FILE, m_reportToFile);
  DDX_Control(dx, IDC_REPORT_FILE_NAME, m_reportFileNameEdit);
  DDX_Text(dx, IDC_FILE_MASK, m_fileMask);
  DDX_Check(dx, IDC_SUB_DIR, m_subDir);
  DDX_RadioKeep(dx, IDC_REPORT_OVERWRITE, m_reportFileMode);
  DDX_Control(dx, IDOK, m_okButton);
  DDX_Control(dx, IDCANCEL, m_cancelButton);
}

void CSettingsDialog::Exchange(bool save) {
  if (m_exchanging) return;
  m_exchanging = true;
  UpdateData(save);
  m_exchanging = false;
}

BOOL CSettingsDialog::OnCommand(WPARAM w, LPARAM l) {
  Exchange(true);
  return CDialog::OnCommand(w, l);
}

BOOL CSettingsDialog::OnInitDialog() {
  m_exchanging = true;
  CDialog::OnInitDialog();
  m_reportFileNameEdit.EnableWindow(m_reportToFile != 0);
  // Setting the texts raises EN_CHANGE, which must not read the controls
  // back before both are filled.
  m_reportFileNameEdit.SetWindowText(ReadOption(m_profile, option::kReportFileName));
  // The record holds no longer name; a stored one still shows whole.
  m_reportFileNameEdit.SendMessage(EM_LIMITTEXT, kMaxReportFileName);
  SetDlgItemText(IDC_FILE_MASK, ReadOption(m_profile, option::kFileMask));
  m_exchanging = false;

  m_okButton.SetIcons(IDI_OK_HOT, IDI_OK, kIconSize, kIconSize);
  m_cancelButton.SetIcons(IDI_CANCEL_HOT, IDI_CANCEL, kIconSize, kIconSize);
  for (CImageButton* button : {&m_okButton, &m_cancelButton}) {
    button->SetDrawBorder(FALSE);
    button->SetBackColorOut(kDialogColor, 1);
    button->SetBackColorIn(kDialogColor, 1);
  }
  return TRUE;
}

void CSettingsDialog::OnReportToFile() { m_reportFileNameEdit.EnableWindow(m_reportToFile != 0); }

void CSettingsDialog::OnOK() {
  // The check box as it stands now, not the stored key.
  if (m_sound) m_player.PlayWave(wave::kClick, SoundMode::Async);
  Options options;
  options.Priority = m_priority;
  options.FileOk = m_fileOk;
  options.Report = m_report;
  options.ReportToFile = m_reportToFile;
  options.ReportFileName = m_reportFileNameEdit.GetWindowText();
  options.MinimizedInSystemTray = m_minimizedInSystemTray;
  options.TextInButton = m_textInButton;
  options.Sound = m_sound;
  options.EmergingHelp = m_emergingHelp;
  options.FileMask = m_fileMask;
  options.SubDir = m_subDir;
  options.ReportFileMode = m_reportFileMode;
  if (!SaveOptions(options, m_profile)) {
    // Stays open: nothing was kept, and Cancel says so.
    AfxMessageBox(msg::SettingsNotSaved(m_profile.WritePlaces()), MB_OK | MB_ICONERROR);
    return;
  }
  CDialog::OnOK();
}

void CSettingsDialog::OnCancel() {
  // The stored key decides, whatever the check box now shows.
  if (ReadOption(m_profile, option::kSound) != 0) m_player.PlayWave(wave::kClick, SoundMode::Async);
  CDialog::OnCancel();
}

bool RunSettingsDialog(CWnd* parent, Options& options, IProfile& profile, ISoundPlayer& sound) {
  PlayIfOn(options, sound, wave::kClick);
  CSettingsDialog dlg(profile, sound, parent);
  if (dlg.DoModal() != IDOK) return false;
  LoadOptions(options, profile);
  return true;
}

}  // namespace vsk
