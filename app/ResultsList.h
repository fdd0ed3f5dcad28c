// The results list of the main window (control 1007): its columns, colours
// and the system's small file icons (a program's own looked up once its
// row is shown, see RowIcons.h), the rows a scan adds, how a row is
// drawn (a long path shortened in its middle, infected rows marked) with
// its full path as a tooltip, and the menu of the rows a right click takes
// with the six actions on them. The list is virtual (LVS_OWNERDATA): the
// rows are kept here and the control asks for what it shows, so thousands
// of rows cost little memory.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/AppState.h"
#include "app/RowIcons.h"
#include "engine/actions/Actions.h"
#include "framework/Controls.h"

namespace vsk {

class CResultsList : public CListCtrl {
 public:
  struct Row {
    int row;
    std::wstring object, result;
    int icon;  // the type's, in the system's small-icon list
    RowIdentity identity;  // of the file the scan read
    // Its type carries an icon of its own, looked up once the row is shown.
    bool ownIcon = false;
  };

  // The actions read the virus table and the options, play through the
  // sound player of `state`.
  explicit CResultsList(AppState& state) : m_state(state) {}

  // Columns (as wide as the profile kept them), colours, styles, the
  // system's small-icon list and the path tooltip.
  void SetUp();
  // Appends `rows` (numbered on from the last) with one repaint for them all.
  void AddRows(std::vector<Row>&& rows);
  void Clear();
  // Object and result of every row, in order.
  std::vector<std::pair<std::wstring, std::wstring>> ReadRows() const;
  // The control's question for a row's text or icon (LVN_GETDISPINFO).
  void OnGetDispInfo(NMLVDISPINFOW& info);
  // Column 1 of a row; an unknown row reads as empty and is not written.
  std::wstring ResultText(int row) const;
  void SetResultText(int row, const std::wstring& text);

  // NM_CUSTOMDRAW: infected rows in their own colours, column 0 drawn with
  // the path shortened in its middle so that the file name stays.
  LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);

  // A right click on row `hit` (-1: none), or on the row the right button
  // went down on when the list saw it go down. A row outside the selection
  // becomes the selection alone; then every selected row that names a virus
  // is taken, and when there is one the actions' menu is tracked, else the
  // row's (or, below the rows, the list's) file commands; commands go to
  // `owner`.
  void OnRightClick(HWND owner, int hit);
  // Menu commands ID_CURE_OR_DELETE to ID_MOVE_TO_QUARANTINE on the rows
  // the last right click took; questions and messages are owned by `owner`.
  void RunAction(UINT command, HWND owner);
  // The row of the last right click, for its file's commands.
  const CapturedRow& Captured() const { return m_clicked; }
  // The paths of the rows the last right click took (every selected one),
  // a line each, for the clipboard.
  std::wstring SelectedPathsText() const;
  const CRowIcons* Icons() const { return m_icons ? &*m_icons : nullptr; }

 protected:
  // Notes where the right button goes down; Ctrl+A selects every row;
  // the mouse goes to the path tip.
  LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l) override;
  // Keeps the column widths the user gave in the profile.
  void OnDestroy() override;

 private:
  void SetUpColumns();
  std::wstring ColumnWidths() const;
  const Row* RowAt(int row) const;
  // The icon row `row` shows, its own asked for when it carries one.
  int IconOf(int row);
  int RowAtPoint(CPoint point) const;
  void ShowTipFor(int row);
  void DrawObjectCell(const NMLVCUSTOMDRAW& draw, const Row& row, bool infected);

  AppState& m_state;
  CImageList m_systemIcons;
  std::vector<Row> m_rows;
  std::optional<CRowIcons> m_icons;
  std::vector<CapturedRow> m_selected;
  std::vector<std::wstring> m_selectedObjects;
  CapturedRow m_clicked;
  // The full path of the row under the pointer.
  CToolTipCtrl m_pathTip;
  int m_tipRow = -1;
  // The row under the pointer as the right button went down (-2: not
  // seen). The list may scroll a row it selects into view before it tells
  // of the click, and then names the row that has come under the pointer.
  int m_pressedRow = -2;
  std::wstring m_initialColumns;
};

// "w0,w1" as the profile keeps the two column widths; false unless both
// are plausible widths.
bool ParseColumnWidths(const std::wstring& text, int& object, int& result);

}  // namespace vsk
