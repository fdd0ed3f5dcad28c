// CHexEdit: a fixed-length byte buffer shown as rows of hex digits with a
// column of characters beside them, overwritten in place. It is attached to
// an edit control of a dialog template, but paints everything itself and
// keeps the bytes in its CHexEditModel; the edit's own text stays empty.
#pragma once

#include <cstdint>

#include "framework/Gdi.h"
#include "controls/HexEditModel.h"
#include "framework/Wnd.h"

namespace vsk {

class CHexEdit : public CWnd {
 public:
  CHexEdit();

  // Replaces the buffer (count 0 gives an empty control); the caret returns
  // to byte 0, high nibble, and the rows to the first.
  void SetData(const uint8_t* bytes, int count);
  // Copies min(maximum, length) bytes out and returns the length.
  int GetData(uint8_t* destination, int maximum) const;

  const CHexEditModel& Model() const { return m_model; }

 protected:
  const MessageMap* GetMessageMap() const override;
  void OnPaint() override;
  void OnKeyDown(UINT key, UINT repeat, UINT flags) override;
  void OnChar(UINT ch, UINT repeat, UINT flags) override;
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnSetFocus(HWND previous) override;
  void OnKillFocus(HWND next) override;
  void OnVScroll(UINT code, UINT pos, HWND bar) override;

  LRESULT OnGetDlgCode(WPARAM, LPARAM);
  LRESULT OnEraseBkgnd(WPARAM, LPARAM);
  LRESULT OnHScroll(WPARAM, LPARAM);
  LRESULT OnLButtonDblClk(WPARAM, LPARAM);
  LRESULT OnContextMenu(WPARAM, LPARAM);
  LRESULT OnPrintClient(WPARAM, LPARAM);
  LRESULT OnSize(WPARAM, LPARAM);

 private:
  void UpdateClientSize();
  // Measures the font and sets up the scroll bars when a load asked for it.
  void EnsureLayout();
  // The whole client area drawn off-screen, then copied to `target` at once.
  void Draw(HDC target);
  void DrawRow(CDC& dc, int row, bool hexColumn);
  // Repaint now, scroll bar position from the top row, caret recreated.
  void Refresh();
  void RecreateCaret();

  CHexEditModel m_model;
  CFont m_font;
};

}  // namespace vsk
