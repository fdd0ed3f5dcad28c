// Opens the About box alone, in the program's dialog colours, for looking
// at it by hand and for screenshots: about_demo.exe under Wine.
#include <windows.h>

#include "dialogs/AboutDialog.h"
#include "dialogs/DialogColor.h"
#include "framework/App.h"

namespace {

class SilentPlayer : public vsk::ISoundPlayer {
 public:
  int PlayWave(int, vsk::SoundMode) override { return 1; }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  vsk::CWinApp app(L"Vireskand");
  app.InitNames(instance);
  app.Enable3dControlsStatic();
  app.SetDialogBkColor(vsk::kDialogColor, RGB(0, 0, 0));
  SilentPlayer player;
  // Read only, and missing: every key at its default.
  vsk::IniProfile profile(L"about-demo.ini");
  vsk::CAboutDialog dlg(nullptr, profile, player);
  return static_cast<int>(dlg.DoModal());
}
