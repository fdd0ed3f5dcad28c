#include <windows.h>

#include <chrono>
#include <thread>

#include "engine/os/Lock.h"
#include "engine/os/win32/Win32.h"

namespace vsk::os {

using win32::H;
using win32::Handle;

namespace {

// A byte far past any content is locked, so that reads and writes of the
// file by others are never blocked by the lock.
constexpr DWORD kLockedHigh = 0x40000000;

// Takes the lock on `h`, waiting at most `timeoutMs` for another holder.
bool LockWithin(HANDLE h, int timeoutMs) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    OVERLAPPED at{};
    at.OffsetHigh = kLockedHigh;
    if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
      return true;
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

void Unlock(HANDLE h) {
  OVERLAPPED at{};
  at.OffsetHigh = kLockedHigh;
  UnlockFileEx(h, 0, 1, 0, &at);
}

}  // namespace

bool FileLock::Take(const File& file, int milliseconds) {
  Release();
  if (!LockWithin(H(file.handle_), milliseconds)) return false;
  file_ = &file;
  return true;
}

void FileLock::Release() {
  if (file_ && file_->IsOpen()) Unlock(H(file_->handle_));
  file_ = nullptr;
}

bool FolderLock::Take(const Folder& folder, const NativeName& name, int timeoutMs) {
  Release();
  // Made, when missing, with a DACL of the user alone; a reparse point at
  // the name is opened as itself, and refused below.
  win32::PrivateSecurity security;
  if (!security.Make()) return false;
  HANDLE h = win32::OpenIn(H(folder.handle_), name, GENERIC_READ | GENERIC_WRITE, win32::kOpenIf,
                           win32::kNoFolder | win32::kNoReparse,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, security.Descriptor());
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
      win32::KindOf(info.dwFileAttributes) != Kind::File || !LockWithin(h, timeoutMs)) {
    CloseHandle(h);
    return false;
  }
  handle_ = Handle(h);
  return true;
}

void FolderLock::Release() {
  if (handle_ == -1) return;
  Unlock(H(handle_));
  CloseHandle(H(handle_));
  handle_ = -1;
}

}  // namespace vsk::os
