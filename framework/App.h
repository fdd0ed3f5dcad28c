// The application object: start-up through InitInstance, the application
// title, and the profile (an INI file named after the executable).
#pragma once

#include <windows.h>

#include <string>

// <windows.h> maps these names to its win.ini functions; CWinApp's profile
// operations keep their own.
#undef GetProfileInt
#undef GetProfileString
#undef WriteProfileString

namespace vsk {

class CWnd;

class CWinApp {
 public:
  // With no name the title is the executable's base name.
  explicit CWinApp(const wchar_t* appName = nullptr);
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;
  virtual ~CWinApp();

  // FALSE ends the process without a message loop.
  virtual BOOL InitInstance() { return TRUE; }
  virtual int Run();
  virtual int ExitInstance() { return 0; }

  // The private profile file m_pszProfileName: a missing file, section or
  // key gives the default; integers are decimal text. A new file starts
  // with a UTF-16 byte-order mark, so that any text survives any code page.
  int GetProfileInt(const std::wstring& section, const std::wstring& key, int defaultValue);
  std::wstring GetProfileString(const std::wstring& section, const std::wstring& key,
                                const std::wstring& defaultValue = L"");
  BOOL WriteProfileInt(const std::wstring& section, const std::wstring& key, int value);
  BOOL WriteProfileString(const std::wstring& section, const std::wstring& key,
                          const std::wstring& value);

  // Every dialog of the process and its static and button controls are
  // painted on `background` with `text` from here on.
  void SetDialogBkColor(COLORREF background, COLORREF text);
  // The standard controls' three-dimensional look, and the common controls.
  void Enable3dControlsStatic();

  CWnd* m_pMainWnd = nullptr;
  HINSTANCE m_hInstance = nullptr;
  std::wstring m_pszAppName;      // the title: message box captions
  std::wstring m_pszExeName;      // base name without extension
  std::wstring m_pszProfileName;  // m_pszExeName + ".INI", no directory

  // Fills the names; called by AfxWinMain before InitInstance.
  void InitNames(HINSTANCE instance);

 private:
  void CreateProfileWithByteOrderMark() const;
};

CWinApp* AfxGetApp();

// A message box owned by the active window, captioned with the app's title.
int AfxMessageBox(const std::wstring& text, UINT type = MB_OK);

// InitInstance, then Run when it returned TRUE, then ExitInstance.
int AfxWinMain(HINSTANCE instance);

// The process-wide dialog colour set by SetDialogBkColor.
class DialogBackground {
 public:
  static void Set(COLORREF background, COLORREF text);
  static void Clear();
  // For WM_CTLCOLORDLG/STATIC/BTN: prepares `dc` and returns the brush, or
  // null when no colour is set.
  static HBRUSH Apply(HDC dc);
};

}  // namespace vsk
