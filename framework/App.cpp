#include "framework/App.h"

#include <commctrl.h>

#include "framework/Wnd.h"

namespace vsk {
namespace {

CWinApp* g_app = nullptr;

struct Background {
  HBRUSH brush = nullptr;
  COLORREF text = 0;
  COLORREF color = 0;
} g_background;

}  // namespace

void DialogBackground::Set(COLORREF background, COLORREF text) {
  if (g_background.brush) ::DeleteObject(g_background.brush);
  g_background = {::CreateSolidBrush(background), text, background};
}

void DialogBackground::Clear() {
  if (g_background.brush) ::DeleteObject(g_background.brush);
  g_background = {};
}

HBRUSH DialogBackground::Apply(HDC dc) {
  if (!g_background.brush) return nullptr;
  ::SetTextColor(dc, g_background.text);
  ::SetBkColor(dc, g_background.color);
  return g_background.brush;
}

CWinApp::CWinApp(const wchar_t* appName) {
  if (appName) m_pszAppName = appName;
  g_app = this;
}

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

CWinApp* AfxGetApp() { return g_app; }

void CWinApp::InitNames(HINSTANCE instance) {
  m_hInstance = instance;
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(instance, path, MAX_PATH);
  std::wstring name = path;
  const size_t slash = name.find_last_of(L"\\/");
  if (slash != std::wstring::npos) name.erase(0, slash + 1);
  const size_t dot = name.rfind(L'.');
  if (dot != std::wstring::npos) name.erase(dot);
  m_pszExeName = name;
  if (m_pszAppName.empty()) m_pszAppName = name;
  m_pszProfileName = name + L".INI";
}

int CWinApp::Run() {
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return ExitInstance();
}

IProfile& CWinApp::Profile() {
  if (!m_profile) m_profile = MakeProgramProfile(m_pszProfileName);
  return *m_profile;
}

int CWinApp::GetProfileInt(const std::wstring& section, const std::wstring& key, int defaultValue) {
  return Profile().GetProfileInt(section, key, defaultValue);
}

std::wstring CWinApp::GetProfileString(const std::wstring& section, const std::wstring& key,
                                       const std::wstring& defaultValue) {
  return Profile().GetProfileString(section, key, defaultValue);
}

BOOL CWinApp::WriteProfileInt(const std::wstring& section, const std::wstring& key, int value) {
  return Profile().WriteProfileInt(section, key, value);
}

BOOL CWinApp::WriteProfileString(const std::wstring& section, const std::wstring& key,
                                 const std::wstring& value) {
  return Profile().WriteProfileString(section, key, value);
}

void CWinApp::SetDialogBkColor(COLORREF background, COLORREF text) {
  DialogBackground::Set(background, text);
}

void CWinApp::Enable3dControlsStatic() {
  // The look is the system's own today; what is left is to register the
  // common control classes the dialogs name.
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS |
                                            ICC_ANIMATE_CLASS | ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&icc);
}

int AfxMessageBox(const std::wstring& text, UINT type) {
  const std::wstring caption = g_app ? g_app->m_pszAppName : std::wstring();
  HWND owner = ::GetActiveWindow();
  return ::MessageBoxW(owner, text.c_str(), caption.c_str(), type);
}

int AfxWinMain(HINSTANCE instance) {
  CWinApp* app = AfxGetApp();
  if (!app) return 1;
  int code = 0;
  try {
    app->InitNames(instance);
    if (!app->InitInstance()) return app->ExitInstance();
    code = app->Run();
  } catch (...) {
    ReportUnhandledException();
    code = 1;
  }
  return code;
}

}  // namespace vsk
