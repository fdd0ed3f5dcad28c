// A scan run from the main window: the worker thread at the priority the
// options ask for, the queue that carries the walk's rows, progress and
// current file to the window, the calls the worker makes on the window's
// thread, and start, stop, wait and finish.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/ResultsList.h"
#include "engine/scan/FolderWalk.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"

namespace vsk {

// Messages of the main window that it passes on to its session.
// lParam: a std::function<void()> to run on the window's thread.
inline constexpr UINT kCallOnWindowThread = WM_APP + 1;
// Applies what the walk queued; sent by a timer while a worker lives.
inline constexpr UINT kApplyScanUpdates = WM_APP + 3;
// The worker's last word; wParam: the number of its run.
inline constexpr UINT kScanWorkerEnded = WM_APP + 4;

inline constexpr wchar_t kAskStopScan[] = L"Вы действительно хотите прервать проверку?";
inline constexpr wchar_t kStopCaption[] = L"Сообщение";

// The looks a run gives the main window: idle, scanning, and stopping (a
// stop is confirmed; the worker has yet to reach its end sequence).
enum class ScanLook { Idle, Scanning, Stopping };

class CScanSession {
 public:
  // The main window's controls a run shows itself in. `dialog` owns the
  // summary box and receives the messages above.
  struct Controls {
    CDialog& dialog;
    CResultsList& results;
    CProgressCtrl& progress;
    int statusId;
    std::function<void(ScanLook)> showLook;
  };

  CScanSession(AppState& state, Controls controls) : m_state(state), m_controls(std::move(controls)) {}
  CScanSession(const CScanSession&) = delete;
  CScanSession& operator=(const CScanSession&) = delete;
  ~CScanSession() { Finish(); }

  // Starts a run over `folder`, or over one file. While the worker of an
  // earlier run is still ending, the start is kept until it has ended: the
  // window goes on meanwhile, and that run's summary and report read its
  // own rows.
  void Start(const std::wstring& folder);
  // Asks whether to stop, the walk waiting at its next file meanwhile; on
  // OK clears the running flag and shows the stopping look.
  void AskToStop();
  // From the start of a worker until it has returned. The worker reads the
  // options and the virus table that long.
  bool WorkerAlive() const;
  // Clears the running flag and waits for the worker to end, serving its
  // calls to the window meanwhile. Once the window is gone the run ends
  // with its walk: no sound, summary or report.
  void Finish();
  HANDLE Thread() const { return m_thread; }

  LRESULT OnCallOnWindowThread(LPARAM l);
  LRESULT OnApplyUpdates();
  LRESULT OnWorkerEnded(WPARAM run);

 private:
  friend class WindowScanView;
  // The walk's rows, progress and current file, waiting for the window's
  // thread; only the newest progress and file are kept.
  struct Updates {
    std::vector<CResultsList::Row> rows;
    std::optional<int> progress;
    std::optional<std::wstring> status;
  };

  void Begin(std::wstring folder);
  void CloseThread();
  void SetStatus(const std::wstring& text) { m_controls.dialog.SetDlgItemText(m_controls.statusId, text); }
  // From the worker: changes the queue, which the window applies a few
  // times a second (a message per file costs more than the file under Wine)
  // and before every call the worker makes to it.
  void QueueUpdate(const std::function<void(Updates&)>& change);
  void StartApplyTimer();
  void StopApplyTimer();
  void ApplyUpdates();
  // From the worker: runs `fn` on the window's thread and returns after it;
  // once the window is gone the call is dropped.
  void CallOnWindowThread(const std::function<void()>& fn);
  static unsigned __stdcall Worker(void* session);

  AppState& m_state;
  Controls m_controls;
  // The window's handle as the run started, for the worker's messages.
  HWND m_hwnd = nullptr;
  HANDLE m_thread = nullptr;
  unsigned m_run = 0;
  std::wstring m_folder;
  std::optional<std::wstring> m_pending;
  ScanCounters m_counters;
  // Set when the window has closed under a running worker.
  std::atomic<bool> m_closed{false};
  std::mutex m_updatesMutex;
  Updates m_updates;
};

}  // namespace vsk
