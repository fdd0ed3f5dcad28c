#include "app/MainDialog.h"

#include <process.h>
#include <shlobj.h>

#include <filesystem>
#include <system_error>

#include "dialogs/AboutDialog.h"
#include "dialogs/DatabaseDialog.h"
#include "app/HelpDialog.h"
#include "app/SettingsDialog.h"
#include "app/SummaryDialog.h"
#include "engine/Text1251.h"
#include "app/Tray.h"

#include "framework/App.h"
#include "app/AppState.h"
#include "framework/Gdi.h"
#include "res/resource.h"

namespace vsk {
namespace {

constexpr COLORREF kButtonFace = RGB(0, 255, 0);
constexpr COLORREF kCaption = RGB(0, 128, 0);
constexpr COLORREF kCaptionHot = RGB(255, 0, 0);
constexpr COLORREF kListBack = RGB(255, 255, 204);

struct LargeButton {
  CImageButton CMainDialog::*button;
  int hot, normal;
};

// Column 1 of the results list, for the actions.
class ListResultRows : public IResultRows {
 public:
  explicit ListResultRows(CListCtrl& list) : list_(list) {}
  std::wstring GetText(int row) override { return list_.GetItemText(row, 1); }
  void SetText(int row, const std::wstring& text) override { list_.SetItemText(row, 1, text); }

 private:
  CListCtrl& list_;
};

class MessageBoxQuestions : public IQuestions {
 public:
  explicit MessageBoxQuestions(HWND owner) : owner_(owner) {}
  bool AskOkCancel(const std::wstring& text, const std::wstring& caption) override {
    return ::MessageBoxW(owner_, text.c_str(), caption.c_str(), MB_OKCANCEL | MB_ICONEXCLAMATION) ==
           IDOK;
  }

 private:
  HWND owner_;
};

}  // namespace

// The worker's view of the window: every call runs on the window's thread,
// so the controls and the buttons' state have one thread only.
class WindowScanView : public IScanView {
 public:
  explicit WindowScanView(CMainDialog& dlg) : dlg_(dlg) {}

  // Rows, progress and the current file are queued: the window applies
  // what has gathered in one go, so a fast walk is not held up by painting.
  void InsertRow(int row, const std::filesystem::path& path, const std::wstring& result) override {
    // The system's icon for the file, looked up on the worker's thread.
    SHFILEINFOW info{};
    const int icon = ::SHGetFileInfoW(path.c_str(), 0, &info, sizeof(info),
                                      SHGFI_SYSICONINDEX | SHGFI_SMALLICON)
                         ? info.iIcon
                         : 0;
    dlg_.QueueScanUpdate([&](CMainDialog::ScanUpdates& u) {
      u.rows.push_back({row, PathText(path), result, icon});
    });
  }
  void SetProgress(int position) override {
    dlg_.QueueScanUpdate([&](CMainDialog::ScanUpdates& u) { u.progress = position; });
  }
  void SetStatus(const std::filesystem::path& current) override {
    dlg_.QueueScanUpdate([&](CMainDialog::ScanUpdates& u) { u.status = PathText(current); });
  }
  void ShowStatusText(const std::wstring& text) override {
    dlg_.CallOnWindowThread([&] { dlg_.SetDlgItemText(IDC_STATUS, text); });
  }
  void SetProgressRange(int files) override {
    dlg_.CallOnWindowThread([&] { dlg_.m_progress.SetRange32(0, files); });
  }
  void ShowIdleLook() override {
    dlg_.CallOnWindowThread([&] { dlg_.ShowIdleLook(); });
  }
  void ShowSummary(const ScanCounters& counters) override {
    dlg_.CallOnWindowThread([&] {
      CSummaryDialog summary(&dlg_);
      summary.ShowSummary(static_cast<uint32_t>(counters.filesChecked),
                          static_cast<uint32_t>(counters.virusesFound),
                          static_cast<uint32_t>(counters.scanSeconds));
    });
  }
  bool Closed() override { return dlg_.m_closed.load(); }
  // The report reads the list once, in one call to the window.
  int RowCount() override {
    if (!haveRows_)
      dlg_.CallOnWindowThread([&] {
        const int count = dlg_.m_results.GetItemCount();
        for (int i = 0; i < count; ++i)
          rows_.push_back({dlg_.m_results.GetItemText(i, 0), dlg_.m_results.GetItemText(i, 1)});
      });
    haveRows_ = true;
    return static_cast<int>(rows_.size());
  }
  std::wstring RowText(int row, int column) override {
    return column == 0 ? rows_[row].first : rows_[row].second;
  }

