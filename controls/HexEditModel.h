// The state of the hex edit control without its window: the byte buffer,
// the first visible byte, the caret with its nibble, the selection, the
// layout numbers, and what keys, characters, clicks and scroll requests do
// to them. CHexEdit measures its font, forwards input here and paints what
// this class reports. Pixel numbers are plain integers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CHexEditModel {
 public:
  enum CaretState { kNoCaret = 0, kCharColumn = 1, kHighNibble = 2, kLowNibble = 3 };

  enum class Key { Tab, Home, End, Left, Right, Up, Down, Other };

  enum class Scroll { LineUp, LineDown, PageUp, PageDown, ThumbTrack, Other };

  // How one byte is painted: before the selection black on white, inside it
  // in the highlight colours, after it in the window colours.
  enum class Look { Plain, Selected, Window };

  struct ScrollBar {
    int min = 0;
    int max = 0;
    int page = 0;
    int pos = 0;
    bool arrowsEnabled = false;
  };

  static constexpr int kBytesPerRow = 10;
  static constexpr int kHexCells = 3 * kBytesPerRow;
  static constexpr int kTotalCells = kHexCells + kBytesPerRow;

  CHexEditModel() = default;

  // Replaces the buffer; the caret returns to byte 0, high nibble, top 0, and
  // the layout is recomputed at the next paint. A null source or a negative
  // count loads an empty buffer.
  void SetData(const uint8_t* bytes, int count);
  // Copies min(maximum, length) bytes out and returns the length.
  int GetData(uint8_t* destination, int maximum) const;

  bool HasBuffer() const { return m_loaded; }
  int Length() const { return static_cast<int>(m_buffer.size()); }
  const std::vector<uint8_t>& Bytes() const { return m_buffer; }

  // Layout from the font's "0" and the client height; the client width only
  // decides whether the caret can be shown.
  bool LayoutDirty() const { return m_layoutDirty; }
  void Layout(int charWidth, int lineHeight, int clientWidth, int clientHeight);
  void SetClientSize(int width, int height);
  int VisibleRows() const { return m_visibleRows; }
  bool PartialRow() const { return m_partialRow; }
  int CharWidth() const { return m_charWidth; }
  int LineHeight() const { return m_lineHeight; }
  int HexColumnX() const { return 0; }
  int CharColumnX() const { return m_charColumnX; }
  ScrollBar VerticalScrollBar() const;
  // The horizontal bar is shown, but scrolling it does nothing.
  int HorizontalScrollMax() const { return 4 * kBytesPerRow * m_charWidth; }

  // Painting: whole rows only, from byte Top() while bytes remain.
  int DrawLimit() const;
  int RowsToDraw() const;
  int RowStart(int row) const { return m_top + kBytesPerRow * row; }
  static std::string HexCell(uint8_t byte);
  static char CharCell(uint8_t byte);
  // A row as one line of text; the hex row is padded to 30 cells.
  std::string HexRowText(int row) const;
  std::string CharRowText(int row) const;
  bool SelectionShown() const { return m_anchor >= 0 && m_end >= 0; }
  // The column that shows the selection: the caret's.
  bool SelectionInHexColumn() const { return m_state != kCharColumn; }
  Look LookOf(int index) const;

  int Top() const { return m_top; }
  int Caret() const { return m_caret; }
  int State() const { return m_state; }
  int SelectionAnchor() const { return m_anchor; }
  int SelectionEnd() const { return m_end; }
  int CaretX() const { return m_caretX; }
  int CaretY() const { return m_caretY; }
  // The caret is placed and shown only inside the client area, and hidden
  // while a selection is shown.
  bool CaretInClient() const;
  bool CaretShown() const { return m_loaded && !SelectionShown() && CaretInClient(); }

  // Input. Each returns true when something may have changed, so the view
  // repaints and recreates the caret.
  bool KeyDown(Key key, bool ctrl);
  bool Char(uint8_t code);
  bool Click(int x, int y, bool shift);
  // A request of the scroll bar; the caret keeps its place on the screen.
  bool ScrollRequest(Scroll request, int trackPos = 0);

 private:
  void ClearSelection();
  void Move(int h, int v);
  bool DoScroll(Scroll request, int trackPos);
  void ScrollToRow(int row);
  void PlaceCaret();

  std::vector<uint8_t> m_buffer;
  bool m_loaded = false;
  int m_top = 0;
  int m_caret = 0;
  int m_state = kNoCaret;
  int m_anchor = -1;
  int m_end = -1;
  int m_visibleRows = 1;
  bool m_partialRow = false;
  bool m_caretDriven = false;
  int m_lineHeight = 1;
  int m_charWidth = 1;
  bool m_layoutDirty = true;
  int m_charColumnX = 0;
  int m_caretX = 0;
  int m_caretY = 0;
  int m_clientWidth = 0;
  int m_clientHeight = 0;
};
