// The entry point of a console program, the same on every platform: its
// arguments as native names, wide on Windows (wmain) and bytes on POSIX
// (main).
#pragma once

#include <filesystem>
#include <vector>

namespace vsk::os {

// The arguments after the program's name.
using CommandLine = std::vector<std::filesystem::path::string_type>;

// Runs `body` on the arguments of main or wmain and gives its exit status.
// On Windows the console takes UTF-8 output first.
int RunMain(int argc, std::filesystem::path::value_type** argv, int (*body)(const CommandLine&));

}  // namespace vsk::os
