#include "ScannerApp.h"

#include "AppState.h"
#include "MainDialog.h"
#include "resource.h"

namespace vsk {

CSplashDialog::CSplashDialog() : CDialog(IDD_SPLASH_DIALOG) {}

void RegisterPrivateFonts() {
  HINSTANCE inst = ::GetModuleHandleW(nullptr);
  HRSRC res = ::FindResourceW(inst, L"VAMPIRE95", MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  HGLOBAL mem = res ? ::LoadResource(inst, res) : nullptr;
  void* data = mem ? ::LockResource(mem) : nullptr;
  if (!data) return;
  DWORD installed = 0;
  // Without it the system substitutes a face of its own for the outline.
  ::AddFontMemResourceEx(data, ::SizeofResource(inst, res), nullptr, &installed);
}

BOOL CScannerApp::InitInstance() {
  RegisterPrivateFonts();
  Enable3dControlsStatic();

  CSplashDialog splash;
  splash.Create(IDD_SPLASH_DIALOG);
  splash.ShowWindow(SW_SHOW);
  splash.UpdateWindow();
  ::Sleep(2000);
  splash.DestroyWindow();

  // Missing file or a header that differs in any of its 104 bytes: one
  // message, then the process ends.
  if (!CheckDatabaseHeader(TheMessageSink())) return FALSE;

  SetDialogBkColor(RGB(42, 255, 202), RGB(0, 0, 0));
  {
    CMainDialog dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
  }
  return FALSE;
}

}  // namespace vsk
