#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "engine/os/Lock.h"
#include "engine/os/posix/Posix.h"

namespace vsk::os {

using posix::Fd;

namespace {

// Takes the lock on `fd`, waiting at most `timeoutMs` for another holder.
bool LockWithin(int fd, int timeoutMs) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= until)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace

bool FileLock::Take(const File& file, int milliseconds) {
  Release();
  if (!LockWithin(Fd(file.handle_), milliseconds)) return false;
  file_ = &file;
  return true;
}

void FileLock::Release() {
  if (file_ && file_->IsOpen()) ::flock(Fd(file_->handle_), LOCK_UN);
  file_ = nullptr;
}

bool FolderLock::Take(const Folder& folder, const NativeName& name, int timeoutMs) {
  Release();
  const int fd = ::openat(Fd(folder.handle_), name.c_str(),
                          O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0600);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !LockWithin(fd, timeoutMs)) {
    ::close(fd);
    return false;
  }
  handle_ = fd;
  return true;
}

void FolderLock::Release() {
  if (handle_ == -1) return;
  ::flock(Fd(handle_), LOCK_UN);
  ::close(Fd(handle_));
  handle_ = -1;
}

}  // namespace vsk::os
