#include "app/ScanSession.h"

#include <objbase.h>
#include <process.h>
#include <shellapi.h>

#include <cwctype>
#include <unordered_map>

#include "app/SummaryDialog.h"
#include "engine/containers/ArchiveSearch.h"
#include "engine/scan/ScanRun.h"
#include "engine/text/Encoding.h"

namespace vsk {
namespace {

constexpr wchar_t kWaitingForEarlierRun[] = L"Подождите, завершается предыдущая проверка...";
constexpr UINT_PTR kApplyTimer = 0x5CA1;
constexpr UINT kApplyMilliseconds = 50;

void CALLBACK ApplyOnTimer(HWND window, UINT, UINT_PTR, DWORD) {
  ::SendMessageW(window, kApplyScanUpdates, 0, 0);
}

}  // namespace

// The worker's view of the window: every call runs on the window's thread,
// so the controls have one thread only.
class WindowScanView : public IScanView {
 public:
  explicit WindowScanView(CScanSession& session) : m_session(session) {}

  // Rows, progress and the current file are queued: the window applies
  // what has gathered in one go, so a fast walk is not held up by painting.
  void InsertRow(int row, const std::filesystem::path& path, const std::wstring& result,
                 const RowIdentity& identity) override {
    const std::wstring type = TypeOf(path);
    const int icon = TypeIcon(type);
    m_session.QueueUpdate([&](CScanSession::Updates& u) {
      u.rows.push_back({row, PathText(path), result, icon, identity, CarriesOwnIcon(type)});
      // An archive's row: the status line names the member (the row keeps
      // it in identity.inside for its tooltip).
      if (!identity.inside.empty()) u.status = PathText(path) + kLevelSeparator + identity.inside;
    });
  }
  void SetProgress(int position) override {
    m_session.QueueUpdate([&](CScanSession::Updates& u) { u.progress = position; });
  }
  void SetStatus(const std::filesystem::path& current) override {
    m_session.QueueUpdate([&](CScanSession::Updates& u) { u.status = PathText(current); });
  }
  // Into the queued text's own buffer: no path is built per file.
  void SetStatusEntry(const os::NativeName& folder, const os::NativeChar* name) override {
    m_session.QueueUpdate([&](CScanSession::Updates& u) {
      if (!u.status) u.status.emplace();
      u.status->assign(folder).append(name);
    });
  }
  void ShowStatusText(const std::wstring& text) override {
    m_session.CallOnWindowThread([&] { m_session.SetStatus(text); });
  }
  void SetProgressRange(int files) override {
    m_session.CallOnWindowThread([&] { m_session.m_controls.progress.SetRange32(0, files); });
  }
  void ShowIdleLook() override {
    m_session.CallOnWindowThread([&] { m_session.m_controls.showLook(ScanLook::Idle); });
  }
  void ShowSummary(const ScanCounters& counters) override {
    m_session.CallOnWindowThread([&] {
      CSummaryDialog summary(&m_session.m_controls.dialog);
      summary.ShowSummary(static_cast<uint32_t>(counters.filesChecked),
                          static_cast<uint32_t>(counters.virusesFound),
                          static_cast<uint32_t>(counters.scanSeconds));
    });
  }
  bool Closed() override { return m_session.m_closed.load(); }
  // The report reads the list once, in one call to the window.
  int RowCount() override {
    if (!m_haveRows) m_session.CallOnWindowThread([&] { m_rows = m_session.m_controls.results.ReadRows(); });
    m_haveRows = true;
    return static_cast<int>(m_rows.size());
  }
  std::wstring RowText(int row, int column) override {
    return column == 0 ? m_rows[row].first : m_rows[row].second;
  }

 private:
  static std::wstring TypeOf(const std::filesystem::path& path) {
    std::wstring type = path.extension().native();
    for (wchar_t& c : type) c = static_cast<wchar_t>(::towlower(c));
    return type;
  }
  // The system's small icon of a type, once per extension, by name alone:
  // asking the shell about each file costs milliseconds under Wine. The
  // list looks up a file's own icon when its row is shown.
  int TypeIcon(const std::wstring& type) {
    const auto [it, added] = m_icons.try_emplace(type, 0);
    if (added) {
      SHFILEINFOW info{};
      if (::SHGetFileInfoW((L"file" + type).c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof(info),
                           SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES))
        it->second = info.iIcon;
    }
    return it->second;
  }
  // The types that carry an icon of their own. Not shortcuts: the shell
  // would fetch the icon a shortcut names, which may lie on another
  // computer, so that a planted shortcut makes the list reach out to it.
  static bool CarriesOwnIcon(const std::wstring& type) {
    for (const wchar_t* own : {L".exe", L".ico", L".cur", L".ani", L".scr"})
      if (type == own) return true;
    return false;
  }