 private:
  CMainDialog& dlg_;
  bool haveRows_ = false;
  std::vector<std::pair<std::wstring, std::wstring>> rows_;
};

CMainDialog::CMainDialog(CWnd* parent) : CDialog(IDD_MAIN_DIALOG, parent) {}

CMainDialog::~CMainDialog() {
  FinishScanWorker();
  if (m_currentIcon) ::DestroyIcon(m_currentIcon);
}

void CMainDialog::DoDataExchange(CDataExchange* dx) {
  DDX_Control(dx, IDC_PROGRESS, m_progress);
  DDX_Control(dx, IDC_SCAN, m_scanButton);
  DDX_Control(dx, IDC_SETTINGS, m_settingsButton);
  DDX_Control(dx, IDC_DATABASE, m_databaseButton);
  DDX_Control(dx, IDC_HELP_BUTTON, m_helpButton);
  DDX_Control(dx, IDC_ABOUT, m_aboutButton);
  DDX_Control(dx, IDC_EXIT, m_exitButton);
  DDX_Control(dx, IDC_EXIT_SMALL, m_exitSmallButton);
  DDX_Control(dx, IDC_MINIMIZE, m_minimizeButton);
  DDX_Control(dx, IDC_RESULTS, m_results);
}

const MessageMap* CMainDialog::GetMessageMap() const {
  static const MapEntry entries[] = {
      OnMessageEntry(WM_QUERYDRAGICON, &CMainDialog::OnQueryDragIcon),
      OnCommandEntry(IDC_MINIMIZE, &CMainDialog::OnMinimize),
      OnCommandEntry(IDC_ABOUT, &CMainDialog::OnAbout),
      OnCommandEntry(IDC_DATABASE, &CMainDialog::OnDatabase),
      OnCommandEntry(IDC_SETTINGS, &CMainDialog::OnSettings),
      OnCommandEntry(IDC_HELP_BUTTON, &CMainDialog::OnHelp),
      OnMessageEntry(kTrayMessage, &CMainDialog::OnTrayNotify),
      OnCommandEntry(ID_TRAY_RESTORE, &CMainDialog::OnRestoreFromTray),
      OnCommandEntry(IDC_EXIT, &CMainDialog::OnExit),
      OnCommandEntry(IDC_EXIT_SMALL, &CMainDialog::OnExit),
      OnCommandEntry(IDC_SCAN, &CMainDialog::OnScan),
      OnNotifyEntry(NM_RCLICK, IDC_RESULTS, &CMainDialog::OnResultsRightClick),
      OnCommandEntry(ID_CURE_OR_DELETE, &CMainDialog::OnCureOrDelete),
      OnCommandEntry(ID_CURE_OR_RENAME, &CMainDialog::OnCureOrRename),
      OnCommandEntry(ID_CURE_OR_MOVE, &CMainDialog::OnCureOrMove),
      OnCommandEntry(ID_DELETE_INFECTED, &CMainDialog::OnDeleteInfected),
      OnCommandEntry(ID_RENAME_INFECTED, &CMainDialog::OnRenameInfected),
      OnCommandEntry(ID_MOVE_TO_QUARANTINE, &CMainDialog::OnMoveToQuarantine),
      OnMessageEntry(kCallOnWindowThread, &CMainDialog::OnCallOnWindowThread),
      OnMessageEntry(kApplyScanUpdates, &CMainDialog::OnApplyScanUpdates),
      OnMessageEntry(kStartStartupScan, &CMainDialog::OnStartStartupScan),
  };
  static const MessageMap map{CDialog::GetMessageMap(), entries, std::size(entries)};
  return &map;
}

BOOL CMainDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  HINSTANCE inst = ::GetModuleHandleW(nullptr);

  m_bigIcon = ::LoadIconW(inst, MAKEINTRESOURCEW(IDR_MAINFRAME));
  SetIcon(m_bigIcon, TRUE);
  SetIcon(m_bigIcon, FALSE);

