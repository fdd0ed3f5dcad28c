// The main window: a modal dialog with a cut outline, eight image buttons,
// the results list, a progress bar and a status line.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/Actions.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "controls/ImageButton.h"
#include "engine/ScanRun.h"

namespace vsk {

inline constexpr wchar_t kFinishScanFirst[] =
    L"Сначала завершите проверку.\nЭто можно сделать нажав на кнопку \"Остановить\"";
inline constexpr wchar_t kShapeText[] = L"V i r e s k a n d";
inline constexpr wchar_t kShapeFace[] = L"Vampire95";
inline constexpr UINT kTrayMessage = 0x40A;
inline constexpr UINT_PTR kIconTimer = 1;
inline constexpr wchar_t kChooseFolderTitle[] = L"Выберите каталог для проверки";
inline constexpr wchar_t kNoPathToScan[] = L"Выберите путь для проверки!";
inline constexpr wchar_t kAskStopScan[] = L"Вы действительно хотите прервать проверку?";
inline constexpr wchar_t kStopCaption[] = L"Сообщение";
// Runs the std::function<void()> at lParam on the window's thread.
inline constexpr UINT kCallOnWindowThread = WM_APP + 1;
inline constexpr UINT kStartStartupScan = WM_APP + 2;
// Applies what the scan worker has queued for the window.
inline constexpr UINT kApplyScanUpdates = WM_APP + 3;

class WindowScanView;

class CMainDialog : public CDialog {
 public:
  explicit CMainDialog(CWnd* parent = nullptr);
  ~CMainDialog() override;

  BOOL PreTranslateMessage(MSG* msg) override;

  // A folder given on the command line: scanned as soon as the window is up.
  void SetStartupFolder(std::wstring folder) { m_startupFolder = std::move(folder); }
  // Starts a run over `folder` as if it had been chosen in the folder
  // chooser, once the worker of a previous run has ended.
  void StartScan(const std::wstring& folder);
  // Clears the running flag and waits for the worker to end, serving its
  // calls to the window meanwhile. Once the window is gone, the run ends
  // with its walk (Escape closes the window even during a scan).
  void FinishScanWorker();
  HANDLE ScanThread() const { return m_scanThread; }

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
  void OnSettings();
  void OnHelp();
  void OnAbout();
  void OnDatabase();
  void OnExit();
  void OnRestoreFromTray();
  void OnScan();
  void OnResultsRightClick(NMHDR* header, LRESULT* result);
  void OnCureOrDelete();
  void OnCureOrRename();
  void OnCureOrMove();
  void OnDeleteInfected();
  void OnRenameInfected();
  void OnMoveToQuarantine();
  LRESULT OnCallOnWindowThread(WPARAM, LPARAM);
  LRESULT OnApplyScanUpdates(WPARAM, LPARAM);
  LRESULT OnStartStartupScan(WPARAM, LPARAM);

 private:
  void CutWindowShape();
  void SetUpButtons();
  void SetUpResultsList();
  void AddTrayIcon();
  void RemoveTrayIcon();
  void CoverCaption();
  friend class WindowScanView;
  // The walk's rows, progress and current file, waiting for the window's
  // thread; only the newest progress and file are kept.
  struct ScanUpdates {
    struct Row {
      int row;
      std::wstring object, result;
      int icon;
    };
    std::vector<Row> rows;
    std::optional<int> progress;
    std::optional<std::wstring> status;
    bool posted = false;
  };
  // From the worker: changes the queue and posts one message to apply it
  // unless one is already on its way.
  void QueueScanUpdate(const std::function<void(ScanUpdates&)>& change);
  void ApplyScanUpdates();
  void ShowScanningLook();
  void ShowIdleLook();
  void AskToStop();
  void WaitForScanWorker();
  void RunAction(void (*action)(ActionContext&, const CapturedRow&));
  // From the worker: runs `fn` on the window's thread and returns after it.
  void CallOnWindowThread(const std::function<void()>& fn);
  static unsigned __stdcall ScanWorker(void* dialog);
  static LRESULT CALLBACK FrameProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

  CProgressCtrl m_progress;
  CImageButton m_scanButton;
  CImageButton m_settingsButton;
  CImageButton m_databaseButton;
  CImageButton m_helpButton;
  CImageButton m_aboutButton;
  CImageButton m_exitButton;
  CImageButton m_exitSmallButton;
  CImageButton m_minimizeButton;
  CListCtrl m_results;
  CImageList m_iconFrames;
  int m_frame = -1;
  int m_frameCount = 0;
  HICON m_currentIcon = nullptr;
  HACCEL m_accelerators = nullptr;
  CToolTipCtrl m_toolTips;
  HANDLE m_scanThread = nullptr;
  bool m_waitingForWorker = false;
  // Set when the window has closed under a running scan.
  std::atomic<bool> m_closed{false};
  std::mutex m_updatesMutex;
  ScanUpdates m_updates;
  std::wstring m_scanFolder;
  std::wstring m_startupFolder;
  ScanCounters m_counters;
  CapturedRow m_selected;
  CImageList m_systemIcons;
  HICON m_bigIcon = nullptr;
  NOTIFYICONDATAW m_trayIcon{};
  int32_t m_fileIconIndex = 0;
};

}  // namespace vsk
