#include <sys/file.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "engine/os/FileLock.h"
#include "engine/os/posix/Posix.h"

namespace vsk::os {

bool FileLock::Take(const File& file, int milliseconds) {
  Release();
  for (int waited = 0;; waited += 10) {
    if (::flock(posix::Fd(file.handle_), LOCK_EX | LOCK_NB) == 0) {
      file_ = &file;
      return true;
    }
    if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= milliseconds) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

void FileLock::Release() {
  if (file_ && file_->IsOpen()) ::flock(posix::Fd(file_->handle_), LOCK_UN);
  file_ = nullptr;
}

}  // namespace vsk::os