  MainWindowRefs& refs = ThePublishedMainWindow();
  refs = {m_hWnd,           &m_progress,       &m_results, &m_scanButton,
          &m_settingsButton, &m_databaseButton, &m_fileIconIndex};

  Options& options = TheOptions();
  LoadOptions(options, AfxGetApp()->Profile());
  LoadVirusTable(TheVirusTable(), TheMessageSink());

  PlayIfOn(options, TheSoundPlayer(), wave::kWindowOpened);

  m_accelerators = ::LoadAcceleratorsW(inst, MAKEINTRESOURCEW(IDR_MAIN_ACCEL));

  m_toolTips.Create(this);
  m_toolTips.Activate(TRUE);
  for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    // -1 from an extended template, 0xFFFF from a plain one.
    const int id = ::GetDlgCtrlID(child);
    if (id != -1 && id != 0xFFFF) m_toolTips.AddTool(child, static_cast<UINT>(id));
  }

  CutWindowShape();
  SetDlgItemText(IDC_STATUS, kIdleStatus);
  SetUpButtons();

  m_iconFrames.Create(IDB_ICON_FRAMES, 16, 0, RGB(0, 0, 0));
  m_frameCount = 4;
  SetTimer(kIconTimer, 100);

  SetUpResultsList();
  if (!m_startupFolder.empty()) PostMessage(kStartStartupScan);
  return TRUE;
}

