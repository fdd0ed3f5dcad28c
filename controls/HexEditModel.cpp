#include "controls/HexEditModel.h"

#include <algorithm>

namespace {

int FloorDiv(int a, int b) {
  int q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

int HexDigit(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Keys and typed characters scroll to follow the caret; the scroll bar
// moves the caret with the rows instead.
class CaretDriven {
 public:
  explicit CaretDriven(bool& flag) : m_flag(flag) { m_flag = true; }
  ~CaretDriven() { m_flag = false; }
  CaretDriven(const CaretDriven&) = delete;
  CaretDriven& operator=(const CaretDriven&) = delete;

 private:
  bool& m_flag;
};

}  // namespace

void CHexEditModel::SetData(const uint8_t* bytes, int count) {
  if (!bytes || count < 0) count = 0;
  m_buffer.assign(bytes, bytes + count);
  m_loaded = true;
  ClearSelection();
  m_caret = 0;
  m_state = kHighNibble;
  m_caretX = 0;
  m_caretY = 0;
  m_top = 0;
  m_layoutDirty = true;
}

int CHexEditModel::GetData(uint8_t* destination, int maximum) const {
  const int length = Length();
  if (destination && maximum > 0)
    std::copy_n(m_buffer.begin(), std::min(maximum, length), destination);
  return length;
}

void CHexEditModel::SetClientSize(int width, int height) {
  m_clientWidth = std::max(0, width);
  m_clientHeight = std::max(0, height);
}

void CHexEditModel::Layout(int charWidth, int lineHeight, int clientWidth, int clientHeight) {
  m_charWidth = std::max(1, charWidth);
  m_lineHeight = std::max(1, lineHeight);
  m_charColumnX = kHexCells * m_charWidth;
  SetClientSize(clientWidth, clientHeight);
  const int length = Length();
  m_visibleRows = m_clientHeight / m_lineHeight;
  m_partialRow = false;
  // 10 × rows > length, without the product overflowing for a huge client.
  if (m_visibleRows > length / kBytesPerRow) {
    m_visibleRows = (length + 5) / kBytesPerRow;
    if (length % kBytesPerRow != 0) {
      ++m_visibleRows;
      m_partialRow = true;
    }
  }
  m_layoutDirty = false;
}

CHexEditModel::ScrollBar CHexEditModel::VerticalScrollBar() const {
  ScrollBar bar;
  bar.max = Length() / kBytesPerRow - 1;
  bar.page = m_visibleRows;
  bar.pos = m_top / kBytesPerRow;
  // The range holds max + 1 positions; the bar is of use once they exceed
  // the page.
  bar.arrowsEnabled = bar.max + 1 > bar.page;
  return bar;
}

int CHexEditModel::DrawLimit() const {
  return m_lineHeight * (m_clientHeight / m_lineHeight);
}

int CHexEditModel::RowsToDraw() const {
  const int remaining = Length() - m_top;
  if (!m_loaded || remaining <= 0) return 0;
  const int rowsWithBytes = (remaining + kBytesPerRow - 1) / kBytesPerRow;
  return std::min(rowsWithBytes, DrawLimit() / m_lineHeight);
}

std::string CHexEditModel::HexCell(uint8_t byte) {
  static const char kDigits[] = "0123456789ABCDEF";
  return {kDigits[byte / 16], kDigits[byte % 16], ' '};
}

char CHexEditModel::CharCell(uint8_t byte) {
  return (byte >= 0x20 && byte <= 0x7E) ? static_cast<char>(byte) : '.';
}

std::string CHexEditModel::HexRowText(int row) const {
  std::string text;
  const int start = RowStart(row);
  for (int i = start; i < start + kBytesPerRow && i < Length(); ++i)
    if (i >= 0) text += HexCell(m_buffer[i]);
  text.resize(kHexCells, ' ');
  return text;
}

std::string CHexEditModel::CharRowText(int row) const {
  std::string text;
  const int start = RowStart(row);
  for (int i = start; i < start + kBytesPerRow && i < Length(); ++i)
    if (i >= 0) text += CharCell(m_buffer[i]);
  return text;
}

CHexEditModel::Look CHexEditModel::LookOf(int index) const {
  if (!SelectionShown()) return Look::Plain;
  const int from = std::min(m_anchor, m_end);
  const int to = std::max(m_anchor, m_end);
  if (index < from) return Look::Plain;
  if (index < to) return Look::Selected;
  return Look::Window;
}

bool CHexEditModel::CaretInClient() const {
  return m_caretX >= 0 && m_caretY >= 0 && m_caretX < m_clientWidth && m_caretY < m_clientHeight;
}

void CHexEditModel::ClearSelection() {
  m_anchor = -1;
  m_end = -1;
}

void CHexEditModel::Move(int h, int v) {
  const int length = Length();
  if (m_state == kCharColumn) {
    m_caret += h + kBytesPerRow * v;
  } else if (m_state == kHighNibble) {
    if (h != 0) {
      m_state = kLowNibble;
      if (h == -1) --m_caret;
    }
    m_caret += kBytesPerRow * v;
  } else {
    if (h != 0) {
      m_state = kHighNibble;
      if (h == 1) ++m_caret;
    }
    m_caret += kBytesPerRow * v;
  }
  if (m_caret < 0) m_caret = 0;
  if (m_caret >= length) m_caret -= kBytesPerRow * v + h;
  m_caret = std::clamp(m_caret, 0, std::max(0, length - 1));

  if (m_caretDriven) {
    if (m_caret < m_top)
      DoScroll(Scroll::LineUp, 0);
    else if (m_caret >= m_top + kBytesPerRow * m_visibleRows)
      DoScroll(Scroll::LineDown, 0);
  }
  PlaceCaret();
}

bool CHexEditModel::DoScroll(Scroll request, int trackPos) {
  const int length = Length();
  const int lastTop = length - kBytesPerRow * m_visibleRows;
  const int old = m_top;
  switch (request) {
    case Scroll::LineUp:
      // After a page down top need not be a multiple of 10; never go above
      // the first byte.
      if (m_top > 0) m_top = std::max(0, m_top - kBytesPerRow);
      break;
    case Scroll::LineDown:
      if (m_top < lastTop) m_top += kBytesPerRow;
      break;
    case Scroll::PageUp:
      if (m_top > 0) m_top = std::max(0, m_top - kBytesPerRow * m_visibleRows);
      break;
    case Scroll::PageDown:
      if (m_top < lastTop) m_top = std::min(m_top + kBytesPerRow * m_visibleRows, lastTop);
      break;
    case Scroll::ThumbTrack:
      m_top = kBytesPerRow * std::max(0, trackPos);
      break;
    case Scroll::Other:
      break;
  }
  if (!m_caretDriven && length > 0)
    m_caret = std::clamp(m_caret + (m_top - old), 0, length - 1);
  PlaceCaret();
  return m_top != old;
}

void CHexEditModel::ScrollToRow(int row) {
  m_top = kBytesPerRow * std::max(0, row);
  PlaceCaret();
}

void CHexEditModel::PlaceCaret() {
  const int rel = m_caret - m_top;
  const int row = FloorDiv(rel, kBytesPerRow);
  const int column = rel - kBytesPerRow * row;
  switch (m_state) {
    case kCharColumn:
      m_caretX = m_charColumnX + column * m_charWidth;
      break;
    case kLowNibble:
      m_caretX = (3 * column + 1) * m_charWidth;
      break;
    default:
      m_caretX = 3 * column * m_charWidth;
      break;
  }
  m_caretY = row * m_lineHeight;
}

bool CHexEditModel::KeyDown(Key key, bool ctrl) {
  const int length = Length();
  if (!m_loaded || length == 0) return false;
  if (key == Key::Other || (key == Key::Tab && !ctrl)) return false;

  CaretDriven driven(m_caretDriven);
  if (key != Key::Tab) ClearSelection();
  switch (key) {
    case Key::Tab:
      m_state = (m_state == kCharColumn) ? kHighNibble : kCharColumn;
      Move(0, 0);
      break;
    case Key::Home:
      if (ctrl) {
        ScrollToRow(0);
        m_caret = 0;
      } else {
        m_caret = kBytesPerRow * (m_caret / kBytesPerRow);
      }
      Move(0, 0);
      break;
    case Key::End:
      if (ctrl) {
        m_caret = length - 1;
        ScrollToRow(m_partialRow ? 0 : (length + 5) / kBytesPerRow - m_visibleRows);
      } else {
        m_caret = std::min(kBytesPerRow * (m_caret / kBytesPerRow) + kBytesPerRow - 1, length - 1);
      }
      Move(0, 0);
      break;
    case Key::Left:
      Move(-1, 0);
      break;
    case Key::Right:
      Move(1, 0);
      break;
    case Key::Up:
      Move(0, -1);
      break;
    case Key::Down:
      Move(0, 1);
      break;
    case Key::Other:
      break;
  }
  return true;
}

bool CHexEditModel::Char(uint8_t code) {
  if (!m_loaded || Length() == 0 || code == '\t') return false;
  CaretDriven driven(m_caretDriven);
  ClearSelection();
  uint8_t& byte = m_buffer[m_caret];
  if (m_state == kCharColumn) {
    byte = code;
  } else {
    const int d = HexDigit(code);
    if (d < 0) return true;
    if (m_state == kHighNibble)
      byte = static_cast<uint8_t>(d * 16 + byte % 16);
    else
      byte = static_cast<uint8_t>(byte - byte % 16 + d);
  }
  Move(1, 0);
  return true;
}

bool CHexEditModel::Click(int x, int y, bool shift) {
  if (!m_loaded) return false;
  if (shift) m_anchor = m_caret;

  const int k = FloorDiv(x, m_charWidth);
  const int r = FloorDiv(y, m_lineHeight);
  bool landed = false;
  bool inHex = false;
  if (r >= 0 && r <= m_visibleRows && k >= 0 && k < kTotalCells) {
    int inRow;
    int state;
    inHex = k < kHexCells;
    if (inHex) {
      inRow = k / 3;
      state = (k % 3 == 1) ? kLowNibble : kHighNibble;
      if (k % 3 == 2) ++inRow;
    } else {
      inRow = k - kHexCells;
      state = kCharColumn;
    }
    const int index = m_top + kBytesPerRow * r + inRow;
    if (index >= 0 && index < Length()) {
      m_caret = index;
      m_state = state;
      // Computed from the byte, so the blank after a row's last byte puts
      // the caret at the start of the next row.
      PlaceCaret();
      landed = true;
    }
  }
  if (shift) m_end = landed ? m_caret + (inHex ? 1 : 0) : -1;
  return landed || shift;
}

bool CHexEditModel::ScrollRequest(Scroll request, int trackPos) {
  if (!m_loaded) return false;
  return DoScroll(request, trackPos);
}
