#include <windows.h>

#include <chrono>
#include <thread>

#include "engine/os/Lock.h"
#include "engine/os/win32/Win32.h"

namespace vsk::os {

using win32::H;
using win32::Handle;
using win32::Long;

namespace {

// A byte far past any content is locked, so that reads and writes of the
// file by others are never blocked by the lock.
constexpr DWORD kLockedHigh = 0x40000000;

}  // namespace

bool FolderLock::Take(const Folder& folder, const NativeName& name, int timeoutMs) {
  Release();
  HANDLE h = CreateFileW(Long(folder.PathOf(name)).c_str(), GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
      win32::KindOf(info.dwFileAttributes) != Kind::File) {
    CloseHandle(h);
    return false;
  }
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    OVERLAPPED at{};
    at.OffsetHigh = kLockedHigh;
    if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) break;
    if (std::chrono::steady_clock::now() >= until) {
      CloseHandle(h);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  handle_ = Handle(h);
  return true;
}

void FolderLock::Release() {
  if (handle_ == -1) return;
  OVERLAPPED at{};
  at.OffsetHigh = kLockedHigh;
  UnlockFileEx(H(handle_), 0, 1, 0, &at);
  CloseHandle(H(handle_));
  handle_ = -1;
}

}  // namespace vsk::os
