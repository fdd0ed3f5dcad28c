// The application object's profile as the engine's IProfile, which the
// options and the dialogs read and the settings dialog writes.
#pragma once

#include <filesystem>
#include <memory>

#include "engine/settings/Options.h"

namespace vsk {

class CWinApp;

// %LOCALAPPDATA%\Vireskand: where a standard user may write. Empty when the
// system does not name it.
std::filesystem::path UserDataFolder();

// The profile named by `app` (m_pszProfileName, a bare name) in the Windows
// folder, or the file of that name in `dataFolder` when the Windows folder's
// cannot be had; ProfilePlace decides. The Windows folder is asked for at
// the first use, when the application's names are known.
std::unique_ptr<IProfile> MakeAppProfile(CWinApp& app);
std::unique_ptr<IProfile> MakeAppProfile(CWinApp& app, std::filesystem::path dataFolder);

}  // namespace vsk
