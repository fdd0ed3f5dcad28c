// vireskand-scan's run: the scan of a folder or file, or a quarantine
// command.
#pragma once

#include "engine/os/CommandLine.h"

namespace vsk {

// Exit status 0 clean, 1 infected (also after --action), 2 something left
// unscanned or an error.
int ScannerMain(const os::CommandLine& args);

}  // namespace vsk
