#include "framework/Controls.h"

#include <vector>

namespace vsk {

BOOL CImageList::Create(UINT bitmapId, int cx, int grow, COLORREF mask) {
  DeleteImageList();
  m_hImageList = ImageList_LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(bitmapId), cx,
                                      grow, mask, IMAGE_BITMAP, LR_CREATEDIBSECTION);
  return m_hImageList != nullptr;
}

void CImageList::DeleteImageList() {
  if (m_hImageList && !m_shared) ImageList_Destroy(m_hImageList);
  m_hImageList = nullptr;
  m_shared = false;
}

int CListCtrl::InsertColumn(int index, const std::wstring& heading, int format, int width) {
  LVCOLUMNW col{};
  col.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH | LVCF_SUBITEM;
  col.fmt = format;
  col.cx = width;
  col.pszText = const_cast<wchar_t*>(heading.c_str());
  col.iSubItem = index;
  return static_cast<int>(
      SendMessage(LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&col)));
}

std::wstring CListCtrl::GetColumnText(int index) const {
  wchar_t buffer[260] = {};
  LVCOLUMNW col{};
  col.mask = LVCF_TEXT;
  col.pszText = buffer;
  col.cchTextMax = 260;
  if (!SendMessage(LVM_GETCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&col)))
    return {};
  return buffer;
}

int CListCtrl::InsertItem(int index, const std::wstring& text, int image) {
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = index;
  item.pszText = const_cast<wchar_t*>(text.c_str());
  item.iImage = image;
  return static_cast<int>(SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

BOOL CListCtrl::SetItemText(int index, int subItem, const std::wstring& text) {
  LVITEMW item{};
  item.iSubItem = subItem;
  item.pszText = const_cast<wchar_t*>(text.c_str());
  return static_cast<BOOL>(
      SendMessage(LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
}

std::wstring CListCtrl::GetItemText(int index, int subItem) const {
  std::vector<wchar_t> buffer(1024);
  LVITEMW item{};
  item.iSubItem = subItem;
  item.pszText = buffer.data();
  item.cchTextMax = static_cast<int>(buffer.size());
  const auto n = SendMessage(LVM_GETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  return std::wstring(buffer.data(), static_cast<size_t>(n));
}

CToolTipCtrl::~CToolTipCtrl() {
  if (m_hWnd) ::DestroyWindow(Detach());
}

BOOL CToolTipCtrl::Create(CWnd* parent) {
  m_hWnd = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent->m_hWnd, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
  return m_hWnd != nullptr;
}

BOOL CToolTipCtrl::AddTool(HWND tool, UINT textId) {
  TTTOOLINFOW info{};
  info.cbSize = sizeof(info);
  // No TTF_SUBCLASS: the owner relays the mouse messages it wants shown.
  info.uFlags = TTF_IDISHWND;
  info.hwnd = ::GetParent(tool);
  info.uId = reinterpret_cast<UINT_PTR>(tool);
  info.hinst = ::GetModuleHandleW(nullptr);
  // A missing string resource shows nothing.
  info.lpszText = textId ? MAKEINTRESOURCEW(textId) : nullptr;
  return static_cast<BOOL>(SendMessage(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)));
}

}  // namespace vsk
