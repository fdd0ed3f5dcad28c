#include <windows.h>

#include "engine/os/System.h"

namespace vsk::os {

LocalTime Now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute};
}

std::wstring ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  return GetComputerNameW(name, &size) ? std::wstring(name, size) : std::wstring();
}

std::wstring UserName() {
  wchar_t name[257] = {};
  DWORD size = 257;
  return GetUserNameW(name, &size) ? std::wstring(name) : std::wstring();
}

uint64_t TickCount() { return GetTickCount64(); }

int UsableProcessors() {
  DWORD_PTR process = 0, system = 0;
  if (!GetProcessAffinityMask(GetCurrentProcess(), &process, &system) || process == 0) return 1;
  int count = 0;
  for (; process; process &= process - 1) ++count;
  return count;
}

ThreadStart CurrentThreadStart() {
  ThreadStart start;
  start.priority = GetThreadPriority(GetCurrentThread());
  return start;
}
// Windows spreads new threads over the processors by itself.
void StartAway(std::thread&) {}
void TakeThreadStart(const ThreadStart& start) { ::SetThreadPriority(GetCurrentThread(), start.priority); }
void UseUtf8Console() { SetConsoleOutputCP(CP_UTF8); }

}  // namespace vsk::os
