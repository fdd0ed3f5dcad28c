#include "dialogs/AboutDialog.h"

#include "res/resource.h"

namespace vsk {

CAboutDialog::CAboutDialog(CWnd* parent, IProfile& profile, ISoundPlayer& sound)
    : CDialog(IDD_ABOUTBOX, parent), m_profile(profile), m_sound(sound) {}

const MessageMap* CAboutDialog::GetMessageMap() const {
  // The mouse and timer messages are cracked by CWnd into the overrides.
  static const MessageMap map{CDialog::GetMessageMap(), nullptr, 0};
  return &map;
}

void CAboutDialog::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  DDX_Control(dx, IDOK, m_okButton);
}

BOOL CAboutDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  CPictureHolder picture;
  picture.CreateFromResource(IDB_ABOUT);
  m_picture.CreateFromPicture(picture, kPictureWidth, kPictureHeight);
  m_frame.CreateFromPicture(picture, kPictureWidth, kPictureHeight);
  m_water.Create(kPictureWidth, kPictureHeight);
  ::SetCursorPos(400, 350);
  SetTimer(kWaterTimer, kWaterPeriodMs);
  return TRUE;
}

void CAboutDialog::Stir(CPoint point, int radius, int strength) {
  const int width = m_water.Width();
  const int height = m_water.Height();
  const CRect picture(m_pictureX, m_pictureY, m_pictureX + width, m_pictureY + height);
  // Field rows count from the picture's bottom.
  if (picture.PtInRect(point))
    m_water.AddBlob(point.x - m_pictureX, m_pictureY + height - point.y, radius, strength,
                    m_water.Page());
}

void CAboutDialog::OnLButtonDown(UINT flags, CPoint point) {
  Stir(point, kClickRadius, kClickStrength);
  CDialog::OnLButtonDown(flags, point);
}

void CAboutDialog::OnMouseMove(UINT flags, CPoint point) {
  Stir(point, kMoveRadius, kMoveStrength);
  CDialog::OnMouseMove(flags, point);
}

void CAboutDialog::OnTimer(UINT_PTR id) {
  if (id == kWaterTimer) {
    // With a picture that failed to build the surface still moves; nothing
    // is rendered or drawn.
    m_water.Frame(m_picture.GetBits(), m_frame.GetBits());
    CClientDC dc(m_hWnd);
    m_frame.Draw(dc, m_pictureX, m_pictureY, FALSE);
  }
  CDialog::OnTimer(id);
}

void CAboutDialog::OnOK() {
  if (ReadOption(m_profile, option::kSound) != 0) m_sound.PlayWave(wave::kClick, SoundMode::Async);
  CDialog::OnOK();
}

}  // namespace vsk
