// The settings dialog: edits the twelve options of section "OPTIONS" and,
// on OK, writes all of them to the profile; when a write fails it says so
// and stays open. Nothing else writes them.
#pragma once

#include <string>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "controls/ImageButton.h"
#include "engine/settings/Options.h"
#include "engine/scan/Waves.h"

namespace vsk {

class CSettingsDialog : public CDialog {
 public:
  // The ten integer keys are read from `profile` here, the two strings at
  // initialisation.
  CSettingsDialog(IProfile& profile, ISoundPlayer& sound, CWnd* parent = nullptr);
  ~CSettingsDialog() override;

 protected:
  // Every command first copies the controls into the members.
  BOOL OnCommand(WPARAM w, LPARAM l) override;
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  const MessageMap* GetMessageMap() const override;

  void OnReportToFile();

 private:
  // Writing a control during an exchange raises notifications that must not
  // start a second one.
  void Exchange(bool save);

  IProfile& m_profile;
  int m_sound;
  int m_minimizedInSystemTray;
  int m_emergingHelp;
  int m_fileOk;
  int m_report;
  int m_reportToFile;
  int m_textInButton;
  int m_priority;
  CWnd m_reportFileNameEdit;
  std::wstring m_reportFileName;
  std::wstring m_fileMask;
  CImageButton m_okButton;
  CImageButton m_cancelButton;
  int m_subDir;
  int m_reportFileMode;

  ISoundPlayer& m_player;
  bool m_exchanging = false;
};

// Command 1004 of the main window: the click when `options` ask for sound,
// then the dialog; after OK the options are reloaded from `profile`.
// Returns true when the dialog ended with OK.
bool RunSettingsDialog(CWnd* parent, Options& options, IProfile& profile, ISoundPlayer& sound);

}  // namespace vsk
