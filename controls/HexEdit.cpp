#include "controls/HexEdit.h"

#include <iterator>
#include <string>
#include <vector>

namespace vsk {
namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

std::wstring Widen(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

// Each character advanced by exactly one cell, so the text stays on the
// grid that hit testing uses even when the font mapper had to substitute a
// face with other advances.
void DrawCells(CDC& dc, int x, int y, const std::wstring& text, int cellWidth) {
  const std::vector<INT> dx(text.size(), cellWidth);
  ::ExtTextOutW(dc, x, y, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()), dx.data());
}

CHexEditModel::Key KeyOf(UINT vk) {
  switch (vk) {
    case VK_TAB: return CHexEditModel::Key::Tab;
    case VK_HOME: return CHexEditModel::Key::Home;
    case VK_END: return CHexEditModel::Key::End;
    case VK_LEFT: return CHexEditModel::Key::Left;
    case VK_RIGHT: return CHexEditModel::Key::Right;
    case VK_UP: return CHexEditModel::Key::Up;
    case VK_DOWN: return CHexEditModel::Key::Down;
    default: return CHexEditModel::Key::Other;
  }
}

CHexEditModel::Scroll ScrollOf(UINT code) {
  switch (code) {
    case SB_LINEUP: return CHexEditModel::Scroll::LineUp;
    case SB_LINEDOWN: return CHexEditModel::Scroll::LineDown;
    case SB_PAGEUP: return CHexEditModel::Scroll::PageUp;
    case SB_PAGEDOWN: return CHexEditModel::Scroll::PageDown;
    case SB_THUMBTRACK: return CHexEditModel::Scroll::ThumbTrack;
    default: return CHexEditModel::Scroll::Other;
  }
}

// The character's single byte in the active ANSI code page; false when the
// code page cannot spell it in one byte.
bool AnsiByte(UINT ch, uint8_t& byte) {
  if (ch < 0x80) {
    byte = static_cast<uint8_t>(ch);
    return true;
  }
  if (ch > 0xFFFF) return false;
  const wchar_t wide = static_cast<wchar_t>(ch);
  char out[4] = {};
  BOOL usedDefault = FALSE;
  const int n = ::WideCharToMultiByte(CP_ACP, 0, &wide, 1, out, sizeof out, nullptr, &usedDefault);
  if (n != 1 || usedDefault) return false;
  byte = static_cast<uint8_t>(out[0]);
  return true;
}

}  // namespace

CHexEdit::CHexEdit() {
  // A fixed pitch is asked for so that, where Courier New is missing, the
  // mapper substitutes another monospaced face.
  m_font.Attach(::CreateFontW(-12, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, ANSI_CHARSET,
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                              FIXED_PITCH | FF_MODERN, L"Courier New"));
}

void CHexEdit::SetData(const uint8_t* bytes, int count) {
  m_model.SetData(bytes, count);
  if (!m_hWnd) return;
  Refresh();
}

int CHexEdit::GetData(uint8_t* destination, int maximum) const {
  return m_model.GetData(destination, maximum);
}

const MessageMap* CHexEdit::GetMessageMap() const {
  static const MapEntry entries[] = {
      OnMessageEntry(WM_GETDLGCODE, &CHexEdit::OnGetDlgCode),
      OnMessageEntry(WM_ERASEBKGND, &CHexEdit::OnEraseBkgnd),
      OnMessageEntry(WM_HSCROLL, &CHexEdit::OnHScroll),
      OnMessageEntry(WM_LBUTTONDBLCLK, &CHexEdit::OnLButtonDblClk),
      OnMessageEntry(WM_CONTEXTMENU, &CHexEdit::OnContextMenu),
      OnMessageEntry(WM_PRINTCLIENT, &CHexEdit::OnPrintClient),
      OnMessageEntry(WM_SIZE, &CHexEdit::OnSize),
  };
  static const MessageMap map{CWnd::GetMessageMap(), entries, std::size(entries)};
  return &map;
}

// Tab, Enter and Escape reach the control instead of moving the focus or
// pressing the dialog's buttons; IsDialogMessage dispatches every key
// message of a control that asks for all of them.
LRESULT CHexEdit::OnGetDlgCode(WPARAM, LPARAM) { return DLGC_WANTALLKEYS; }

