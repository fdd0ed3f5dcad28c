#include "app/ResultsList.h"

#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <iterator>

#include "engine/scan/FolderWalk.h"
#include "engine/text/Encoding.h"

namespace vsk {

void SelectAllRows(HWND list);

namespace {

constexpr COLORREF kListBack = RGB(255, 255, 204);
constexpr COLORREF kInfectedBack = RGB(255, 196, 196);
constexpr COLORREF kInfectedText = RGB(160, 0, 0);
constexpr int kDefaultObjectWidth = 225;
constexpr int kDefaultResultWidth = 100;
// The space the list view leaves around a column's text.
constexpr int kTextPadding = 14;
// Posted to the list by the icon lookup's thread: icons were found.
constexpr UINT kRowIconsFound = WM_APP + 40;
// How long a new scan or the window's end waits for a lookup in the shell.
constexpr std::chrono::milliseconds kIconLookupWait{1000};

// The file's own small icon, which the shell reads from its resources.
int OwnIconOf(const std::wstring& object) {
  SHFILEINFOW info{};
  if (!::SHGetFileInfoW(PathFromText(object).c_str(), 0, &info, sizeof(info),
                        SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
    return -1;
  return info.iIcon;
}

// The lookup thread's COM, which the shell's file information needs.
thread_local bool t_comStarted = false;

// The result texts a row can be left with, the longest of which column 1
// is made wide enough for.
constexpr const wchar_t* kResultTexts[] = {
    result::kOk,           result::kCured,           result::kDeleted,
    result::kMoved,        result::kRenamed,         result::kIncurableDeleted,
    result::kIncurableMoved, result::kIncurableRenamed, result::kNotFound,
    result::kAccessError,
};

}  // namespace

bool ParseColumnWidths(const std::wstring& text, int& object, int& result) {
  const size_t comma = text.find(L',');
  if (comma == std::wstring::npos) return false;
  const int a = ParseProfileInt(text.substr(0, comma));
  const int b = ParseProfileInt(text.substr(comma + 1));
  // A column dragged to nothing or far off the screen is no width to keep.
  if (a < 20 || b < 20 || a > 4000 || b > 4000) return false;
  object = a;
  result = b;
  return true;
}

void CResultsList::SetUp() {
  SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_TWOCLICKACTIVATE |
                   LVS_EX_INFOTIP);
  SetUpColumns();
  SetBkColor(kListBack);
  SetTextBkColor(kListBack);
  SetTextColor(RGB(0, 0, 0));
  SHFILEINFOW info{};
  const auto list = reinterpret_cast<HIMAGELIST>(
      ::SHGetFileInfoW(L"", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  m_systemIcons.AttachShared(list);
  // The system's list is shared: the list view must not destroy it.
  ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, GetStyle() | LVS_SHAREIMAGELISTS);
  SetImageList(m_systemIcons, LVSIL_SMALL);
  // Below the window's thread, which it must never hold up; the window's
  // handle by value, as a lookup left behind may end after the window.
  const HWND self = m_hWnd;
  CRowIcons::ThreadHooks hooks;
  hooks.started = [] {
    t_comStarted = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
  };
  hooks.ending = [] {
    if (t_comStarted) ::CoUninitialize();
  };
  hooks.found = [self] { ::PostMessageW(self, kRowIconsFound, 0, 0); };
  m_icons.emplace(&OwnIconOf, std::move(hooks));

  // The list's own tips show a cut label's text, which here is our own
  // shortening; this one names the whole path of the row under the pointer.
  m_pathTip.Create(this);
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  // No TTF_SUBCLASS: WindowProc relays the mouse, after the text is set.
  tool.uFlags = TTF_IDISHWND;
  tool.hwnd = m_hWnd;
  tool.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
  tool.lpszText = const_cast<wchar_t*>(L"");
  m_pathTip.SendMessage(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  m_pathTip.SendMessage(TTM_SETMAXTIPWIDTH, 0, 800);
  m_pathTip.Activate(TRUE);
}

void CResultsList::SetUpColumns() {
  int result = kDefaultResultWidth;
  for (const wchar_t* text : kResultTexts)
    result = std::max(result, static_cast<int>(SendMessage(LVM_GETSTRINGWIDTHW, 0,
                                                           reinterpret_cast<LPARAM>(text))) +
                                  kTextPadding);
  CRect client;
  GetClientRect(&client);
  int object = std::max(kDefaultObjectWidth,
                        client.Width() - result - ::GetSystemMetrics(SM_CXVSCROLL));
  ParseColumnWidths(ReadOption(m_state.profile, option::kResultColumns), object, result);
  InsertColumn(0, L"Объект", LVCFMT_LEFT, object);
  InsertColumn(1, L"Результат", LVCFMT_LEFT, result);
  m_initialColumns = ColumnWidths();
}

std::wstring CResultsList::ColumnWidths() const {
  return std::to_wstring(GetColumnWidth(0)) + L"," + std::to_wstring(GetColumnWidth(1));
}

// Written only when the user changed them, so that the profile is not
// touched for nothing.
void CResultsList::OnDestroy() {
  if (m_icons) m_icons->Clear(kIconLookupWait);
  const std::wstring widths = ColumnWidths();
  if (widths != m_initialColumns)
    m_state.profile.WriteProfileString(kOptionsSection, option::kResultColumns.name, widths);
  Default();
}

void CResultsList::AddRows(std::vector<Row>&& rows) {
  if (rows.empty()) return;
  if (m_icons)
    for (const Row& r : rows) m_icons->Add(r.icon, r.ownIcon);
  m_rows.insert(m_rows.end(), std::make_move_iterator(rows.begin()),
                std::make_move_iterator(rows.end()));
  SendMessage(LVM_SETITEMCOUNT, m_rows.size(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  Invalidate();
  // Painted now: the next batch is usually queued already, and a paint
  // waits for an empty queue.
  UpdateWindow();
}

void CResultsList::Clear() {
  DeleteAllItems();
  m_rows = {};
  if (m_icons) m_icons->Clear(kIconLookupWait);
  m_selected.clear();
  m_selectedObjects.clear();
  ShowTipFor(-1);
}

std::vector<std::pair<std::wstring, std::wstring>> CResultsList::ReadRows() const {
  std::vector<std::pair<std::wstring, std::wstring>> rows;
  rows.reserve(m_rows.size());
  for (const Row& r : m_rows) rows.emplace_back(r.object, r.result);
  return rows;
}

void CResultsList::OnGetDispInfo(NMLVDISPINFOW& info) {
  LVITEMW& item = info.item;
  const Row* r = RowAt(item.iItem);
  if (!r) return;
  if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
    const std::wstring& text = item.iSubItem == 0 ? r->object : item.iSubItem == 1 ? r->result : L"";
    ::lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
  }
  if (item.mask & LVIF_IMAGE) item.iImage = IconOf(item.iItem);
}

int CResultsList::IconOf(int row) {
  const Row* r = RowAt(row);
  if (!r) return -1;
  return m_icons ? m_icons->IconOf(static_cast<size_t>(row), r->object) : r->icon;
}

std::wstring CResultsList::SelectedPathsText() const {
  std::wstring text;
  for (size_t i = 0; i < m_selectedObjects.size(); ++i) text += (i ? L"\r\n" : L"") + m_selectedObjects[i];
  return text;
}

std::wstring CResultsList::ResultText(int row) const {
  const Row* r = RowAt(row);
  return r ? r->result : std::wstring();
}

void CResultsList::SetResultText(int row, const std::wstring& text) {
  if (!RowAt(row)) return;
  m_rows[static_cast<size_t>(row)].result = text;
  SendMessage(LVM_REDRAWITEMS, static_cast<WPARAM>(row), row);
}

const CResultsList::Row* CResultsList::RowAt(int row) const {
  return row >= 0 && static_cast<size_t>(row) < m_rows.size() ? &m_rows[static_cast<size_t>(row)]
                                                             : nullptr;
}

int CResultsList::RowAtPoint(CPoint point) const {
  LVHITTESTINFO hit{};
  hit.pt = {point.x, point.y};
  SendMessage(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  return hit.flags & LVHT_ONITEM ? hit.iItem : -1;
}

LRESULT CResultsList::WindowProc(UINT msg, WPARAM w, LPARAM l) {
  // The tip is one tool for the whole list: a move onto another row pops
  // it and changes its text before the tip sees the move, which then shows
  // it again. Relayed first, the move would find the tip still up, and it
  // would stay hidden until the pointer moved once more.
  if (msg == WM_MOUSEMOVE) ShowTipFor(RowAtPoint(PointFromLParam(l)));
  if (msg >= WM_MOUSEMOVE && msg <= WM_MBUTTONDBLCLK && m_pathTip.m_hWnd) {
    const CPoint pos = PointFromLParam(static_cast<LPARAM>(::GetMessagePos()));
    MSG m{m_hWnd, msg, w, l, static_cast<DWORD>(::GetMessageTime()), {pos.x, pos.y}};
    m_pathTip.RelayEvent(&m);
  }
  if (msg == WM_RBUTTONDOWN) m_pressedRow = RowAtPoint(PointFromLParam(l));
  // Ctrl+A selects every row; its character (1) is no letter to search
  // the rows for, which would select one again.
  constexpr WPARAM kCtrlA = 1;
  if (msg == WM_KEYDOWN && w == 'A' && (::GetKeyState(VK_CONTROL) & 0x8000)) {
    SelectAllRows(m_hWnd);
    return 0;
  }
  if (msg == WM_CHAR && w == kCtrlA) return 0;
  if (msg == kRowIconsFound) {
    if (m_icons)
      for (size_t row : m_icons->TakeFound()) SendMessage(LVM_REDRAWITEMS, row, static_cast<LPARAM>(row));
    return 0;
  }
  return CListCtrl::WindowProc(msg, w, l);
}

// An empty text shows no tip.
void CResultsList::ShowTipFor(int row) {
  if (row == m_tipRow || !m_pathTip.m_hWnd) return;
  m_tipRow = row;
  const Row* r = RowAt(row);
  // An archive's row names the member the virus is in too.
  std::wstring text = r ? r->object : std::wstring();
  if (r && !r->identity.inside.empty()) text += L"\n" + r->identity.inside;
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.hwnd = m_hWnd;
  tool.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
  tool.lpszText = const_cast<wchar_t*>(text.c_str());
  m_pathTip.SendMessage(TTM_POP);
  m_pathTip.SendMessage(TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

LRESULT CResultsList::OnCustomDraw(NMLVCUSTOMDRAW& draw) {
  const DWORD stage = draw.nmcd.dwDrawStage;
  if (stage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if ((stage & ~CDDS_SUBITEM) != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
  const Row* r = RowAt(static_cast<int>(draw.nmcd.dwItemSpec));
  const bool infected = r && !IsResultText(r->result);
  if (infected) {
    draw.clrText = kInfectedText;
    draw.clrTextBk = kInfectedBack;
  }
  if (!(stage & CDDS_SUBITEM)) return CDRF_NOTIFYSUBITEMDRAW | CDRF_NEWFONT;
  if (draw.iSubItem != 0 || !r) return CDRF_NEWFONT;
  DrawObjectCell(draw, *r, infected);
  return CDRF_SKIPDEFAULT;
}

// Column 0 as the list draws it (icon, then the text on the row's colours,
// or the selection's), but the path shortened in its middle: the file name
// stays in view.
void CResultsList::DrawObjectCell(const NMLVCUSTOMDRAW& draw, const Row& row, bool infected) {
  const int item = static_cast<int>(draw.nmcd.dwItemSpec);
  const HDC dc = draw.nmcd.hdc;
  RECT icon{LVIR_ICON, 0, 0, 0}, label{LVIR_LABEL, 0, 0, 0};
  SendMessage(LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&icon));
  SendMessage(LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&label));
  const bool selected = SendMessage(LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_SELECTED) != 0;
  const bool focused = ::GetFocus() == m_hWnd;
  COLORREF back = infected ? kInfectedBack : kListBack;
  COLORREF text = infected ? kInfectedText : RGB(0, 0, 0);
  if (selected && focused) {
    back = ::GetSysColor(COLOR_HIGHLIGHT);
    text = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
  } else if (selected && (GetStyle() & LVS_SHOWSELALWAYS)) {
    back = ::GetSysColor(COLOR_3DFACE);
  }
  const HBRUSH listBrush = ::CreateSolidBrush(kListBack);
  ::FillRect(dc, &icon, listBrush);
  ::DeleteObject(listBrush);
  ImageList_Draw(m_systemIcons, IconOf(item), dc, icon.left,
                 icon.top + (icon.bottom - icon.top - 16) / 2, ILD_TRANSPARENT);
  const HBRUSH backBrush = ::CreateSolidBrush(back);
  ::FillRect(dc, &label, backBrush);
  ::DeleteObject(backBrush);
  RECT textRect = label;
  textRect.left += 2;
  textRect.right -= 2;
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, text);
  ::DrawTextW(dc, row.object.c_str(), static_cast<int>(row.object.size()), &textRect,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_PATH_ELLIPSIS);
}

}  // namespace vsk
