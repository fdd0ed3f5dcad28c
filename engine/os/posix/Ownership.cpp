#include <sys/stat.h>
#include <sys/xattr.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "engine/os/Ownership.h"
#include "engine/os/posix/Posix.h"

namespace vsk::os {

using posix::Fd;

bool SameKeeper(const File& other, const File& file, uint64_t maxSize) {
  struct stat theirs, ours;
  if (!other.IsOpen() || !file.IsOpen() || ::fstat(Fd(other.handle_), &theirs) != 0 ||
      ::fstat(Fd(file.handle_), &ours) != 0)
    return false;
  // A group may write it only when it may write the program too.
  const bool groupWrites = (theirs.st_mode & S_IWGRP) && theirs.st_gid != ours.st_gid;
  return S_ISREG(theirs.st_mode) && (theirs.st_uid == ours.st_uid || theirs.st_uid == 0) &&
         (theirs.st_mode & S_IWOTH) == 0 && !groupWrites &&
         static_cast<uint64_t>(theirs.st_size) <= maxSize;
}

bool ClearSetIds(File& file) {
  struct stat st;
  if (!file.IsOpen() || ::fstat(Fd(file.handle_), &st) != 0) return false;
  if ((st.st_mode & (S_ISUID | S_ISGID)) == 0) return true;
  return ::fchmod(Fd(file.handle_), st.st_mode & 07777 & ~(S_ISUID | S_ISGID)) == 0;
}

bool CopyAttributes(const File& from, File& to, bool privileges) {
  const int source = Fd(from.handle_), target = Fd(to.handle_);
  std::vector<char> names(64 * 1024);
  const ssize_t listed = ::flistxattr(source, names.data(), names.size());
  if (listed < 0) return errno == ENOTSUP;  // a file system without them
  std::vector<char> value(64 * 1024);
  for (ssize_t at = 0; at < listed;) {
    const char* name = names.data() + at;
    at += static_cast<ssize_t>(std::strlen(name)) + 1;
    if (!privileges && std::strcmp(name, "security.capability") == 0) continue;
    const ssize_t size = ::fgetxattr(source, name, value.data(), value.size());
    if (size < 0 || ::fsetxattr(target, name, value.data(), static_cast<size_t>(size), 0) != 0)
      return false;
  }
  return true;
}

}  // namespace vsk::os
