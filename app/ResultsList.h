// The results list of the main window (control 1007): its columns, colours
// and the system's small file icons, the rows a scan adds, and the menu of a
// row that names a virus with the six actions on that row. The list is
// virtual (LVS_OWNERDATA): the rows are kept here and the control asks for
// what it shows, so thousands of rows cost little memory.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "app/AppState.h"
#include "engine/actions/Actions.h"
#include "framework/Controls.h"

namespace vsk {

class CResultsList : public CListCtrl {
 public:
  struct Row {
    int row;
    std::wstring object, result;
    int icon;  // in the system's small-icon list
    RowIdentity identity;  // of the file the scan read
  };

  // The actions read the virus table and the options, play through the
  // sound player of `state`.
  explicit CResultsList(AppState& state) : m_state(state) {}

  // Columns, colours, styles and the system's small-icon list.
  void SetUp();
  // Appends `rows` (numbered on from the last) with one repaint for them all.
  void AddRows(std::vector<Row>&& rows);
  void Clear();
  // Object and result of every row, in order.
  std::vector<std::pair<std::wstring, std::wstring>> ReadRows() const;
  // The control's question for a row's text or icon (LVN_GETDISPINFO).
  void OnGetDispInfo(NMLVDISPINFOW& info) const;
  // Column 1 of a row; an unknown row reads as empty and is not written.
  std::wstring ResultText(int row) const;
  void SetResultText(int row, const std::wstring& text);

  // A right click: captures the row of the selection mark (none: -1) and
  // tracks its menu, whose command goes to `owner`: the actions when it
  // names a virus, else its file's commands (the list's, for no row).
  void OnRightClick(HWND owner);
  // Menu commands ID_CURE_OR_DELETE to ID_MOVE_TO_QUARANTINE on the row
  // captured by the last right click; questions are owned by `owner`.
  void RunAction(UINT command, HWND owner);
  // The row of the last right click, for its file's commands.
  const CapturedRow& Captured() const { return m_selected; }

 private:
  AppState& m_state;
  CImageList m_systemIcons;
  std::vector<Row> m_rows;
  CapturedRow m_selected;
};

}  // namespace vsk
