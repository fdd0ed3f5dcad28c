// The About box: a picture in the top-left corner of the client area that
// the mouse stirs into ripples, and an OK button that runs from the
// pointer. The box is closed from the keyboard (Enter: OK stays the default
// button; Esc).
#pragma once

#include "dialogs/DibSection.h"
#include "framework/Dialog.h"
#include "controls/HoverButton.h"
#include "engine/settings/Options.h"
#include "engine/scan/Waves.h"
#include "dialogs/WaterEffect.h"

namespace vsk {

class CAboutDialog : public CDialog {
 public:
  static constexpr UINT_PTR kWaterTimer = 1971;
  static constexpr UINT kWaterPeriodMs = 20;
  static constexpr int kPictureWidth = 400;
  static constexpr int kPictureHeight = 140;
  static constexpr int kClickRadius = 50, kClickStrength = 500;
  static constexpr int kMoveRadius = 5, kMoveStrength = 50;

  // `sound` plays the click wave on OK when the Sound key of `profile` is
  // on at that moment.
  CAboutDialog(CWnd* parent, IProfile& profile, ISoundPlayer& sound);

  const CWaterEffect& Water() const { return m_water; }
  const CDibSection& Picture() const { return m_picture; }
  const CDibSection& FrameImage() const { return m_frame; }
  const CHoverButton& OkButton() const { return m_okButton; }

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void DoDataExchange(CDataExchange* dx) override;
  const MessageMap* GetMessageMap() const override;

  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnMouseMove(UINT flags, CPoint point) override;
  void OnTimer(UINT_PTR id) override;

 private:
  void Stir(CPoint point, int radius, int strength);

  CHoverButton m_okButton;
  CDibSection m_picture;
  CDibSection m_frame;
  CWaterEffect m_water;
  int m_pictureX = 0;
  int m_pictureY = 0;
  IProfile& m_profile;
  ISoundPlayer& m_sound;
};

}  // namespace vsk
