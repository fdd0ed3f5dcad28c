#include "app/HelpDialog.h"

#include "res/resource.h"

namespace vsk {

CHelpDialog::CHelpDialog(IProfile& profile, ISoundPlayer& sound, CWnd* parent)
    : CDialog(IDD_HELP_DIALOG, parent), m_profile(profile), m_player(sound) {}

void CHelpDialog::DoDataExchange(CDataExchange* dx) { DDX_Control(dx, IDOK, m_okButton); }

BOOL CHelpDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  m_okButton.SetAnimation(IDR_AVI_HELP_OK);
  return TRUE;
}

void CHelpDialog::OnOK() {
  if (ReadOption(m_profile, option::kSound) != 0) m_player.PlayWave(wave::kClick, SoundMode::Async);
  CDialog::OnOK();
}

}  // namespace vsk
