// A lock on a whole open file that other writers of it take too
// (posix/ or win32/FileLock.cpp). Waiting is bounded.
#pragma once

#include "engine/os/File.h"

namespace vsk::os {

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

}  // namespace vsk::os