// Painting covers the whole client area, so nothing is erased first.
LRESULT CHexEdit::OnEraseBkgnd(WPARAM, LPARAM) { return 1; }

LRESULT CHexEdit::OnHScroll(WPARAM, LPARAM) { return 0; }

// The edit's own double click would move the caret to its empty text; the
// second click of a pair acts as a click.
LRESULT CHexEdit::OnLButtonDblClk(WPARAM w, LPARAM l) {
  OnLButtonDown(static_cast<UINT>(w), PointFromLParam(l));
  return 0;
}

// The edit's menu (cut, paste...) would act on its hidden text, not on the
// bytes.
LRESULT CHexEdit::OnContextMenu(WPARAM, LPARAM) { return 0; }

LRESULT CHexEdit::OnPrintClient(WPARAM w, LPARAM) {
  EnsureLayout();
  Draw(reinterpret_cast<HDC>(w));
  return 0;
}

LRESULT CHexEdit::OnSize(WPARAM, LPARAM) {
  UpdateClientSize();
  return Default();
}

void CHexEdit::UpdateClientSize() {
  CRect client;
  GetClientRect(&client);
  m_model.SetClientSize(client.Width(), client.Height());
}

void CHexEdit::EnsureLayout() {
  if (!m_model.HasBuffer() || !m_model.LayoutDirty()) return;
  int charWidth = 1;
  SIZE zero{1, 1};
  {
    CClientDC dc(m_hWnd);
    const CSelectedObject font(dc, m_font);
    INT w = 1;
    ::GetCharWidth32W(dc, L'0', L'0', &w);
    ::GetTextExtentPoint32W(dc, L"0", 1, &zero);
    charWidth = w;
  }
  // The horizontal bar comes first: showing it takes client height, and the
  // rows are counted from what is left.
  SCROLLINFO h{sizeof h, SIF_RANGE | SIF_PAGE | SIF_POS, 0,
               CHexEditModel::kTotalCells * charWidth, 1, 0, 0};
  ::SetScrollInfo(m_hWnd, SB_HORZ, &h, TRUE);

  CRect client;
  GetClientRect(&client);
  m_model.Layout(charWidth, zero.cy, client.Width(), client.Height());

  const CHexEditModel::ScrollBar bar = m_model.VerticalScrollBar();
  SCROLLINFO v{sizeof v, SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL, bar.min, bar.max,
               static_cast<UINT>(bar.page), bar.pos, 0};
  ::SetScrollInfo(m_hWnd, SB_VERT, &v, TRUE);
  if (bar.arrowsEnabled) ::EnableScrollBar(m_hWnd, SB_VERT, ESB_ENABLE_BOTH);
  // The bar may have changed the client area; the model draws what fits.
  UpdateClientSize();
}

void CHexEdit::OnPaint() {
  EnsureLayout();
  CPaintDC dc(m_hWnd);
  Draw(dc);
}

void CHexEdit::Draw(HDC target) {
  CRect client;
  GetClientRect(&client);
  m_model.SetClientSize(client.Width(), client.Height());
  if (client.IsRectEmpty()) return;
  CDC mem;
  mem.CreateCompatibleDC(target);
  CBitmap bitmap;
  bitmap.CreateCompatibleBitmap(target, client.Width(), client.Height());
  const CSelectedObject selectedBitmap(mem, bitmap);
  const CSelectedObject selectedFont(mem, m_font);
  mem.FillSolidRect(client, kWhite);
  mem.SetBkMode(OPAQUE);

  if (m_model.HasBuffer()) {
    for (int row = 0; row < m_model.RowsToDraw(); ++row) {
      DrawRow(mem, row, true);
      DrawRow(mem, row, false);
    }
  }

  ::BitBlt(target, 0, 0, client.Width(), client.Height(), mem, 0, 0, SRCCOPY);
}

