// A push button that jumps away from the pointer on every mouse move over
// it (HoverJump decides where), so it cannot be clicked with the mouse. It
// never takes the capture and never changes its size.
#pragma once

#include <cstdint>

#include "framework/Controls.h"

namespace vsk {

class CHoverButton : public CButton {
 public:
  CHoverButton() = default;
  ~CHoverButton() override;

  // Pixels kept between the button's edge and the pointer after a jump.
  int32_t m_gap = 10;

 protected:
  const MessageMap* GetMessageMap() const override;
  void OnMouseMove(UINT flags, CPoint point) override;
};

}  // namespace vsk
