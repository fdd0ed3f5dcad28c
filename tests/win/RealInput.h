// Real mouse and keyboard input through the X server (xdotool), for what
// depends on how input lands: which row a right click takes, what Ctrl+click
// and Ctrl+A select. The window's own thread serves its messages meanwhile.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "tests/win/WinTestUtil.h"

namespace vsk::test {

// Runs the Unix command line `command` through /bin/sh; true when it ran to
// its end. Wine starts a Unix program without a handle to wait on, so the
// shell leaves a mark when it is done.
inline bool RunUnixTool(const std::wstring& command) {
  static int runs = 0;
  const std::wstring mark = L"/tmp/vsk-input-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                            std::to_wstring(++runs);
  std::wstring line = L"Z:\\bin\\sh -c \"" + command + L"; : > " + mark + L"\"";
  std::wstring markPath = L"Z:" + mark;
  for (wchar_t& c : markPath)
    if (c == L'/') c = L'\\';
  STARTUPINFOW si{sizeof(si)};
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return false;
  if (pi.hProcess) ::CloseHandle(pi.hProcess);
  if (pi.hThread) ::CloseHandle(pi.hThread);
  const DWORD limit = ::GetTickCount() + 30000;
  bool ended = false;
  while (!(ended = ::GetFileAttributesW(markPath.c_str()) != INVALID_FILE_ATTRIBUTES) &&
         ::GetTickCount() < limit) {
    PumpMessages();
    ::Sleep(10);
  }
  ::DeleteFileW(markPath.c_str());
  // The X events reach the window's queue after the tool has ended.
  for (int i = 0; i < 25; ++i) {
    ::Sleep(20);
    PumpMessages();
  }
  return ended;
}

inline bool Xdo(const std::wstring& args) { return RunUnixTool(L"xdotool " + args); }

// The screen point inside row `row` of list view `list`, on its text.
inline POINT RowPoint(HWND list, int row) {
  RECT r{LVIR_LABEL, 0, 0, 0};
  ::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
  POINT p{r.left + 30, (r.top + r.bottom) / 2};
  ::ClientToScreen(list, &p);
  return p;
}

// Clicks `button` (1 left, 3 right) on row `row`, with `keys` held (such as
// "ctrl"; empty: none).
inline bool ClickRow(HWND list, int row, int button, const std::wstring& keys = {}) {
  const POINT p = RowPoint(list, row);
  const std::wstring move = L"mousemove " + std::to_wstring(p.x) + L" " + std::to_wstring(p.y);
  if (keys.empty()) return Xdo(move + L" click " + std::to_wstring(button));
  return Xdo(move + L" keydown " + keys + L" click " + std::to_wstring(button) + L" keyup " + keys);
}

}  // namespace vsk::test
