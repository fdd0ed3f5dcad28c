// The application object: splash, database check, then the main window as
// a modal dialog; no message loop of its own.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "app/AppProfile.h"
#include "app/AppState.h"
#include "app/Sounds.h"
#include "framework/App.h"
#include "framework/Dialog.h"

namespace vsk {

class CSplashDialog : public CDialog {
 public:
  CSplashDialog();
};

class CScannerApp : public CWinApp {
 public:
  CScannerApp() = default;
  // Always FALSE: the process ends when it returns.
  BOOL InitInstance() override;

 private:
  std::unique_ptr<IProfile> m_profile = MakeAppProfile(*this);
  CWaveSoundPlayer m_sound;
  CMessageBoxSink m_messages;
  AppState m_state{*m_profile, m_sound, m_messages};
};

// The switch the context-menu commands put before the clicked path: such
// a start never takes its data from the working folder, which is the
// clicked folder or the one that holds it.
inline constexpr wchar_t kShellVerbSwitch[] = L"/shell";

struct StartupArguments {
  // The folder or file to scan as a full path; empty when none is named.
  std::wstring path;
  bool fromShellVerb = false;
};
StartupArguments ParseStartupArguments(const wchar_t* commandLine);

// The status line's word on the database in the working folder, holding
// `records`, when that folder is not the user's data folder (a copy run
// beside its own database, or one planted there); empty when it is.
std::wstring DatabaseNote(const std::filesystem::path& dataFolder,
                          const std::filesystem::path& userFolder, int records);

// Makes the face the main window's outline asks for available to this
// process only, before any font of that face is created.
void RegisterPrivateFonts();

}  // namespace vsk
