// The application object's profile as the engine's IProfile, which the
// options and the dialogs read and the settings dialog writes.
#pragma once

#include <memory>

#include "engine/Options.h"

namespace vsk {

class CWinApp;

std::unique_ptr<IProfile> MakeAppProfile(CWinApp& app);

}  // namespace vsk
