// A flat owner-drawn push button: a face in one of two colours, an icon and
// a caption chosen by state, an optional one-pixel border while hovered or
// pressed, and the system's disabled look. It tracks the mouse itself by
// holding the capture while the pointer is over it.
#pragma once

#include <cstdint>

#include "framework/Controls.h"

namespace vsk {

class CImageButton : public CButton {
 public:
  CImageButton();
  ~CImageButton() override;

  // outIconId 0: the hot icon serves both states. Sizes are kept modulo 256.
  void SetIcons(int inIconId, int outIconId, int width, int height);
  void SetAlignment(int alignment);
  void SetShowText(BOOL show);
  void SetDrawBorder(BOOL draw) { m_drawBorder = draw; }

  // A repaint follows only when `repaint` is exactly 1.
  void SetBackColorOut(COLORREF color, int repaint = 1);
  void SetTextColorOut(COLORREF color, int repaint = 1);
  void SetBackColorIn(COLORREF color, int repaint = 1);
  void SetTextColorIn(COLORREF color, int repaint = 1);
  void ResetBackColorOut(int repaint = 1);
  void ResetTextColorOut(int repaint = 1);
  void ResetBackColorIn(int repaint = 1);
  void ResetTextColorIn(int repaint = 1);
  COLORREF GetBackColorOut() const { return m_backColorOut; }
  COLORREF GetTextColorOut() const { return m_textColorOut; }
  COLORREF GetBackColorIn() const { return m_backColorIn; }
  COLORREF GetTextColorIn() const { return m_textColorIn; }

  int GetAlignment() const { return m_alignment; }
  BOOL GetShowText() const { return m_showText; }
  BOOL GetDrawBorder() const { return m_drawBorder; }
  bool IsMouseOver() const { return m_mouseOver != 0; }
  HICON GetIconIn() const { return m_iconIn; }
  HICON GetIconOut() const { return m_iconOut; }
  uint8_t GetIconWidth() const { return m_iconWidth; }
  uint8_t GetIconHeight() const { return m_iconHeight; }

 protected:
  const MessageMap* GetMessageMap() const override;
  void PreSubclassWindow() override;
  void DrawItem(DRAWITEMSTRUCT* dis) override;

  void OnCaptureChanged(HWND wnd) override;
  void OnKillFocus(HWND wnd) override;
  void OnMouseMove(UINT flags, CPoint point) override;

 private:
  void SetColor(COLORREF& member, COLORREF color, int repaint);
  void FreeIcons();

  int32_t m_alignment = 0;
  BOOL m_showText = TRUE;
  BOOL m_drawBorder = TRUE;
  int32_t m_mouseOver = 0;
  HICON m_iconIn = nullptr;
  HICON m_iconOut = nullptr;
  uint8_t m_iconHeight = 0;
  uint8_t m_iconWidth = 0;
  COLORREF m_backColorOut = 0;
  COLORREF m_textColorOut = 0;
  COLORREF m_backColorIn = 0;
  COLORREF m_textColorIn = 0;
};

}  // namespace vsk
