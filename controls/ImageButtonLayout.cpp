#include "controls/ImageButtonLayout.h"

#include <algorithm>

namespace vsk {

CImageButtonLayout::CImageButtonLayout(const CRect& face, int alignment, bool hasIcon,
                                       bool hasCaption, uint8_t iconWidth, uint8_t iconHeight,
                                       bool pressed)
    : m_face(face), m_icon(face), m_caption(face) {
  const int w = iconWidth, h = iconHeight;
  // Integer division of signed values rounds toward zero, as the placement
  // wants even when the icon is larger than the face.
  const int centredLeft = face.left + (face.right - w - face.left) / 2;
  const int centredTop = face.top + (face.bottom - h - face.top) / 2;
  if (hasIcon) {
    if (alignment == 0 && hasCaption) {
      m_icon.left = face.left + 3;
      m_caption.left = face.left + w + 3;
      m_icon.top = centredTop;
    } else if (alignment == 0 || alignment == 1) {
      m_icon.left = centredLeft;
      if (hasCaption)
        m_caption.top += h;
      else
        m_icon.top = centredTop;
    }
    if (pressed) m_icon.OffsetRect(1, 1);
  }
  if (pressed) {
    m_caption.OffsetRect(1, 1);
    m_face.OffsetRect(1, 1);
  }
}

CRect CImageButtonLayout::CaptionRect(CSize textSize) const {
  CRect t(m_caption.left, m_caption.top, m_caption.left + textSize.cx,
          m_caption.top + textSize.cy);
  t.OffsetRect((m_caption.Width() - t.Width()) / 2, (m_caption.Height() - t.Height()) / 2);
  const int overflow = t.bottom - m_face.bottom;
  if (overflow > 0) t.OffsetRect(0, -std::min(overflow, std::max(0, t.top - m_face.top)));
  return t;
}

}  // namespace vsk
