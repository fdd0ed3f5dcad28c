// The main window: a modal dialog with a cut outline, eight image buttons,
// the results list, a progress bar and a status line. It starts up, routes
// every command, opens the other dialogs, shows the looks of a scan run and
// exits; the run, the list, the outline and the tray icon are parts of
// their own.
#pragma once

#include <windows.h>

#include <string>

#include "app/AppState.h"
#include "app/ResultsList.h"
#include "app/ScanSession.h"
#include "app/TrayIcon.h"
#include "controls/ImageButton.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"

namespace vsk {

inline constexpr wchar_t kFinishScanFirst[] =
    L"Сначала завершите проверку.\nЭто можно сделать нажав на кнопку \"Остановить\"";
inline constexpr wchar_t kChooseFolderTitle[] = L"Выберите каталог для проверки";
inline constexpr wchar_t kNoPathToScan[] = L"Выберите путь для проверки!";
inline constexpr wchar_t kStoppingStatus[] = L"Проверка останавливается...";
inline constexpr wchar_t kWaitForScanEnd[] = L"Дождитесь окончания проверки";
inline constexpr UINT_PTR kIconTimer = 1;
inline constexpr UINT kStartStartupScan = WM_APP + 2;

class CMainDialog : public CDialog {
 public:
  explicit CMainDialog(AppState& state, CWnd* parent = nullptr);
  ~CMainDialog() override;

  BOOL PreTranslateMessage(MSG* msg) override;

  // A folder or a file given on the command line: scanned as soon as the
  // window is up.
  void SetStartupPath(std::wstring path) { m_startupPath = std::move(path); }
  // Starts a run over `folder` as if it had been chosen in the folder
  // chooser (once the worker of a previous run has ended).
  void StartScan(const std::wstring& folder) { m_session.Start(folder); }
  // Ends the run with the window: see CScanSession::Finish.
  void FinishScanWorker() { m_session.Finish(); }
  HANDLE ScanThread() const { return m_session.Thread(); }

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  // Enter never closes the window.
  void OnOK() override {}

  const MessageMap* GetMessageMap() const override;
  void OnPaint() override;
  void OnTimer(UINT_PTR id) override;
  void OnLButtonDown(UINT flags, CPoint point) override;

  LRESULT OnQueryDragIcon(WPARAM, LPARAM);
  LRESULT OnTrayNotify(WPARAM, LPARAM);
  void OnMinimize();
  void OnRestoreFromTray();
  void OnSettings();
  void OnHelp();
  void OnAbout();
  void OnDatabase();
  void OnExit();
  void OnScan();
  LRESULT OnStartStartupScan(WPARAM, LPARAM);
  void OnResultsRightClick(NMHDR* header, LRESULT* result);
  void OnResultsDispInfo(NMHDR* header, LRESULT* result);
  void OnResultsCustomDraw(NMHDR* header, LRESULT* result);
  void OnResultsInfoTip(NMHDR* header, LRESULT* result);
  void OnResultAction(UINT command);
  LRESULT OnCallOnWindowThread(WPARAM, LPARAM l) { return m_session.OnCallOnWindowThread(l); }
  LRESULT OnApplyScanUpdates(WPARAM, LPARAM) { return m_session.OnApplyUpdates(); }
  LRESULT OnScanWorkerEnded(WPARAM w, LPARAM) { return m_session.OnWorkerEnded(w); }
  // MainDialogOutside.cpp: paths from outside the window (a drop, a second
  // start), the quarantine, and a row's folder and path.
  void AcceptPathsFromOutside();
  LRESULT OnDropFiles(WPARAM, LPARAM);
  LRESULT OnCopyData(WPARAM, LPARAM);
  void ScanFromOutside(const std::wstring& path);
  void OnQuarantine();
  void OnRowFileCommand(UINT command);

 private:
  void SetUpToolTips();
  void SetUpButtons();
  void ShowLook(ScanLook look);
  void ShowIdleLook();
  void ShowScanningLook();
  // True, with the reason in the status line, while a worker lives.
  bool RefusedUntilWorkerEnds(bool click);

  AppState& m_state;
  CProgressCtrl m_progress;
  CImageButton m_scanButton;
  CImageButton m_settingsButton;
  CImageButton m_databaseButton;
  CImageButton m_helpButton;
  CImageButton m_aboutButton;
  CImageButton m_exitButton;
  CImageButton m_exitSmallButton;
  CImageButton m_minimizeButton;
  CResultsList m_results{m_state};
  CImageList m_iconFrames;
  int m_frame = -1;
  int m_frameCount = 0;
  HICON m_currentIcon = nullptr;
  HACCEL m_accelerators = nullptr;
  CToolTipCtrl m_toolTips;
  HICON m_bigIcon = nullptr;
  CTrayIcon m_trayIcon;
  std::wstring m_startupPath;
  // Last: its worker is done with the controls before they go.
  CScanSession m_session;
};

}  // namespace vsk
