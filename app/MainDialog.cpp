#include "app/MainDialog.h"

#include <shlobj.h>

#include <filesystem>
#include <system_error>

#include "app/HelpDialog.h"
#include "app/SettingsDialog.h"
#include "app/WindowShape.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/DatabaseDialog.h"
#include "engine/scan/ScanRun.h"
#include "engine/text/Encoding.h"
#include "framework/App.h"
#include "framework/Gdi.h"
#include "res/resource.h"

namespace vsk {
namespace {

constexpr COLORREF kButtonFace = RGB(0, 255, 0);
constexpr COLORREF kCaption = RGB(0, 128, 0);
constexpr COLORREF kCaptionHot = RGB(255, 0, 0);

struct ButtonIcons {
  CImageButton CMainDialog::*button;
  int hot, normal;
};

}  // namespace

CMainDialog::CMainDialog(AppState& state, CWnd* parent)
    : CDialog(IDD_MAIN_DIALOG, parent),
      m_state(state),
      m_session(state, {*this, m_results, m_progress, IDC_STATUS,
                        [this](ScanLook look) { ShowLook(look); }}) {}

CMainDialog::~CMainDialog() {
  m_session.Finish();
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
      OnNotifyEntry(LVN_GETDISPINFOW, IDC_RESULTS, &CMainDialog::OnResultsDispInfo),
      OnNotifyEntry(NM_CUSTOMDRAW, IDC_RESULTS, &CMainDialog::OnResultsCustomDraw),
      OnNotifyEntry(LVN_GETINFOTIPW, IDC_RESULTS, &CMainDialog::OnResultsInfoTip),
      OnCommandRangeEntry(ID_CURE_OR_DELETE, ID_MOVE_TO_QUARANTINE, &CMainDialog::OnResultAction),
      OnMessageEntry(kCallOnWindowThread, &CMainDialog::OnCallOnWindowThread),
      OnMessageEntry(kApplyScanUpdates, &CMainDialog::OnApplyScanUpdates),
      OnMessageEntry(kScanWorkerEnded, &CMainDialog::OnScanWorkerEnded),
      OnMessageEntry(kStartStartupScan, &CMainDialog::OnStartStartupScan),
      OnMessageEntry(WM_DROPFILES, &CMainDialog::OnDropFiles),
      OnMessageEntry(WM_COPYDATA, &CMainDialog::OnCopyData),
      OnCommandEntry(ID_QUARANTINE, &CMainDialog::OnQuarantine),
      OnCommandRangeEntry(ID_OPEN_FOLDER, ID_COPY_PATH, &CMainDialog::OnRowFileCommand),
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

  LoadOptions(m_state.options, m_state.profile);
  if (!m_state.tableLoaded) LoadVirusTable(m_state.table, m_state.messages);

  PlayIfOn(m_state.options, m_state.sound, wave::kWindowOpened);

  m_accelerators = ::LoadAcceleratorsW(inst, MAKEINTRESOURCEW(IDR_MAIN_ACCEL));
  SetUpToolTips();
  CutWindowShape(m_hWnd);
  SetDlgItemText(IDC_STATUS, m_state.databaseNote.empty() ? kIdleStatus : m_state.databaseNote);
  SetUpButtons();

  m_iconFrames.Create(IDB_ICON_FRAMES, 16, 0, RGB(0, 0, 0));
  m_frameCount = 4;
  SetTimer(kIconTimer, 100);

  m_results.SetUp();
  AcceptPathsFromOutside();
  if (!m_startupPath.empty()) PostMessage(kStartStartupScan);
  return TRUE;
}

void CMainDialog::SetUpToolTips() {
  m_toolTips.Create(this);
  m_toolTips.Activate(TRUE);
  for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    // -1 from an extended template, 0xFFFF from a plain one.
    const int id = ::GetDlgCtrlID(child);
    if (id != -1 && id != 0xFFFF) m_toolTips.AddTool(child, static_cast<UINT>(id));
  }
}

