// What the program's windows share for the life of the process: the
// settings record, the virus table and the running flag of a scan, and the
// profile, sound player and message boxes they go through. The application
// object owns one and gives it to the main window, which passes on to each
// part what that part needs.
#pragma once

#include <filesystem>

#include "engine/text/MessageSink.h"
#include "engine/settings/Options.h"
#include "engine/scan/ScanControl.h"
#include "engine/scan/Waves.h"
#include "engine/db/VirusDatabase.h"

namespace vsk {

struct AppState {
  AppState(IProfile& profile, ISoundPlayer& sound, IMessageSink& messages)
      : profile(profile), sound(sound), messages(messages) {}
  AppState(const AppState&) = delete;
  AppState& operator=(const AppState&) = delete;

  IProfile& profile;
  ISoundPlayer& sound;
  IMessageSink& messages;
  Options options = DefaultOptions();
  VirusTable table;
  // Set once start-up has loaded the table, which the main window then
  // takes as it is.
  bool tableLoaded = false;
  // The folder of the database, the quarantine and the reports: the
  // working folder as start-up made it, kept here because a file dialog
  // changes the working folder. Empty: the working folder.
  std::filesystem::path dataFolder;
  // Which database the table came from, for the status line, when it is not
  // the user's data folder's; empty otherwise.
  std::wstring databaseNote;
  ScanControl scan;
};

// The engine's messages as message boxes with the application's caption.
class CMessageBoxSink : public IMessageSink {
 public:
  void ShowMessage(const std::wstring& text) override;
};

}  // namespace vsk
