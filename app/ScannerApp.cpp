#include "app/ScannerApp.h"

#include <shellapi.h>
#include <shlobj.h>

#include <system_error>

#include "app/MainDialog.h"
#include "dialogs/DialogColor.h"
#include "engine/os/Names.h"
#include "engine/settings/DataFolder.h"
#include "res/resource.h"

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

std::wstring StartupPathArgument(const wchar_t* commandLine) {
  int count = 0;
  wchar_t** args = ::CommandLineToArgvW(commandLine, &count);
  std::wstring path;
  if (args && count > 1 && args[1][0]) {
    path = os::FullPath(args[1]);
    if (path.empty()) path = args[1];
    // As the folder chooser gives it: no separator at the end but a drive's.
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  }
  if (args) ::LocalFree(args);
  return path;
}

namespace {

std::filesystem::path ProgramFolder() {
  std::wstring name(32768, L'\0');
  const DWORD n = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
  if (n == 0 || n >= name.size()) return {};
  name.resize(n);
  return std::filesystem::path(name).parent_path();
}

}  // namespace

std::wstring DatabaseNote(const std::filesystem::path& dataFolder,
                          const std::filesystem::path& userFolder, int records) {
  std::error_code ec;
  if (!userFolder.empty() && std::filesystem::equivalent(dataFolder, userFolder, ec)) return {};
  const std::filesystem::path file = std::filesystem::absolute(kDatabaseFileName, ec);
  return L"База данных вирусов: " + (ec ? std::wstring(L"VirusBase.vbf") : file.wstring()) +
         L", записей: " + std::to_wstring(records);
}

BOOL CScannerApp::InitInstance() {
  // The folder chooser and the shell's file icons need COM.
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  // Taken as given before the working folder changes below.
  const std::wstring startupPath = StartupPathArgument(::GetCommandLineW());
  // The database, the quarantine and the reports are found by relative
  // names, so the data folder becomes the working folder.
  std::error_code ec;
  const std::filesystem::path data =
      ChooseDataFolder(std::filesystem::current_path(ec), UserDataFolder(), ProgramFolder());
  if (!data.empty()) ::SetCurrentDirectoryW(data.c_str());
  RegisterPrivateFonts();
  Enable3dControlsStatic();

  CSplashDialog splash;
  splash.Create(IDD_SPLASH_DIALOG);
  splash.ShowWindow(SW_SHOW);
  splash.UpdateWindow();
  ::Sleep(2000);
  splash.DestroyWindow();

  // Checked and loaded from one read, so that both see the same bytes. A
  // missing file, a header that differs in any of its 104 bytes or a table
  // that can find nothing: the message, then the process ends. An empty or
  // oversized table opens the window after its message, for the editor.
  switch (LoadCheckedDatabase(m_state.table, m_state.messages)) {
    case LoadResult::Missing:
    case LoadResult::Unreadable:
    case LoadResult::Damaged: return FALSE;
    default: break;
  }
  m_state.tableLoaded = true;
  m_state.databaseNote = DatabaseNote(data, UserDataFolder(), m_state.table.count);

  SetDialogBkColor(kDialogColor, RGB(0, 0, 0));
  {
    CMainDialog dlg(m_state);
    dlg.SetStartupPath(startupPath);
    m_pMainWnd = &dlg;
    dlg.DoModal();
    dlg.FinishScanWorker();
    m_pMainWnd = nullptr;
  }
  return FALSE;
}

}  // namespace vsk
