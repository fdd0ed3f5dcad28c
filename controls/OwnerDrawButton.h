// An owner-drawn push button whose face is a looping AVI clip from the
// resources inside a two-pixel bevel, raised normally and sunken while
// pressed. At its first drawing it sizes itself to the clip plus the bevel.
#pragma once

#include "framework/Controls.h"

namespace vsk {

class COwnerDrawButton : public CButton {
 public:
  COwnerDrawButton() = default;
  ~COwnerDrawButton() override;

  // The AVI resource played from the first drawing on; no redraw.
  void SetAnimation(int aviId) { m_aviId = aviId; }
  HWND GetAnimationWindow() const { return m_animation.m_hWnd; }

 protected:
  void DrawItem(DRAWITEMSTRUCT* dis) override;

 private:
  void CreateAnimation();

  int m_aviId = 0;
  CAnimateCtrl m_animation;
};

// The bevel over a face of `width` x `height` pixels.
void DrawBevel(HDC dc, int width, int height, bool pressed);

}  // namespace vsk
