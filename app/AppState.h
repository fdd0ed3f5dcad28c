// What the program's windows share for the life of the process: the
// settings record, the virus table, the running flag, the sound player and
// the message sink, and the controls the main window publishes for the
// scan worker.
#pragma once

#include <cstdint>

#include "engine/Messages.h"
#include "engine/Options.h"
#include "engine/ScanControl.h"
#include "engine/Sound.h"
#include "engine/VirusDatabase.h"

#include <windows.h>

namespace vsk {

class CProgressCtrl;
class CListCtrl;
class CImageButton;

Options& TheOptions();
VirusTable& TheVirusTable();
ScanControl& TheScanControl();
ISoundPlayer& TheSoundPlayer();
// Replaces the wave player (tests record what is played); nullptr puts the
// wave player back.
void UseSoundPlayer(ISoundPlayer* player);
// The engine's messages as message boxes with the application's caption.
IMessageSink& TheMessageSink();

// Published by the main window during its initialisation.
struct MainWindowRefs {
  HWND window = nullptr;
  CProgressCtrl* progress = nullptr;
  CListCtrl* results = nullptr;
  CImageButton* scanButton = nullptr;
  CImageButton* settingsButton = nullptr;
  CImageButton* databaseButton = nullptr;
  int32_t* fileIconIndex = nullptr;
};
MainWindowRefs& ThePublishedMainWindow();

}  // namespace vsk
