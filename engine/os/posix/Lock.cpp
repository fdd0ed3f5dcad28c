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

bool FolderLock::Take(const Folder& folder, const NativeName& name, int timeoutMs) {
  Release();
  const int fd = ::openat(Fd(folder.handle_), name.c_str(),
                          O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0600);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= until) {
      ::close(fd);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
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
