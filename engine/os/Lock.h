// Exclusive locks between processes (posix/ or win32/Lock.cpp): flock on
// POSIX; LockFileEx on Windows, on a byte far past any content, so that
// the lock never blocks anybody's reads or writes. Waiting is bounded.
#pragma once

#include <cstdint>

#include "engine/os/File.h"
#include "engine/os/Folder.h"
#include "engine/os/Names.h"

namespace vsk::os {

// A lock on an open file that its other writers take too.
class FileLock {
 public:
  FileLock() = default;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  ~FileLock() { Release(); }

  // Takes the lock on `file` for writing, waiting up to `milliseconds` for
  // another holder. False when it could not be had; `file` must stay open
  // while it is held.
  bool Take(const File& file, int milliseconds);
  void Release();

 private:
  const File* file_ = nullptr;
};

// A lock file of a folder, held open while locked.
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
