#include <fcntl.h>
#include <linux/magic.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

#include "engine/os/File.h"
#include "engine/os/Folder.h"
#include "engine/os/posix/Posix.h"

namespace vsk::os {
namespace fs = std::filesystem;

using posix::Fd;
using posix::IdOf;
using posix::kFileFlags;

void File::Close() {
  if (handle_ >= 0) ::close(Fd(handle_));
  handle_ = -1;
}

bool File::Adopt(intptr_t handle, const NativeChar*) {
  Close();
  const int fd = Fd(handle);
  if (fd < 0) return Fail(ErrorOf(errno), errno) == Error::None;
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    const int code = errno;
    ::close(fd);
    return Fail(ErrorOf(code), code) == Error::None;
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return Fail(Error::NotAFile, 0) == Error::None;
  }
  handle_ = fd;
  id_ = IdOf(st);
  links_ = static_cast<uint32_t>(st.st_nlink);
  size_ = st.st_size;
  Fail(Error::None, 0);
  return true;
}

namespace {

// This process's /proc/self/fd, opened once: a reopen through it looks up
// one name instead of walking /proc/self each time. Only a procfs one
// counts (its names are the open files themselves), and only in the process
// that opened it: a forked child has other descriptors, and goes by path.
std::atomic<bool> procFdsForked{false};

struct ProcFds {
  int fd = -1;
  ProcFds() {
    fd = ::open("/proc/self/fd", O_PATH | O_DIRECTORY | O_CLOEXEC);
    struct statfs fs;
    if (fd >= 0 && (::fstatfs(fd, &fs) != 0 || fs.f_type != PROC_SUPER_MAGIC)) {
      ::close(fd);
      fd = -1;
    }
    ::pthread_atfork(nullptr, nullptr, [] { procFdsForked = true; });
  }
};

// Opens what `pathFd` stands for; `same` tells when that is known to be
// the very file without a look at the result (the open went by the handle
// through a procfs of this process, not by a name).
int OpenProcFd(int pathFd, int flags, bool& same) {
  static const ProcFds proc;
  char digits[16];
  char* name = digits + sizeof digits;
  *--name = '\0';
  unsigned n = static_cast<unsigned>(pathFd);
  do {
    *--name = static_cast<char>('0' + n % 10);
  } while ((n /= 10) != 0);
  same = proc.fd >= 0 && !procFdsForked.load(std::memory_order_relaxed);
  if (same) return ::openat(proc.fd, name, flags);
  return ::open((std::string("/proc/self/fd/") + name).c_str(), flags);
}

// Opens the file that `pathFd` (an O_PATH descriptor) stands for, once it
// is known to be a regular file: a FIFO or a device is never opened, so no
// driver acts and nothing blocks. The new descriptor must be that same
// file; `st` is what it is.
int Reopen(int pathFd, int access, struct stat& st, Error& error, int& code) {
  code = 0;
  if (::fstat(pathFd, &st) != 0) {
    code = errno;
    error = ErrorOf(code);
    return -1;
  }
  error = S_ISLNK(st.st_mode) ? Error::Link : S_ISREG(st.st_mode) ? Error::None : Error::NotAFile;
  if (error != Error::None) return -1;
  bool same = false;
  const int fd = OpenProcFd(pathFd, access | kFileFlags, same);
  if (fd < 0) {
    code = errno;
    error = ErrorOf(code);
    return -1;
  }
  struct stat opened;
  if (!same && (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || IdOf(opened) != IdOf(st))) {
    ::close(fd);
    error = Error::Failed;
    return -1;
  }
  return fd;
}

}  // namespace

namespace posix {

int OpenRegular(int dir, const char* name, int access, bool follow, struct stat& st, Error& error,
                int& code) {
  const int pathFd = ::openat(dir, name, O_PATH | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW));
  if (pathFd < 0) {
    code = errno;
    error = ErrorOf(code);
    return -1;
  }
  int fd = Reopen(pathFd, access, st, error, code);
  if (fd < 0 && error != Error::Link && error != Error::NotAFile && ::access("/proc/self/fd", X_OK) != 0) {
    // No /proc: the name opened again, checked to be the same file.
    struct stat seen;
    fd = ::fstat(pathFd, &seen) == 0 ? ::openat(dir, name, access | kFileFlags | (follow ? 0 : O_NOFOLLOW)) : -1;
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || IdOf(st) != IdOf(seen))) {
      ::close(fd);
      fd = -1;
    }
    error = fd >= 0 ? Error::None : Error::Failed;
  }
  ::close(pathFd);
  return fd;
}

}  // namespace posix

