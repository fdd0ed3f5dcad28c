// The entry point of a console program, the same on every platform: its
// arguments as native names, wide on Windows (wmain) and bytes on POSIX
// (main).
#pragma once

#include <vector>

#include "engine/os/Names.h"

namespace vsk::os {

// The arguments after the program's name.
using CommandLine = std::vector<NativeName>;

// Runs `body` on the arguments of main or wmain and gives its exit status.
// On Windows the console takes UTF-8 output first.
int RunMain(int argc, NativeChar** argv, int (*body)(const CommandLine&));

}  // namespace vsk::os
