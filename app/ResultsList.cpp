#include "app/ResultsList.h"

#include <shellapi.h>

#include <iterator>

#include "engine/scan/FolderWalk.h"
#include "engine/text/Encoding.h"
#include "framework/Menu.h"
#include "res/resource.h"

namespace vsk {
namespace {

constexpr COLORREF kListBack = RGB(255, 255, 204);

// Column 1 of the list, for the actions.
class ListResultRows : public IResultRows {
 public:
  explicit ListResultRows(CResultsList& list) : m_list(list) {}
  std::wstring GetText(int row) override { return m_list.ResultText(row); }
  void SetText(int row, const std::wstring& text) override { m_list.SetResultText(row, text); }

 private:
  CResultsList& m_list;
};

class MessageBoxQuestions : public IQuestions {
 public:
  explicit MessageBoxQuestions(HWND owner) : m_owner(owner) {}
  bool AskOkCancel(const std::wstring& text, const std::wstring& caption) override {
    return ::MessageBoxW(m_owner, text.c_str(), caption.c_str(), MB_OKCANCEL | MB_ICONEXCLAMATION) ==
           IDOK;
  }

 private:
  HWND m_owner;
};

struct MenuAction {
  UINT command;
  void (*action)(ActionContext&, const CapturedRow&);
};
constexpr MenuAction kMenuActions[] = {
    {ID_CURE_OR_DELETE, &CureOrDelete},       {ID_CURE_OR_RENAME, &CureOrRename},
    {ID_CURE_OR_MOVE, &CureOrMove},           {ID_DELETE_INFECTED, &DeleteInfected},
    {ID_RENAME_INFECTED, &RenameInfected},    {ID_MOVE_TO_QUARANTINE, &MoveToQuarantine},
};

}  // namespace

void CResultsList::SetUp() {
  SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_TWOCLICKACTIVATE |
                   LVS_EX_INFOTIP);
  InsertColumn(0, L"Объект", LVCFMT_LEFT, 225);
  InsertColumn(1, L"Результат", LVCFMT_LEFT, 100);
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
}

void CResultsList::AddRows(std::vector<Row>&& rows) {
  if (rows.empty()) return;
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
}

std::vector<std::pair<std::wstring, std::wstring>> CResultsList::ReadRows() const {
  std::vector<std::pair<std::wstring, std::wstring>> rows;
  rows.reserve(m_rows.size());
  for (const Row& r : m_rows) rows.emplace_back(r.object, r.result);
  return rows;
}

void CResultsList::OnGetDispInfo(NMLVDISPINFOW& info) const {
  LVITEMW& item = info.item;
  if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= m_rows.size()) return;
  const Row& r = m_rows[static_cast<size_t>(item.iItem)];
  if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
    const std::wstring& text = item.iSubItem == 0 ? r.object : item.iSubItem == 1 ? r.result : L"";
    ::lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
  }
  if (item.mask & LVIF_IMAGE) item.iImage = r.icon;
}

std::wstring CResultsList::ResultText(int row) const {
  return row >= 0 && static_cast<size_t>(row) < m_rows.size() ? m_rows[static_cast<size_t>(row)].result
                                                             : std::wstring();
}

void CResultsList::SetResultText(int row, const std::wstring& text) {
  if (row < 0 || static_cast<size_t>(row) >= m_rows.size()) return;
  m_rows[static_cast<size_t>(row)].result = text;
  SendMessage(LVM_REDRAWITEMS, static_cast<WPARAM>(row), row);
}

void CResultsList::OnRightClick(HWND owner) {
  const int row = static_cast<int>(SendMessage(LVM_GETSELECTIONMARK));
  std::wstring object, text;
  RowIdentity identity;
  if (row >= 0 && static_cast<size_t>(row) < m_rows.size()) {
    object = m_rows[static_cast<size_t>(row)].object;
    text = m_rows[static_cast<size_t>(row)].result;
    identity = m_rows[static_cast<size_t>(row)].identity;
  }
  m_selected = {row, PathFromText(object), text, identity};
  // Only a row that names a virus has actions; any row has its file's.
  TrackPopupMenuAtCursor(owner, !IsResultText(text) ? IDR_RESULTS_MENU
                                : object.empty()   ? IDR_LIST_MENU
                                                   : IDR_ROW_MENU);
}

void CResultsList::RunAction(UINT command, HWND owner) {
  if (m_selected.index < 0) return;
  for (const MenuAction& a : kMenuActions) {
    if (a.command != command) continue;
    ListResultRows rows(*this);
    MessageBoxQuestions questions(owner);
    // Why a file was left alone goes to a message box.
    ActionContext context{m_state.table, m_state.options, rows,           m_state.sound,
                          questions,     m_state.messages, {}};
    a.action(context, m_selected);
    return;
  }
}

}  // namespace vsk