void CMainDialog::CutWindowShape() {
  CFont font;
  font.CreatePointFont(700, kShapeFace);
  CClientDC windowDc(m_hWnd);
  CDC dc;
  dc.CreateCompatibleDC(windowDc);
  HGDIOBJ oldFont = dc.SelectObject(font);
  dc.SetBkMode(TRANSPARENT);
  dc.BeginPath();
  dc.TextOut(25, -10, kShapeText);
  dc.EndPath();
  CRgn text;
  text.Attach(dc.PathToRegion());
  dc.SelectObject(oldFont);

  CRgn shape, bottom;
  shape.CreateRoundRectRgn(3, 75, 604, 426, 138, 80);
  if (text.GetSafeHandle()) shape.CombineRgn(shape, text, RGN_OR);
  // The rectangle squares off the bottom corners.
  bottom.CreateRectRgn(3, 425, 604, 443);
  shape.CombineRgn(shape, bottom, RGN_OR);
  // The system owns the region from here on.
  if (SetWindowRgn(shape, TRUE)) shape.Detach();
  // A face taller than the one the outline was drawn for reaches up into
  // the caption; the frame is painted over so that only lettering shows.
  ::SetWindowSubclass(m_hWnd, FrameProc, 0, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK CMainDialog::FrameProc(HWND wnd, UINT msg, WPARAM w, LPARAM l, UINT_PTR,
                                        DWORD_PTR ref) {
  const LRESULT result = ::DefSubclassProc(wnd, msg, w, l);
  switch (msg) {
    case WM_NCPAINT:
    case WM_NCACTIVATE:
    case WM_SETTEXT:
    case WM_SETICON:  // the system redraws the caption's icon at once
      reinterpret_cast<CMainDialog*>(ref)->CoverCaption();
      break;
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(wnd, FrameProc, 0);
      break;
    default:
      break;
  }
  return result;
}

void CMainDialog::CoverCaption() {
  CRect window;
  GetWindowRect(&window);
  POINT client{0, 0};
  ::ClientToScreen(m_hWnd, &client);
  const int top = client.y - window.top;
  const int left = client.x - window.left;
  HDC dc = ::GetWindowDC(m_hWnd);
  CDC art;
  art.CreateCompatibleDC(dc);
  CBitmap header;
  if (dc && header.LoadBitmap(IDB_HEADER)) {
    BITMAP info{};
    ::GetObjectW(header, sizeof(info), &info);
    HGDIOBJ old = art.SelectObject(header);
    // The header's first row, stretched over the caption and the frame
    // above the client area, continues the lettering's fill upward.
    ::StretchBlt(dc, 0, 0, window.Width(), top, art, 0, 0, 1, 1, SRCCOPY);
    ::StretchBlt(dc, left, 0, info.bmWidth, top, art, 0, 0, info.bmWidth, 1, SRCCOPY);
    art.SelectObject(old);
  }
  if (dc) ::ReleaseDC(m_hWnd, dc);
}

void CMainDialog::SetUpButtons() {
  static const LargeButton large[] = {
      {&CMainDialog::m_scanButton, IDI_SCAN_HOT, IDI_SCAN},
      {&CMainDialog::m_settingsButton, IDI_SETTINGS_HOT, IDI_SETTINGS},
      {&CMainDialog::m_databaseButton, IDI_DATABASE_HOT, IDI_DATABASE},
      {&CMainDialog::m_helpButton, IDI_HELP_HOT, IDI_HELP},
      {&CMainDialog::m_aboutButton, IDI_ABOUT_HOT, IDI_ABOUT},
      {&CMainDialog::m_exitButton, IDI_EXIT_HOT, IDI_EXIT},
  };
  for (const LargeButton& b : large) {
    CImageButton& button = this->*b.button;
    button.SetIcons(b.hot, b.normal, 64, 64);
    button.SetDrawBorder(FALSE);
    button.SetBackColorOut(kButtonFace, 1);
    button.SetBackColorIn(kButtonFace, 1);
    button.SetTextColorOut(kCaption, 1);
    button.SetTextColorIn(kCaptionHot, 1);
    button.SetAlignment(1);
    button.SetShowText(TheOptions().TextInButton);
  }
  static const LargeButton small[] = {
      {&CMainDialog::m_exitSmallButton, IDI_EXIT_SMALL_HOT, IDI_EXIT_SMALL},
      {&CMainDialog::m_minimizeButton, IDI_MINIMIZE_HOT, IDI_MINIMIZE},
  };
  for (const LargeButton& b : small) {
    CImageButton& button = this->*b.button;
    button.SetIcons(b.hot, b.normal, 32, 32);
    button.SetDrawBorder(FALSE);
    button.SetBackColorOut(kButtonFace, 1);
    button.SetBackColorIn(kButtonFace, 1);
  }
}

void CMainDialog::SetUpResultsList() {
  m_results.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_TWOCLICKACTIVATE |
                             LVS_EX_INFOTIP);
  m_results.InsertColumn(0, L"Объект", LVCFMT_LEFT, 225);
  m_results.InsertColumn(1, L"Результат", LVCFMT_LEFT, 100);
  m_results.SetBkColor(kListBack);
  m_results.SetTextBkColor(kListBack);
  m_results.SetTextColor(RGB(0, 0, 0));
  SHFILEINFOW info{};
  const auto list = reinterpret_cast<HIMAGELIST>(
      ::SHGetFileInfoW(L"", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  m_systemIcons.AttachShared(list);
  // The system's list is shared: the list view must not destroy it.
  ::SetWindowLongPtrW(m_results, GWL_STYLE, m_results.GetStyle() | LVS_SHAREIMAGELISTS);
  m_results.SetImageList(m_systemIcons, LVSIL_SMALL);
}

BOOL CMainDialog::PreTranslateMessage(MSG* msg) {
  if (m_accelerators && ::TranslateAcceleratorW(m_hWnd, m_accelerators, msg)) return TRUE;
  // Without tooltips the dialog's own keyboard handling is skipped as well.
  if (!TheOptions().EmergingHelp) return FALSE;
  m_toolTips.RelayEvent(msg);
  return CDialog::PreTranslateMessage(msg);
}

void CMainDialog::OnPaint() {
  if (!IsIconic()) {
    Default();
    return;
  }
  CPaintDC dc(m_hWnd);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.m_hDC));
  CRect client;
  GetClientRect(&client);
  const int x = (client.Width() - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.Height() - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
  dc.DrawIcon(x, y, m_bigIcon);
}

LRESULT CMainDialog::OnQueryDragIcon(WPARAM, LPARAM) {
  return reinterpret_cast<LRESULT>(m_bigIcon);
}

void CMainDialog::OnTimer(UINT_PTR id) {
  if (id != kIconTimer) {
    Default();
    return;
  }
  if (++m_frame >= m_frameCount) m_frame = 0;
  HICON icon = m_iconFrames.ExtractIcon(m_frame);
  HICON replaced = SetIcon(icon, FALSE);
  m_currentIcon = icon;
  // The first one replaced is the shared icon 128, which is not ours.
  if (replaced && replaced != m_bigIcon && replaced != icon) ::DestroyIcon(replaced);
}

void CMainDialog::OnLButtonDown(UINT, CPoint point) {
  ::ReleaseCapture();
  SendMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
}

void CMainDialog::OnMinimize() {
  const Options& options = TheOptions();
  PlayIfOn(options, TheSoundPlayer(), wave::kClick);
  if (options.MinimizedInSystemTray) {
    AddTrayIcon();
    ShowWindow(SW_HIDE);
  } else {
    ShowWindow(SW_MINIMIZE);
  }
}

void CMainDialog::OnHelp() {
  PlayIfOn(TheOptions(), TheSoundPlayer(), wave::kClick);
  CHelpDialog dlg(AfxGetApp()->Profile(), TheSoundPlayer(), this);
  dlg.DoModal();
}

void CMainDialog::OnSettings() {
  if (!RunSettingsDialog(this, TheOptions(), AfxGetApp()->Profile(), TheSoundPlayer())) return;
  for (CImageButton* button : {&m_scanButton, &m_settingsButton, &m_databaseButton, &m_helpButton,
                               &m_aboutButton, &m_exitButton})
    button->SetShowText(TheOptions().TextInButton);
}

// The editor reloads the virus table when it closes.
void CMainDialog::OnDatabase() {
  RunDatabaseEditor(this, TheOptions(), AfxGetApp()->Profile(), TheSoundPlayer(),
                    TheMessageSink(), TheVirusTable());
}

void CMainDialog::OnAbout() {
  PlayIfOn(TheOptions(), TheSoundPlayer(), wave::kClick);
  CAboutDialog dlg(this, TheSoundPlayer());
  dlg.DoModal();
}

void CMainDialog::OnExit() {
  const Options& options = TheOptions();
  PlayIfOn(options, TheSoundPlayer(), wave::kClick, SoundMode::Sync);
  ScanControl& scan = TheScanControl();
  if (scan.IsRunning()) {
    scan.Pause();
    AfxMessageBox(kFinishScanFirst, MB_OK);
    scan.Resume();
    return;
  }
  PlayIfOn(options, TheSoundPlayer(), wave::kClosing, SoundMode::Sync);
  KillTimer(kIconTimer);
  if (options.MinimizedInSystemTray) RemoveTrayIcon();
  CDialog::OnOK();
}

void CMainDialog::AddTrayIcon() {
  m_trayIcon = {};
  m_trayIcon.cbSize = NOTIFYICONDATAW_V1_SIZE;
  m_trayIcon.hWnd = m_hWnd;
  m_trayIcon.uID = 0;
  m_trayIcon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  m_trayIcon.uCallbackMessage = kTrayMessage;
  m_trayIcon.hIcon = m_bigIcon;
  lstrcpynW(m_trayIcon.szTip, L"Vireskand", 64);
  ::Shell_NotifyIconW(NIM_ADD, &m_trayIcon);
}

void CMainDialog::RemoveTrayIcon() {
  m_trayIcon.hWnd = m_hWnd;
  m_trayIcon.uID = 0;
  ::Shell_NotifyIconW(NIM_DELETE, &m_trayIcon);
}

// The menu's About and Exit come back as this window's own commands, so a
// scan refuses the exit here as it does for the buttons.
LRESULT CMainDialog::OnTrayNotify(WPARAM w, LPARAM l) {
  if (w != 0) return 0;
  if (LOWORD(l) == WM_LBUTTONDBLCLK) OnRestoreFromTray();
  if (LOWORD(l) == WM_RBUTTONUP) ShowTrayMenu(m_hWnd);
  return 0;
}

void CMainDialog::OnRestoreFromTray() {
  RemoveTrayIcon();
  ShowWindow(SW_RESTORE);
}

}  // namespace vsk

namespace vsk {

void CMainDialog::OnScan() {
  PlayIfOn(TheOptions(), TheSoundPlayer(), wave::kClick);
  if (TheScanControl().IsRunning()) {
    AskToStop();
    return;
  }
  wchar_t display[MAX_PATH] = {};
  BROWSEINFOW browse{};
  browse.hwndOwner = m_hWnd;
  browse.pszDisplayName = display;
  browse.lpszTitle = kChooseFolderTitle;
  browse.ulFlags = BIF_DONTGOBELOWDOMAIN;
  LPITEMIDLIST item = ::SHBrowseForFolderW(&browse);
  if (!item) return;
  wchar_t path[MAX_PATH] = {};
  const BOOL havePath = ::SHGetPathFromIDListW(item, path);
  ::CoTaskMemFree(item);
  UpdateWindow();
  if (!havePath || !path[0]) {
    AfxMessageBox(kNoPathToScan, MB_OK);
    return;
  }
  StartScan(path);
}

void CMainDialog::StartScan(const std::wstring& folder) {
  if (m_waitingForWorker) return;
  // The end of a stopped run may still be under way; its summary and report
  // read the counters that a new run would reset.
  WaitForScanWorker();
  m_scanFolder = folder;
  m_results.DeleteAllItems();
  ShowScanningLook();
  ScanControl& scan = TheScanControl();
  scan.Start();
  const auto thread = ::_beginthreadex(nullptr, 0, &CMainDialog::ScanWorker, this, CREATE_SUSPENDED,
                                       nullptr);
  if (!thread) {
    scan.Stop();
    ShowIdleLook();
    return;
  }
  m_scanThread = reinterpret_cast<HANDLE>(thread);
  ::SetThreadPriority(m_scanThread, WorkerThreadPriority(TheOptions().Priority));
  ::ResumeThread(m_scanThread);
}

unsigned __stdcall CMainDialog::ScanWorker(void* dialog) {
  auto& dlg = *static_cast<CMainDialog*>(dialog);
  // The file icons come from the shell.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  WindowScanView view(dlg);
  ScanRunContext context{TheOptions(), TheVirusTable(), TheScanControl(), dlg.m_counters,
                         TheSoundPlayer()};
  // A report that cannot be written is not shown, as the run ends anyway.
  RunScan(context, view, PathFromText(dlg.m_scanFolder), dlg.m_scanFolder);
  if (SUCCEEDED(com)) ::CoUninitialize();
  return 0;
}

void CMainDialog::CallOnWindowThread(const std::function<void()>& fn) {
  // Once the window is gone the call is dropped.
  ::SendMessageW(m_hWnd, kCallOnWindowThread, 0, reinterpret_cast<LPARAM>(&fn));
}

LRESULT CMainDialog::OnCallOnWindowThread(WPARAM, LPARAM l) {
  // What the walk queued comes first.
  ApplyScanUpdates();
  (*reinterpret_cast<const std::function<void()>*>(l))();
  return 0;
}

void CMainDialog::QueueScanUpdate(const std::function<void(ScanUpdates&)>& change) {
  bool post = false;
  {
    std::lock_guard lock(m_updatesMutex);
    change(m_updates);
    post = !m_updates.posted;
    m_updates.posted = true;
  }
  if (post) PostMessage(kApplyScanUpdates);
}

LRESULT CMainDialog::OnApplyScanUpdates(WPARAM, LPARAM) {
  ApplyScanUpdates();
  return 0;
}

void CMainDialog::ApplyScanUpdates() {
  ScanUpdates taken;
  {
    std::lock_guard lock(m_updatesMutex);
    taken = std::move(m_updates);
    m_updates = {};
  }
  if (!taken.rows.empty()) {
    // One repaint for the lot instead of one per row.
    m_results.SendMessage(WM_SETREDRAW, FALSE);
    for (const ScanUpdates::Row& r : taken.rows) {
      m_fileIconIndex = r.icon;
      const int at = m_results.InsertItem(r.row, r.object, r.icon);
      m_results.SetItemText(at, 1, r.result);
    }
    m_results.SendMessage(WM_SETREDRAW, TRUE);
    ::InvalidateRect(m_results, nullptr, TRUE);
    // Painted now: the next batch is usually queued already, and a paint
    // waits for an empty queue.
    m_results.UpdateWindow();
  }
  if (taken.progress) m_progress.SetPos(*taken.progress);
  if (taken.status) SetDlgItemText(IDC_STATUS, *taken.status);
}

void CMainDialog::WaitForScanWorker() {
  if (!m_scanThread) return;
  m_waitingForWorker = true;
  // Only the worker's calls are served meanwhile (and the summary box, which
  // is one of them); input waits in the queue.
  while (::MsgWaitForMultipleObjects(1, &m_scanThread, FALSE, INFINITE, QS_SENDMESSAGE) ==
         WAIT_OBJECT_0 + 1) {
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  ::CloseHandle(m_scanThread);
  m_scanThread = nullptr;
  m_waitingForWorker = false;
}

void CMainDialog::FinishScanWorker() {
  if (!m_scanThread) return;
  m_closed = !::IsWindow(m_hWnd);
  TheScanControl().Stop();
  WaitForScanWorker();
}

void CMainDialog::AskToStop() {
  ScanControl& scan = TheScanControl();
  // The walk waits at its next file while the question stands.
  scan.Pause();
  const int answer = ::MessageBoxW(m_hWnd, kAskStopScan, kStopCaption, MB_OKCANCEL | MB_ICONQUESTION);
  if (answer != IDOK) {
    scan.Resume();
    return;
  }
  // Stopping also ends the pause, so the walk takes no further file.
  scan.Stop();
  ShowIdleLook();
  SetDlgItemText(IDC_STATUS, kIdleStatus);
  m_progress.SetPos(0);
}

void CMainDialog::ShowScanningLook() {
  m_scanButton.SetWindowText(L"Остановить");
  m_scanButton.SetIcons(IDI_STOP_HOT, IDI_STOP, 64, 64);
  m_settingsButton.SetIcons(IDI_SETTINGS_DISABLED, IDI_SETTINGS_DISABLED, 64, 64);
  m_settingsButton.EnableWindow(FALSE);
  m_databaseButton.SetIcons(IDI_DATABASE_DISABLED, IDI_DATABASE_DISABLED, 64, 64);
  m_databaseButton.EnableWindow(FALSE);
}

void CMainDialog::ShowIdleLook() {
  m_scanButton.SetWindowText(L"Проверить");
  m_scanButton.SetIcons(IDI_SCAN_HOT, IDI_SCAN, 64, 64);
  m_settingsButton.SetIcons(IDI_SETTINGS_HOT, IDI_SETTINGS, 64, 64);
  m_settingsButton.EnableWindow(TRUE);
  m_databaseButton.SetIcons(IDI_DATABASE_HOT, IDI_DATABASE, 64, 64);
  m_databaseButton.EnableWindow(TRUE);
}

LRESULT CMainDialog::OnStartStartupScan(WPARAM, LPARAM) {
  std::error_code ec;
  if (!std::filesystem::is_directory(PathFromText(m_startupFolder), ec)) {
    AfxMessageBox(L"Папка для проверки не найдена:\n" + m_startupFolder, MB_OK);
    return 0;
  }
  StartScan(m_startupFolder);
  return 0;
}

void CMainDialog::OnResultsRightClick(NMHDR*, LRESULT* result) {
  *result = 0;
  const int row = static_cast<int>(m_results.SendMessage(LVM_GETSELECTIONMARK));
  std::wstring object, text;
  if (row >= 0) {
    object = m_results.GetItemText(row, 0);
    text = m_results.GetItemText(row, 1);
  }
  m_selected = {row, PathFromText(object), text};
  // Only a row that names a virus has actions.
  if (IsResultText(text)) return;
  HMENU menu = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_RESULTS_MENU));
  if (!menu) return;
  POINT cursor{};
  ::GetCursorPos(&cursor);
  ::SetForegroundWindow(m_hWnd);
  ::TrackPopupMenu(::GetSubMenu(menu, 0), TPM_LEFTALIGN | TPM_LEFTBUTTON, cursor.x, cursor.y, 0,
                   m_hWnd, nullptr);
  ::DestroyMenu(menu);
}

void CMainDialog::RunAction(void (*action)(ActionContext&, const CapturedRow&)) {
  if (m_selected.index < 0) return;
  ListResultRows rows(m_results);
  MessageBoxQuestions questions(m_hWnd);
  ActionContext context{TheVirusTable(), TheOptions(), rows,           TheSoundPlayer(),
                        questions,       TheMessageSink(), {}};
  action(context, m_selected);
}

void CMainDialog::OnCureOrDelete() { RunAction(&CureOrDelete); }
void CMainDialog::OnCureOrRename() { RunAction(&CureOrRename); }
void CMainDialog::OnCureOrMove() { RunAction(&CureOrMove); }
void CMainDialog::OnDeleteInfected() { RunAction(&DeleteInfected); }
void CMainDialog::OnRenameInfected() { RunAction(&RenameInfected); }
void CMainDialog::OnMoveToQuarantine() { RunAction(&MoveToQuarantine); }

}  // namespace vsk
