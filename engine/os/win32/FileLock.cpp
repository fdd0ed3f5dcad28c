#include <windows.h>

#include "engine/os/FileLock.h"
#include "engine/os/win32/Win32.h"

namespace vsk::os {

bool FileLock::Take(const File& file, int milliseconds) {
  Release();
  for (int waited = 0;; waited += 10) {
    OVERLAPPED whole{};
    if (LockFileEx(win32::H(file.handle_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                   MAXDWORD, MAXDWORD, &whole)) {
      file_ = &file;
      return true;
    }
    if (GetLastError() != ERROR_LOCK_VIOLATION || waited >= milliseconds) return false;
    Sleep(10);
  }
}

void FileLock::Release() {
  if (file_ && file_->IsOpen()) {
    OVERLAPPED whole{};
    UnlockFileEx(win32::H(file_->handle_), 0, MAXDWORD, MAXDWORD, &whole);
  }
  file_ = nullptr;
}

}  // namespace vsk::os
