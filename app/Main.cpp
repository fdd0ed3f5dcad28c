#include <windows.h>

#include "app/ScannerApp.h"

namespace {
vsk::CScannerApp theApp;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, wchar_t*, int) {
  return vsk::AfxWinMain(instance);
}
