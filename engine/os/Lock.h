// An exclusive lock between processes, on a lock file of a folder
// (posix/ or win32/Lock.cpp): flock on POSIX, LockFileEx on Windows.
#pragma once

#include <cstdint>

#include "engine/os/Folder.h"
#include "engine/os/Names.h"

namespace vsk::os {

class FolderLock {
 public:
  FolderLock() = default;
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  ~FolderLock() { Release(); }

  // Locks `name` in `folder`, made private to its owner when missing and
  // never through a link; waits at most `timeoutMs`. False when the name
  // is no plain file or the lock was not had in time.
  bool Take(const Folder& folder, const NativeName& name, int timeoutMs);
  void Release();
  bool Held() const { return handle_ != -1; }

 private:
  intptr_t handle_ = -1;
};

}  // namespace vsk::os
