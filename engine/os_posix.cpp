#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <chrono>
#include <ctime>

#include "engine/Options.h"
#include "engine/Os.h"
#include "engine/Text1251.h"

namespace vsk::os {

InputFile::~InputFile() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

bool InputFile::Open(const std::filesystem::path& path) {
  // O_NONBLOCK: a FIFO that slipped in since the listing must not hang us;
  // reads of regular files ignore it.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  handle_ = fd;
  size_ = st.st_size;
  return true;
}

long long InputFile::Read(void* buffer, size_t size) {
  for (;;) {
    const ssize_t n = ::read(static_cast<int>(handle_), buffer, size);
    if (n >= 0 || errno != EINTR) return n;
  }
}

bool ListDirectory(const std::filesystem::path& dir,
                   const std::function<void(const std::filesystem::path::string_type&,
                                            EntryKind)>& visit) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return false;
  const int dfd = ::dirfd(d);
  while (const dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    EntryKind kind = EntryKind::Other;
    unsigned char type = e->d_type;
    struct stat st;
    if (type == DT_UNKNOWN && ::fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
      type = S_ISLNK(st.st_mode) ? DT_LNK : S_ISDIR(st.st_mode) ? DT_DIR
                                          : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
    if (type == DT_REG) {
      kind = EntryKind::File;
    } else if (type == DT_DIR) {
      kind = EntryKind::Directory;
    } else if (type == DT_LNK && ::fstatat(dfd, e->d_name, &st, 0) == 0) {
      kind = S_ISDIR(st.st_mode) ? EntryKind::LinkedDirectory
             : S_ISREG(st.st_mode) ? EntryKind::File
                                   : EntryKind::Other;
    } else if (type == DT_LNK) {
      kind = EntryKind::File;  // a dangling link: listed, and fails to open
    }
    visit(name, kind);
  }
  ::closedir(d);
  return true;
}

MoveResult MoveNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
    return MoveResult::Moved;
  if (errno == EXDEV) return MoveResult::OtherDevice;
  if (errno != EINVAL && errno != ENOSYS) return MoveResult::Failed;
  // A file system without RENAME_NOREPLACE: a hard link fails on an existing
  // name, then the old name goes.
  if (::link(from.c_str(), to.c_str()) != 0)
    return errno == EXDEV ? MoveResult::OtherDevice : MoveResult::Failed;
  if (::unlink(from.c_str()) != 0) {
    ::unlink(to.c_str());
    return MoveResult::Failed;
  }
  return MoveResult::Moved;
}

bool ReplaceExisting(const std::filesystem::path& from, const std::filesystem::path& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool CopyAttributes(const std::filesystem::path& from, const std::filesystem::path& to) {
  struct stat st;
  if (::stat(from.c_str(), &st) != 0) return false;
  if (::chown(to.c_str(), st.st_uid, st.st_gid) != 0 && ::geteuid() == 0) return false;
  return ::chmod(to.c_str(), st.st_mode & 07777) == 0;
}

LocalTime Now() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  ::localtime_r(&t, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min};
}

std::wstring ComputerName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return FromUtf8(name);
}

std::wstring UserName() {
  if (const passwd* pw = ::getpwuid(::geteuid())) return FromUtf8(pw->pw_name);
  return {};
}

uint64_t TickCount() {
  using namespace std::chrono;
  return static_cast<uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace vsk::os
