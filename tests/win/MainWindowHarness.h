// The main window run modally in this process, in a temporary working
// folder with the bundled database, with a script run once it is up.
#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/AppProfile.h"
#include "app/AppState.h"
#include "app/MainDialog.h"
#include "app/Sounds.h"
#include "engine/text/Encoding.h"
#include "framework/App.h"
#include "tests/TestUtil.h"

namespace vsk::test {

inline constexpr UINT kRunScript = WM_APP + 77;

// What the application object gives the main window: this executable's
// profile, message boxes, and the wave player unless a test brings its own.
class ProgramState {
 public:
  explicit ProgramState(ISoundPlayer* sound = nullptr)
      : state(*profile, sound ? *sound : waves, messages) {}
  std::unique_ptr<IProfile> profile = MakeAppProfile(*AfxGetApp());
  CWaveSoundPlayer waves;
  CMessageBoxSink messages;
  AppState state;
};

class ScriptedMainDialog : public CMainDialog {
 public:
  using CMainDialog::CMainDialog;
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
    // A script cut short by a failed assertion would leave the window open.
    if (::testing::Test::HasFatalFailure()) EndDialog(IDCANCEL);
    return 0;
  }
};

inline INT_PTR RunMainWindow(AppState& state, const std::function<void(ScriptedMainDialog&)>& script) {
  namespace fs = std::filesystem;
  AfxGetApp()->InitNames(::GetModuleHandleW(nullptr));
  TempDir folder;
  std::wstring db = L"Z:" + FromUtf8(VSK_SOURCE_DIR "/data/VirusBase.vbf");
  fs::copy_file(db, folder / "VirusBase.vbf");
  const fs::path previous = fs::current_path();
  fs::current_path(folder.path());
  state.dataFolder = folder.path();
  INT_PTR result = -1;
  {
    ScriptedMainDialog dlg(state);
    dlg.script = script;
    result = dlg.DoModal();
  }
  fs::current_path(previous);
  return result;
}

inline INT_PTR RunMainWindow(const std::function<void(ScriptedMainDialog&)>& script) {
  ProgramState program;
  return RunMainWindow(program.state, script);
}

// The program's own profile file (a bare name lives in the Windows folder).
inline std::filesystem::path ProgramProfileFile() {
  wchar_t windows[MAX_PATH] = {};
  ::GetWindowsDirectoryW(windows, MAX_PATH);
  return std::filesystem::path(windows) / AfxGetApp()->m_pszProfileName;
}

}  // namespace vsk::test