void CMainDialog::SetUpButtons() {
  static const ButtonIcons large[] = {
      {&CMainDialog::m_scanButton, IDI_SCAN_HOT, IDI_SCAN},
      {&CMainDialog::m_settingsButton, IDI_SETTINGS_HOT, IDI_SETTINGS},
      {&CMainDialog::m_databaseButton, IDI_DATABASE_HOT, IDI_DATABASE},
      {&CMainDialog::m_helpButton, IDI_HELP_HOT, IDI_HELP},
      {&CMainDialog::m_aboutButton, IDI_ABOUT_HOT, IDI_ABOUT},
      {&CMainDialog::m_exitButton, IDI_EXIT_HOT, IDI_EXIT},
  };
  for (const ButtonIcons& b : large) {
    CImageButton& button = this->*b.button;
    button.SetIcons(b.hot, b.normal, 64, 64);
    button.SetDrawBorder(FALSE);
    button.SetBackColorOut(kButtonFace, 1);
    button.SetBackColorIn(kButtonFace, 1);
    button.SetTextColorOut(kCaption, 1);
    button.SetTextColorIn(kCaptionHot, 1);
    button.SetAlignment(1);
    button.SetShowText(m_state.options.TextInButton);
  }
  static const ButtonIcons small[] = {
      {&CMainDialog::m_exitSmallButton, IDI_EXIT_SMALL_HOT, IDI_EXIT_SMALL},
      {&CMainDialog::m_minimizeButton, IDI_MINIMIZE_HOT, IDI_MINIMIZE},
  };
  for (const ButtonIcons& b : small) {
    CImageButton& button = this->*b.button;
    button.SetIcons(b.hot, b.normal, 32, 32);
    button.SetDrawBorder(FALSE);
    button.SetBackColorOut(kButtonFace, 1);
    button.SetBackColorIn(kButtonFace, 1);
  }
}

BOOL CMainDialog::PreTranslateMessage(MSG* msg) {
  if (m_accelerators && ::TranslateAcceleratorW(m_hWnd, m_accelerators, msg)) return TRUE;
  // Without tooltips the dialog's own keyboard handling is skipped as well.
  if (!m_state.options.EmergingHelp) return FALSE;
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
  PlayIfOn(m_state.options, m_state.sound, wave::kClick);
  if (m_state.options.MinimizedInSystemTray) {
    m_trayIcon.Add(m_hWnd, m_bigIcon);
    ShowWindow(SW_HIDE);
  } else {
    ShowWindow(SW_MINIMIZE);
  }
}

// The menu's About and Exit come back as this window's own commands, so a
// scan refuses the exit here as it does for the buttons.
LRESULT CMainDialog::OnTrayNotify(WPARAM w, LPARAM l) {
  if (w != 0) return 0;
  if (LOWORD(l) == WM_LBUTTONDBLCLK) OnRestoreFromTray();
  if (LOWORD(l) == WM_RBUTTONUP) CTrayIcon::ShowMenu(m_hWnd);
  return 0;
}

void CMainDialog::OnRestoreFromTray() {
  m_trayIcon.Remove(m_hWnd);
  ShowWindow(SW_RESTORE);
}

bool CMainDialog::RefusedUntilWorkerEnds(bool click) {
  // The worker reads the options and the virus table until it returns, also
  // after a stop, and its report reads the list.
  if (!m_session.WorkerAlive()) return false;
  if (click) PlayIfOn(m_state.options, m_state.sound, wave::kClick);
  SetDlgItemText(IDC_STATUS, kWaitForScanEnd);
  return true;
}

void CMainDialog::OnSettings() {
  if (RefusedUntilWorkerEnds(true)) return;
  if (!RunSettingsDialog(this, m_state.options, m_state.profile, m_state.sound)) return;
  for (CImageButton* button : {&m_scanButton, &m_settingsButton, &m_databaseButton, &m_helpButton,
                               &m_aboutButton, &m_exitButton})
    button->SetShowText(m_state.options.TextInButton);
}

