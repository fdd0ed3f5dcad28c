// Where the image button puts its icon and caption on its face. Plain
// integers and rectangles, tested natively.
#pragma once

#include <cstdint>

#include "framework/Geometry.h"

namespace vsk {

class CImageButtonLayout {
 public:
  // alignment: 0 icon left of the caption, 1 above it, anything else: the
  // icon rectangle is the whole face. `hasCaption` is false when the text is
  // empty or hidden; `hasIcon` false when the button holds no icon at all.
  CImageButtonLayout(const CRect& face, int alignment, bool hasIcon, bool hasCaption,
                     uint8_t iconWidth, uint8_t iconHeight, bool pressed);

  // The icon is drawn at its own size from the top-left corner, clipped to
  // this rectangle. Meaningful only when the button has an icon.
  const CRect& IconRect() const { return m_icon; }
  // The caption's rectangle once the text measures `textSize`: centred in
  // the part of the face the icon leaves. A caption taller than that part
  // is moved up until it ends at the face's bottom (never above its top),
  // so that it is not cut off by the face's edge.
  CRect CaptionRect(CSize textSize) const;

 private:
  CRect m_face;
  CRect m_icon;
  CRect m_caption;  // the area before the text is measured
};

}  // namespace vsk