void CHexEdit::DrawRow(CDC& dc, int row, bool hexColumn) {
  const int y = row * m_model.LineHeight();
  const int x = hexColumn ? m_model.HexColumnX() : m_model.CharColumnX();
  const bool selectionHere = m_model.SelectionShown() && m_model.SelectionInHexColumn() == hexColumn;
  if (!selectionHere) {
    dc.SetTextColor(kBlack);
    dc.SetBkColor(kWhite);
    DrawCells(dc, x, y, Widen(hexColumn ? m_model.HexRowText(row) : m_model.CharRowText(row)),
              m_model.CharWidth());
    return;
  }
  const int start = m_model.RowStart(row);
  const int cellWidth = (hexColumn ? 3 : 1) * m_model.CharWidth();
  for (int i = 0; i < CHexEditModel::kBytesPerRow && start + i < m_model.Length(); ++i) {
    const int index = start + i;
    if (index < 0) continue;
    switch (m_model.LookOf(index)) {
      case CHexEditModel::Look::Plain:
        dc.SetTextColor(kBlack);
        dc.SetBkColor(kWhite);
        break;
      case CHexEditModel::Look::Selected:
        dc.SetTextColor(::GetSysColor(COLOR_HIGHLIGHTTEXT));
        dc.SetBkColor(::GetSysColor(COLOR_HIGHLIGHT));
        break;
      case CHexEditModel::Look::Window:
        dc.SetTextColor(::GetSysColor(COLOR_WINDOWTEXT));
        dc.SetBkColor(::GetSysColor(COLOR_WINDOW));
        break;
    }
    const uint8_t byte = m_model.Bytes()[static_cast<size_t>(index)];
    const std::wstring cell = hexColumn ? Widen(CHexEditModel::HexCell(byte))
                                        : std::wstring(1, static_cast<wchar_t>(CHexEditModel::CharCell(byte)));
    DrawCells(dc, x + i * cellWidth, y, cell, m_model.CharWidth());
  }
}

void CHexEdit::Refresh() {
  EnsureLayout();
  RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  if (m_model.HasBuffer() && !m_model.LayoutDirty())
    ::SetScrollPos(m_hWnd, SB_VERT, m_model.Top() / CHexEditModel::kBytesPerRow, TRUE);
  RecreateCaret();
}

void CHexEdit::RecreateCaret() {
  if (::GetFocus() != m_hWnd) return;
  ::DestroyCaret();
  if (!m_model.HasBuffer()) return;
  ::CreateCaret(m_hWnd, nullptr, m_model.CharWidth(), m_model.LineHeight());
  if (m_model.CaretShown()) {
    ::SetCaretPos(m_model.CaretX(), m_model.CaretY());
    ::ShowCaret(m_hWnd);
  }
}

void CHexEdit::OnKeyDown(UINT key, UINT, UINT) {
  const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
  EnsureLayout();
  if (m_model.KeyDown(KeyOf(key), ctrl)) Refresh();
}

void CHexEdit::OnChar(UINT ch, UINT, UINT) {
  uint8_t code = 0;
  if (!AnsiByte(ch, code)) return;
  EnsureLayout();
  if (m_model.Char(code)) Refresh();
}

void CHexEdit::OnLButtonDown(UINT flags, CPoint point) {
  SetFocus();
  if (!m_model.HasBuffer()) return;
  EnsureLayout();
  const bool shift = (flags & MK_SHIFT) != 0;
  if (!m_model.Click(point.x, point.y, shift)) return;
  if (shift)
    Refresh();
  else
    RecreateCaret();
}

void CHexEdit::OnSetFocus(HWND) {
  // The edit makes its own caret here; ours replaces it.
  Default();
  RecreateCaret();
}

void CHexEdit::OnKillFocus(HWND) {
  ::DestroyCaret();
  Default();
}

void CHexEdit::OnVScroll(UINT code, UINT pos, HWND) {
  if (!m_model.HasBuffer()) return;
  EnsureLayout();
  // The message's 16-bit position: the signature editor's buffers have a
  // handful of rows.
  const int track = static_cast<int>(pos);
  if (m_model.ScrollRequest(ScrollOf(code), track))
    RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  ::SetScrollPos(m_hWnd, SB_VERT, m_model.Top() / CHexEditModel::kBytesPerRow, TRUE);
  RecreateCaret();
}

}  // namespace vsk
