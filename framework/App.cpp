#include "framework/App.h"

#include <commctrl.h>

#include "framework/Gdi.h"
#include "framework/Wnd.h"

namespace vsk {
namespace {

CWinApp* g_app = nullptr;

struct Background {
  CBrush brush;
  COLORREF text = 0;
  COLORREF color = 0;
} g_background;

}  // namespace

void DialogBackground::Set(COLORREF background, COLORREF text) {
  g_background.brush.Attach(::CreateSolidBrush(background));
  g_background.text = text;
  g_background.color = background;
}

void DialogBackground::Clear() {
  g_background.brush.DeleteObject();
  g_background.text = g_background.color = 0;
}

HBRUSH DialogBackground::Apply(HDC dc) {
  if (!g_background.brush.GetSafeHandle()) return nullptr;
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

int CWinApp::GetProfileInt(const std::wstring& section, const std::wstring& key, int defaultValue) {
  return static_cast<int>(::GetPrivateProfileIntW(section.c_str(), key.c_str(), defaultValue,
                                                  m_pszProfileName.c_str()));
}

std::wstring CWinApp::GetProfileString(const std::wstring& section, const std::wstring& key,
                                       const std::wstring& defaultValue) {
  std::wstring buffer(4096, L'\0');
  const DWORD n = ::GetPrivateProfileStringW(section.c_str(), key.c_str(), defaultValue.c_str(),
                                             buffer.data(), static_cast<DWORD>(buffer.size()),
                                             m_pszProfileName.c_str());
  buffer.resize(n);
  return buffer;
}

BOOL CWinApp::WriteProfileInt(const std::wstring& section, const std::wstring& key, int value) {
  return WriteProfileString(section, key, std::to_wstring(value));
}

BOOL CWinApp::WriteProfileString(const std::wstring& section, const std::wstring& key,
                                 const std::wstring& value) {
  CreateProfileWithByteOrderMark();
  return ::WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(),
                                      m_pszProfileName.c_str());
}

// The system writes a new profile in the ANSI code page unless the file
// already starts with a UTF-16LE byte-order mark.
void CWinApp::CreateProfileWithByteOrderMark() const {
  std::wstring path = m_pszProfileName;
  // A bare name lives in the Windows folder.
  if (path.find_first_of(L"\\/:") == std::wstring::npos) {
    wchar_t windows[MAX_PATH] = {};
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    path = std::wstring(windows) + L"\\" + path;
  }
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  const unsigned char bom[2] = {0xFF, 0xFE};
  DWORD written = 0;
  ::WriteFile(h, bom, 2, &written, nullptr);
  ::CloseHandle(h);
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
