#include "app/ScannerApp.h"

#include <shellapi.h>
#include <shlobj.h>

#include <system_error>

#include "app/MainDialog.h"
#include "app/SingleInstance.h"
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

StartupArguments ParseStartupArguments(const wchar_t* commandLine) {
  int count = 0;
  wchar_t** args = ::CommandLineToArgvW(commandLine, &count);
  StartupArguments result;
  int first = 1;
  if (args && count > 1 && ::lstrcmpiW(args[1], kShellVerbSwitch) == 0) {
    result.fromShellVerb = true;
    first = 2;
  }
  if (args && count > first && args[first][0]) {
    std::wstring& path = result.path;
    path = os::FullPath(args[first]);
    if (path.empty()) path = args[first];
    // As the folder chooser gives it: no separator at the end but a drive's.
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  }
  if (args) ::LocalFree(args);
  return result;
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
  const StartupArguments arguments = ParseStartupArguments(::GetCommandLineW());
  const std::wstring& startupPath = arguments.path;
  // The database, the quarantine and the reports are found by relative
  // names, so the data folder becomes the working folder. A context-menu
  // command is started in or beside the folder it scans, which anyone who
  // can write there could have given a database of their own.
  std::error_code ec;
  const std::filesystem::path current =
      arguments.fromShellVerb ? std::filesystem::path() : std::filesystem::current_path(ec);
  const std::filesystem::path data = ChooseDataFolder(current, UserDataFolder(), ProgramFolder());
  if (!data.empty()) ::SetCurrentDirectoryW(data.c_str());
  m_state.dataFolder = std::filesystem::current_path(ec);

  // A second start with a path gives it to the window already open.
  CSingleInstance instance(data, !startupPath.empty());
  if (!startupPath.empty() && instance.HandOff(startupPath)) return FALSE;
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