  CScanSession& m_session;
  std::unordered_map<std::wstring, int> m_icons;  // the worker's own
  bool m_haveRows = false;
  std::vector<std::pair<std::wstring, std::wstring>> m_rows;
};

void CScanSession::Start(const std::wstring& folder) {
  if (WorkerAlive()) {
    m_pending = folder;
    SetStatus(kWaitingForEarlierRun);
    return;
  }
  Begin(folder);
}

// By value: the folder may be the pending one, which is cleared here.
void CScanSession::Begin(std::wstring folder) {
  CloseThread();
  m_pending.reset();
  m_folder = std::move(folder);
  m_controls.results.Clear();
  m_controls.showLook(ScanLook::Scanning);
  m_state.scan.Start();
  m_closed = false;
  m_hwnd = m_controls.dialog.m_hWnd;
  {
    std::lock_guard lock(m_updatesMutex);
    m_updates = {};
  }
  ++m_run;
  const auto thread = ::_beginthreadex(nullptr, 0, &CScanSession::Worker, this, CREATE_SUSPENDED,
                                       nullptr);
  if (!thread) {
    m_state.scan.Stop();
    m_controls.showLook(ScanLook::Idle);
    return;
  }
  m_thread = reinterpret_cast<HANDLE>(thread);
  StartApplyTimer();
  ::SetThreadPriority(m_thread, WorkerThreadPriority(m_state.options.Priority));
  ::ResumeThread(m_thread);
}

void CScanSession::StartApplyTimer() { ::SetTimer(m_hwnd, kApplyTimer, kApplyMilliseconds, &ApplyOnTimer); }

void CScanSession::StopApplyTimer() {
  ::KillTimer(m_hwnd, kApplyTimer);
  ApplyUpdates();
}

unsigned __stdcall CScanSession::Worker(void* session) {
  auto& s = *static_cast<CScanSession*>(session);
  // Neither changes while this worker lives.
  const unsigned run = s.m_run;
  const HWND window = s.m_hwnd;
  // The types' icons come from the shell.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    WindowScanView view(s);
    ScanRunContext context{s.m_state.options, s.m_state.table, s.m_state.scan, s.m_counters,
                           s.m_state.sound};
    // A bare report name lies in the data folder, wherever the working
    // folder has gone since start-up.
    context.reportPath = s.m_state.dataFolder / PathFromText(s.m_state.options.ReportFileName);
    // A report that cannot be written is not shown, as the run ends anyway.
    RunScan(context, view, PathFromText(s.m_folder), s.m_folder);
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  ::PostMessageW(window, kScanWorkerEnded, run, 0);
  return 0;
}

bool CScanSession::WorkerAlive() const {
  return m_thread && ::WaitForSingleObject(m_thread, 0) == WAIT_TIMEOUT;
}

void CScanSession::CloseThread() {
  if (!m_thread) return;
  ::WaitForSingleObject(m_thread, INFINITE);
  ::CloseHandle(m_thread);
  m_thread = nullptr;
}

LRESULT CScanSession::OnWorkerEnded(WPARAM run) {
  // A run started since has a worker of its own.
  if (run != m_run || !m_thread) return 0;
  CloseThread();
  StopApplyTimer();
  if (m_pending) {
    Begin(*m_pending);
    return 0;
  }
  // The end sequence gave the idle look already, unless a stop question
  // was still standing when it ran. The worker has left its counters.
  m_controls.showLook(ScanLook::Idle);
  SetStatus(StatusAfterRun(m_counters));
  return 0;
}

void CScanSession::Finish() {
  m_pending.reset();
  if (!m_thread) return;
  m_closed = !::IsWindow(m_hwnd);
  m_state.scan.Stop();
  // Only the worker's calls are served meanwhile (and the summary box, which
  // is one of them); input waits in the queue.
  while (::MsgWaitForMultipleObjects(1, &m_thread, FALSE, INFINITE, QS_SENDMESSAGE) ==
         WAIT_OBJECT_0 + 1) {
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  CloseThread();
  if (!m_closed) StopApplyTimer();
}

void CScanSession::AskToStop() {
  ScanControl& scan = m_state.scan;
  // The walk waits at its next file while the question stands.
  scan.Pause();
  const int answer = ::MessageBoxW(m_controls.dialog.m_hWnd, kAskStopScan, kStopCaption,
                                   MB_OKCANCEL | MB_ICONQUESTION);
  // A run that ended while the question stood has given the idle look.
  if (answer != IDOK || !scan.IsRunning()) {
    scan.Resume();
    return;
  }
  // Stopping also ends the pause, so the walk takes no further file, and the
  // file being read ends at its next piece. The window shows the run as
  // stopping until the worker's end sequence gives it the idle look.
  scan.Stop();
  m_controls.showLook(ScanLook::Stopping);
}

void CScanSession::CallOnWindowThread(const std::function<void()>& fn) {
  ::SendMessageW(m_hwnd, kCallOnWindowThread, 0, reinterpret_cast<LPARAM>(&fn));
}

LRESULT CScanSession::OnCallOnWindowThread(LPARAM l) {
  // What the walk queued comes first.
  ApplyUpdates();
  (*reinterpret_cast<const std::function<void()>*>(l))();
  return 0;
}

void CScanSession::QueueUpdate(const std::function<void(Updates&)>& change) {
  std::lock_guard lock(m_updatesMutex);
  change(m_updates);
}

LRESULT CScanSession::OnApplyUpdates() {
  ApplyUpdates();
  return 0;
}

void CScanSession::ApplyUpdates() {
  Updates taken;
  {
    std::lock_guard lock(m_updatesMutex);
    taken = std::move(m_updates);
    m_updates = {};
  }
  m_controls.results.AddRows(std::move(taken.rows));
  if (taken.progress) m_controls.progress.SetPos(*taken.progress);
  if (taken.status) SetStatus(*taken.status);
}

}  // namespace vsk
