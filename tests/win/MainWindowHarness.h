// The main window run modally in this process, in a temporary working
// folder with the bundled database, with a script run once it is up.
#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>

#include "framework/App.h"
#include "app/MainDialog.h"
#include "engine/Text1251.h"
#include "tests/TestUtil.h"

namespace vsk::test {

inline constexpr UINT kRunScript = WM_APP + 77;

class ScriptedMainDialog : public CMainDialog {
 public:
  std::function<void(ScriptedMainDialog&)> script;

 protected:
  BOOL OnInitDialog() override {
    const BOOL result = CMainDialog::OnInitDialog();
    PostMessage(kRunScript);
    return result;
  }
  LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l) override {
    if (msg != kRunScript) return CMainDialog::WindowProc(msg, w, l);
    script(*this);
    return 0;
  }
};

inline INT_PTR RunMainWindow(const std::function<void(ScriptedMainDialog&)>& script) {
  namespace fs = std::filesystem;
  AfxGetApp()->InitNames(::GetModuleHandleW(nullptr));
  TempDir folder;
  std::wstring db = L"Z:" + FromUtf8(VSK_SOURCE_DIR "/data/VirusBase.vbf");
  fs::copy_file(db, folder / "VirusBase.vbf");
  const fs::path previous = fs::current_path();
  fs::current_path(folder.path());
  ScriptedMainDialog dlg;
  dlg.script = script;
  const INT_PTR result = dlg.DoModal();
  fs::current_path(previous);
  return result;
}

// The program's own profile file (a bare name lives in the Windows folder).
inline std::filesystem::path ProgramProfileFile() {
  wchar_t windows[MAX_PATH] = {};
  ::GetWindowsDirectoryW(windows, MAX_PATH);
  return std::filesystem::path(windows) / AfxGetApp()->m_pszProfileName;
}

}  // namespace vsk::test
