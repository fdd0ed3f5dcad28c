#include "app/AppState.h"

#include <atomic>

#include "framework/App.h"
#include "app/Sounds.h"

namespace vsk {
namespace {

class MessageBoxSink : public IMessageSink {
 public:
  void ShowMessage(const std::wstring& text) override { AfxMessageBox(text, MB_OK); }
};

}  // namespace

Options& TheOptions() {
  static Options options = DefaultOptions();
  return options;
}

VirusTable& TheVirusTable() {
  static VirusTable table;
  return table;
}

ScanControl& TheScanControl() {
  static ScanControl control;
  return control;
}

namespace {
CWaveSoundPlayer wavePlayer;
std::atomic<ISoundPlayer*> currentPlayer{&wavePlayer};
}  // namespace

ISoundPlayer& TheSoundPlayer() { return *currentPlayer.load(); }

void UseSoundPlayer(ISoundPlayer* player) { currentPlayer.store(player ? player : &wavePlayer); }

IMessageSink& TheMessageSink() {
  static MessageBoxSink sink;
  return sink;
}

MainWindowRefs& ThePublishedMainWindow() {
  static MainWindowRefs refs;
  return refs;
}

}  // namespace vsk
