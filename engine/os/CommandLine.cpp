#include "engine/os/CommandLine.h"

#include "engine/os/System.h"

namespace vsk::os {

int RunMain(int argc, NativeChar** argv, int (*body)(const CommandLine&)) {
  UseUtf8Console();
  // A program may be started with no arguments at all, not even its name.
  return body(argc > 1 ? CommandLine(argv + 1, argv + argc) : CommandLine());
}

}  // namespace vsk::os
