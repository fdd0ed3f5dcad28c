// vireskand-scan --quarantine list | restore NAME | purge NAME, run in the
// folder that holds "!!!Infected".
#pragma once

#include "engine/os/CommandLine.h"

namespace vsk {

// The part of --help about the quarantine.
extern const char kQuarantineUsage[];

// `args` are all the arguments, "--quarantine" first, as the system gave
// them. A name is the stored name itself or as the list shows it. Returns
// the exit status: 0 done, 2 an error (told on stderr).
int RunQuarantineCommand(const os::CommandLine& args);

}  // namespace vsk
