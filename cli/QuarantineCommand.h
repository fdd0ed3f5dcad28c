// vireskand-scan --quarantine list | restore NAME | purge NAME, run in the
// folder that holds "!!!Infected".
#pragma once

#include <string>
#include <vector>

namespace vsk {

// The part of --help about the quarantine.
extern const char kQuarantineUsage[];

// `args` are all the arguments, "--quarantine" first. Returns the exit
// status: 0 done, 2 an error (told on stderr).
int RunQuarantineCommand(const std::vector<std::wstring>& args);

}  // namespace vsk