Error File::OpenAt(int dir, const char* name, int access, bool follow) {
  Close();
  Error error;
  int code;
  struct stat st;
  const int fd = posix::OpenRegular(dir, name, access, follow, st, error, code);
  if (fd < 0) return Fail(error, code);
  handle_ = fd;
  id_ = IdOf(st);
  links_ = static_cast<uint32_t>(st.st_nlink);
  size_ = st.st_size;
  return Fail(Error::None, 0);
}

Error File::OpenListed(int dir, const char* name) {
  Adopt(::openat(dir, name, O_RDONLY | O_NOFOLLOW | kFileFlags));
  return error_;
}

Error File::Open(const fs::path& path, bool write) {
  return OpenAt(AT_FDCWD, path.c_str(), write ? O_RDWR : O_RDONLY, true);
}

Error File::Open(const Folder& folder, const NativeName& name, bool write) {
  return OpenAt(Fd(folder.handle_), name.c_str(), write ? O_RDWR : O_RDONLY, false);
}

Error File::OpenTarget(const Folder& folder, const NativeName& name) {
  return OpenAt(Fd(folder.handle_), name.c_str(), O_RDONLY, true);
}

Error File::OpenOrCreate(const Folder& folder, const NativeName& name, bool& created) {
  Close();
  created = false;
  const int dir = Fd(folder.handle_);
  int fd = ::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd >= 0) {
    created = true;
  } else if (errno == EEXIST) {
    return OpenAt(dir, name.c_str(), O_WRONLY, false);
  } else {
    return Fail(ErrorOf(errno), errno);
  }
  Adopt(fd);
  return error_;
}

bool File::CreateNew(const Folder& folder, const NativeName& prefix, const NativeName& suffix,
                     NativeName& name) {
  Close();
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = prefix + RandomHex(8) + suffix;
    const int fd = ::openat(Fd(folder.handle_), name.c_str(),
                            O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    if (!Adopt(fd)) {
      ::unlinkat(Fd(folder.handle_), name.c_str(), 0);
      return false;
    }
    links_ = 1;
    return true;
  }
  return false;
}

long long File::Size() const {
  struct stat st;
  return ::fstat(Fd(handle_), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

long long File::Read(void* data, size_t size) const {
  for (;;) {
    const ssize_t n = ::read(Fd(handle_), data, size);
    if (n >= 0) return n;
    if (errno != EINTR) {
      Fail(Error::ReadFailed, errno);
      return -1;
    }
  }
}

bool File::Rewind() const { return ::lseek(Fd(handle_), 0, SEEK_SET) == 0; }

File::Extent File::SkipHole() const {
  const int fd = Fd(handle_);
  const off_t at = ::lseek(fd, 0, SEEK_CUR);
  if (at < 0) return {0, kAllData};
  const off_t data = ::lseek(fd, at, SEEK_DATA);
  if (data < 0) {
    // ENXIO: a hole up to the end. Anything else: no holes known here.
    if (errno != ENXIO) return {0, kAllData};
    const off_t end = ::lseek(fd, 0, SEEK_END);
    return {end > at ? static_cast<uint64_t>(end - at) : 0, 0};
  }
  const off_t hole = ::lseek(fd, data, SEEK_HOLE);
  ::lseek(fd, data, SEEK_SET);
  return {static_cast<uint64_t>(data - at),
          hole > data ? static_cast<uint64_t>(hole - data) : kAllData};
}

long long File::ReadAt(uint64_t offset, void* data, size_t size) const {
  for (;;) {
    const ssize_t n = ::pread(Fd(handle_), data, size, static_cast<off_t>(offset));
    if (n >= 0 || errno != EINTR) return n;
  }
}

bool File::WriteAt(uint64_t offset, const void* data, size_t size) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::pwrite(Fd(handle_), p, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    offset += static_cast<uint64_t>(n);
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool File::Truncate(uint64_t size) { return ::ftruncate(Fd(handle_), static_cast<off_t>(size)) == 0; }

bool File::Flush() { return ::fsync(Fd(handle_)) == 0; }

bool File::TakeMetadata(const File& from) {
  struct stat st;
  if (::fstat(Fd(from.handle_), &st) != 0) return false;
  // Owner first: a change of owner clears the set-id bits.
  const bool owner = ::fchown(Fd(handle_), st.st_uid, st.st_gid) == 0;
  return ::fchmod(Fd(handle_), st.st_mode & 07777) == 0 && owner;
}

FileId File::Identity() const { return id_; }

}  // namespace vsk::os
