// One window per user, session and data folder. A start with a path waits
// (bounded) for a window of the same instance that is still starting, then
// hands it the path and ends; the window scans it once idle. Only windows
// of this user's processes in this session are ever sent a path.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

namespace vsk {

class CSingleInstance {
 public:
  // Takes the instance's start lock: waits for it when `waitForOthers`
  // (a start with a path), else only takes it when it is free.
  CSingleInstance(const std::filesystem::path& dataFolder, bool waitForOthers);
  CSingleInstance(const CSingleInstance&) = delete;
  CSingleInstance& operator=(const CSingleInstance&) = delete;
  ~CSingleInstance();

  // Hands `path` to a running window of this instance; true when one took it.
  bool HandOff(const std::wstring& path) const;
  // Marks `window` as this instance's main window and lets the next start in.
  void Register(HWND window);

  // The process's instance while it lives (none in tests that run the
  // window alone).
  static CSingleInstance* Current();

 private:
  HWND FindRunningWindow() const;
  void Release();

  std::wstring m_name;
  HANDLE m_mutex = nullptr;
  bool m_held = false;
};

// Whether `window` belongs to a process of the calling process's user and
// session.
bool WindowOfThisUser(HWND window);

}  // namespace vsk