// The editor reloads the virus table when it closes. It edits the data
// folder's database, wherever a file dialog has left the working folder.
void CMainDialog::OnDatabase() {
  if (RefusedUntilWorkerEnds(true)) return;
  RunDatabaseEditor(this, m_state.options, m_state.profile, m_state.sound, m_state.messages,
                    m_state.table, m_state.dataFolder / kDatabaseFileName);
}

void CMainDialog::OnHelp() {
  PlayIfOn(m_state.options, m_state.sound, wave::kClick);
  CHelpDialog dlg(m_state.profile, m_state.sound, this);
  dlg.DoModal();
}

void CMainDialog::OnAbout() {
  PlayIfOn(m_state.options, m_state.sound, wave::kClick);
  CAboutDialog dlg(this, m_state.profile, m_state.sound);
  dlg.DoModal();
}

void CMainDialog::OnExit() {
  const Options& options = m_state.options;
  PlayIfOn(options, m_state.sound, wave::kClick, SoundMode::Sync);
  ScanControl& scan = m_state.scan;
  if (scan.IsRunning()) {
    scan.Pause();
    AfxMessageBox(kFinishScanFirst, MB_OK);
    scan.Resume();
    return;
  }
  if (RefusedUntilWorkerEnds(false)) return;
  PlayIfOn(options, m_state.sound, wave::kClosing, SoundMode::Sync);
  KillTimer(kIconTimer);
  if (options.MinimizedInSystemTray) m_trayIcon.Remove(m_hWnd);
  CDialog::OnOK();
}

void CMainDialog::OnScan() {
  PlayIfOn(m_state.options, m_state.sound, wave::kClick);
  if (m_state.scan.IsRunning()) {
    m_session.AskToStop();
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
  m_session.Start(path);
}

LRESULT CMainDialog::OnStartStartupScan(WPARAM, LPARAM) {
  const std::wstring problem = ScanTargetProblem(PathFromText(m_startupPath), m_startupPath);
  if (!problem.empty()) {
    AfxMessageBox(problem, MB_OK);
    return 0;
  }
  m_session.Start(m_startupPath);
  return 0;
}

// The list view's right click names the row under the pointer.
void CMainDialog::OnResultsRightClick(NMHDR* header, LRESULT* result) {
  *result = 0;
  m_results.OnRightClick(m_hWnd, reinterpret_cast<NMITEMACTIVATE*>(header)->iItem);
}

void CMainDialog::OnResultsCustomDraw(NMHDR* header, LRESULT* result) {
  *result = m_results.OnCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(header));
}

// The list's own tip would repeat the row's path tip of CResultsList.
void CMainDialog::OnResultsInfoTip(NMHDR* header, LRESULT* result) {
  *result = 0;
  auto& tip = *reinterpret_cast<NMLVGETINFOTIPW*>(header);
  if (tip.pszText && tip.cchTextMax > 0) tip.pszText[0] = L'\0';
}

void CMainDialog::OnResultsDispInfo(NMHDR* header, LRESULT* result) {
  *result = 0;
  m_results.OnGetDispInfo(*reinterpret_cast<NMLVDISPINFOW*>(header));
}

void CMainDialog::OnResultAction(UINT command) { m_results.RunAction(command, m_hWnd); }

void CMainDialog::ShowLook(ScanLook look) {
  switch (look) {
    case ScanLook::Idle:
      ShowIdleLook();
      break;
    case ScanLook::Scanning:
      ShowScanningLook();
      break;
    case ScanLook::Stopping:
      // Not idle yet: settings and editor stay off until the worker's end
      // sequence, and the button has nothing left to stop.
      m_scanButton.EnableWindow(FALSE);
      SetDlgItemText(IDC_STATUS, kStoppingStatus);
      break;
  }
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
  m_scanButton.EnableWindow(TRUE);
  m_settingsButton.SetIcons(IDI_SETTINGS_HOT, IDI_SETTINGS, 64, 64);
  m_settingsButton.EnableWindow(TRUE);
  m_databaseButton.SetIcons(IDI_DATABASE_HOT, IDI_DATABASE, 64, 64);
  m_databaseButton.EnableWindow(TRUE);
}

}  // namespace vsk
