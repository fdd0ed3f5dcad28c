#include "engine/os/CommandLine.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace vsk::os {

int RunMain(int argc, std::filesystem::path::value_type** argv, int (*body)(const CommandLine&)) {
#ifdef _WIN32
  SetConsoleOutputCP(CP_UTF8);
#endif
  // A program may be started with no arguments at all, not even its name.
  return body(argc > 1 ? CommandLine(argv + 1, argv + argc) : CommandLine());
}

}  // namespace vsk::os
