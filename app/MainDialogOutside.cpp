// The main window's dealings with what comes from outside it: folders and
// files dropped on it, a path handed over by a second start, and the
// commands that open the quarantine or show a row's file elsewhere.
#include "app/FileCommands.h"
#include "app/HandOff.h"
#include "app/MainDialog.h"
#include "app/QuarantineDialog.h"
#include "app/SingleInstance.h"
#include "engine/text/Encoding.h"
#include "framework/App.h"
#include "res/resource.h"

namespace vsk {

void CMainDialog::AcceptPathsFromOutside() {
  ::DragAcceptFiles(m_hWnd, TRUE);
  if (CSingleInstance* instance = CSingleInstance::Current()) instance->Register(m_hWnd);
}

namespace {

// Its own id: the window's other timers are 1 and the scan session's.
constexpr UINT_PTR kOutsideScanTimer = 0x5653;

// While a box or dialog of the window is open the window is disabled, and
// the settings or the database may be changing: the scan waits for it to
// close. Through the start-up scan's checks, and posted, so that a second
// start's call returns before any message box of the check.
void CALLBACK StartWhenFree(HWND window, UINT, UINT_PTR id, DWORD) {
  if (!::IsWindowEnabled(window)) return;
  ::KillTimer(window, id);
  ::PostMessageW(window, kStartStartupScan, 0, 0);
}

}  // namespace

void CMainDialog::ScanFromOutside(const std::wstring& path) {
  SetStartupPath(path);
  ::SetTimer(m_hWnd, kOutsideScanTimer, 100, &StartWhenFree);
}

LRESULT CMainDialog::OnDropFiles(WPARAM w, LPARAM) {
  const std::vector<std::wstring> paths = TakeDroppedPaths(reinterpret_cast<HDROP>(w));
  if (paths.empty()) return 0;
  if (m_state.scan.IsRunning()) {
    AfxMessageBox(kFinishScanFirst, MB_OK);
    return 0;
  }
  if (paths.size() != 1) {
    AfxMessageBox(kDropOneItem, MB_OK);
    return 0;
  }
  ScanFromOutside(paths.front());
  return 0;
}

// A running scan keeps the handed path until it has ended (CScanSession
// keeps a start that comes while a worker lives).
LRESULT CMainDialog::OnCopyData(WPARAM, LPARAM l) {
  const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(l);
  std::wstring path;
  if (!data || !ReadHandedPath(data->dwData, data->lpData, data->cbData, path)) return FALSE;
  if (!IsWindowVisible()) OnRestoreFromTray();
  if (IsIconic()) ShowWindow(SW_RESTORE);
  ::SetForegroundWindow(m_hWnd);
  ScanFromOutside(path);
  return TRUE;
}

void CMainDialog::OnQuarantine() {
  PlayIfOn(m_state.options, m_state.sound, wave::kClick);
  CQuarantineDialog dlg(m_state.dataFolder, m_state.options, m_state.sound, this);
  dlg.DoModal();
}

void CMainDialog::OnRowFileCommand(UINT command) {
  const CapturedRow& row = m_results.Captured();
  if (row.index < 0 || row.path.empty()) return;
  if (command == ID_OPEN_FOLDER)
    ShowInFolder(row.path);
  else
    CopyToClipboard(m_hWnd, m_results.SelectedPathsText());
}

}  // namespace vsk
