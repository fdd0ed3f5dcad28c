// vireskand-scan: the scanner without windows, over the same engine.
#include "cli/CliRun.h"
#include "engine/os/CommandLine.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return vsk::os::RunMain(argc, argv, vsk::ScannerMain); }
#else
int main(int argc, char** argv) { return vsk::os::RunMain(argc, argv, vsk::ScannerMain); }
#endif
