// The help dialog: a line of text and an OK button playing AVI 138.
#pragma once

#include "framework/Dialog.h"
#include "engine/settings/Options.h"
#include "controls/OwnerDrawButton.h"
#include "engine/scan/Waves.h"

namespace vsk {

class CHelpDialog : public CDialog {
 public:
  // "Sound" is read from `profile` when OK is pressed.
  CHelpDialog(IProfile& profile, ISoundPlayer& sound, CWnd* parent = nullptr);

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  COwnerDrawButton m_okButton;
  IProfile& m_profile;
  ISoundPlayer& m_player;
};

}  // namespace vsk
