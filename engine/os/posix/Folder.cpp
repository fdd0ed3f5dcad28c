#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "engine/os/Folder.h"
#include "engine/os/Error.h"
#include "engine/os/posix/Posix.h"

namespace vsk::os {
namespace fs = std::filesystem;

namespace {

using posix::Fd;
using posix::IdOf;
using posix::kFileFlags;
using posix::kFolderFlags;

// A link is told by what it leads to: a folder, or anything else.
Kind KindOf(int dir, const char* name, mode_t mode) {
  if (S_ISREG(mode)) return Kind::File;
  if (S_ISDIR(mode)) return Kind::Folder;
  if (!S_ISLNK(mode)) return Kind::Other;
  struct stat target;
  return ::fstatat(dir, name, &target, 0) == 0 && S_ISDIR(target.st_mode) ? Kind::FolderLink
                                                                           : Kind::FileLink;
}

// Past PATH_MAX the kernel takes no whole path, so a long one is walked a
// component at a time; each component resolves as it would in the path.
int OpenFolderPath(const std::string& path, bool create) {
  if (!create && path.size() < PATH_MAX) return ::open(path.c_str(), kFolderFlags);
  int dir = ::open(path[0] == '/' ? "/" : ".", kFolderFlags);
  for (size_t i = 0; dir >= 0 && i < path.size();) {
    size_t end = path.find('/', i);
    if (end == std::string::npos) end = path.size();
    if (end > i) {
      const std::string part = path.substr(i, end - i);
      int next = ::openat(dir, part.c_str(), kFolderFlags);
      if (next < 0 && errno == ENOENT && create &&
          (::mkdirat(dir, part.c_str(), 0777) == 0 || errno == EEXIST))
        next = ::openat(dir, part.c_str(), kFolderFlags);
      ::close(dir);
      dir = next;
    }
    i = end + 1;
  }
  return dir;
}


}  // namespace

Folder::Folder(Folder&& other) noexcept { *this = std::move(other); }

Folder& Folder::operator=(Folder&& other) noexcept {
  if (this != &other) {
    if (handle_ >= 0) ::close(Fd(handle_));
    handle_ = other.handle_;
    path_ = std::move(other.path_);
    other.handle_ = -1;
  }
  return *this;
}

Folder::~Folder() {
  if (handle_ >= 0) ::close(Fd(handle_));
}

bool Folder::Open(const fs::path& path, bool create) {
  const int fd = OpenFolderPath(path.empty() ? std::string(".") : path.native(), create);
  if (fd < 0) return false;
  *this = Folder();
  handle_ = fd;
  path_ = path;
  return true;
}

Folder::SubResult Folder::OpenSubfolder(const Folder& parent, const NativeName& name,
                                        bool create) {
  if (create && ::mkdirat(Fd(parent.handle_), name.c_str(), 0700) != 0 && errno != EEXIST)
    return SubResult::Failed;
  const int fd = ::openat(Fd(parent.handle_), name.c_str(), kFolderFlags | O_NOFOLLOW);
  if (fd < 0) return errno == ELOOP || errno == ENOTDIR ? SubResult::Refused : SubResult::Failed;
  *this = Folder();
  handle_ = fd;
  path_ = parent.PathOf(name);
  return SubResult::Opened;
}

Folder::PathResult Folder::OpenNoFollow(const fs::path& path, bool createPrivate) {
  if (!path.is_absolute()) return PathResult::Failed;
  int dir = ::open("/", kFolderFlags);
  const std::string& text = path.native();
  for (size_t i = 0; dir >= 0 && i < text.size();) {
    size_t end = text.find('/', i);
    if (end == std::string::npos) end = text.size();
    const std::string part = text.substr(i, end - i);
    i = end + 1;
    if (part.empty()) continue;
    int next = -1;
    if (part != "." && part != "..") {
      next = ::openat(dir, part.c_str(), kFolderFlags | O_NOFOLLOW);
      if (next < 0 && errno == ENOENT && createPrivate &&
          (::mkdirat(dir, part.c_str(), 0700) == 0 || errno == EEXIST))
        next = ::openat(dir, part.c_str(), kFolderFlags | O_NOFOLLOW);
      if (next < 0 && (errno == ELOOP || errno == ENOTDIR)) {
        struct stat st;
        if (::fstatat(dir, part.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)) {
          ::close(dir);
          return PathResult::Link;
        }
      }
    }
    ::close(dir);
    dir = next;
  }
  if (dir < 0) return PathResult::Failed;
  *this = Folder();
  handle_ = dir;
  path_ = path;
  return PathResult::Opened;
}

Folder::Trust Folder::Trusted() const {
  struct stat st;
  if (::fstat(Fd(handle_), &st) != 0 || !S_ISDIR(st.st_mode)) return Trust::Unknown;
  if (!posix::OwnedByUserOrRoot(st, ::geteuid())) return Trust::ForeignOwner;
  return posix::OpenToOthers(st) ? Trust::OpenToOthers : Trust::Trusted;
}

NameInfo Folder::Inspect(const NativeName& name) const {
  struct stat st;
  if (::fstatat(Fd(handle_), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
    return {ErrorOf(errno) == Error::Missing ? Kind::Missing : Kind::Unknown, {}};
  return {KindOf(Fd(handle_), name.c_str(), st.st_mode), IdOf(st)};
}

bool Folder::Remove(const NativeName& name, const FileId& id) const {
  const NameInfo now = Inspect(name);
  if (now.kind == Kind::Missing || now.kind == Kind::Folder || now.kind == Kind::Unknown)
    return false;
  return now.id == id && ::unlinkat(Fd(handle_), name.c_str(), 0) == 0;
}

MoveResult Folder::Move(const NativeName& name, const FileId& id, const Folder& to,
                        const NativeName& toName, bool replace) const {
  const NameInfo now = Inspect(name);
  if (now.kind == Kind::Folder || now.id != id) return MoveResult::Failed;
  const int from = Fd(handle_), into = Fd(to.handle_);
  int result = replace ? ::renameat(from, name.c_str(), into, toName.c_str())
                       : ::renameat2(from, name.c_str(), into, toName.c_str(), RENAME_NOREPLACE);
  if (result != 0 && !replace && (errno == EINVAL || errno == ENOSYS)) {
    // A file system without RENAME_NOREPLACE: a hard link fails on an
    // existing name (and links a link itself), then the old name goes.
    result = ::linkat(from, name.c_str(), into, toName.c_str(), 0);
    if (result == 0 && ::unlinkat(from, name.c_str(), 0) != 0) {
      ::unlinkat(into, toName.c_str(), 0);
      return MoveResult::Failed;
    }
  }
  if (result == 0) return MoveResult::Moved;
  if (errno == EXDEV) return MoveResult::OtherDevice;
  return errno == EEXIST ? MoveResult::Exists : MoveResult::Failed;
}

bool Folder::Replace(const NativeName& name, const FileId& id, const NativeName& from) const {
  const NameInfo now = Inspect(name);
  return now.kind == Kind::File && now.id == id &&
         ::renameat(Fd(handle_), from.c_str(), Fd(handle_), name.c_str()) == 0;
}

FileId Folder::Id() const {
  struct stat st;
  return handle_ >= 0 && ::fstat(Fd(handle_), &st) == 0 ? IdOf(st) : FileId{};
}

bool Folder::Sync() const { return ::fsync(Fd(handle_)) == 0; }

bool Folder::ReadLink(const NativeName& name, NativeName& target) const {
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t n = ::readlinkat(Fd(handle_), name.c_str(), buffer.data(), buffer.size());
    if (n < 0) return false;
    if (static_cast<size_t>(n) < buffer.size()) {
      target.assign(buffer.data(), static_cast<size_t>(n));
      return true;
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool Folder::MakeLink(const NativeName& name, const NativeName& target) const {
  return ::symlinkat(target.c_str(), Fd(handle_), name.c_str()) == 0;
}

Kind KindOfPath(const std::filesystem::path& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0)
    return ErrorOf(errno) == Error::Missing ? Kind::Missing : Kind::File;
  if (S_ISDIR(st.st_mode)) return Kind::Folder;
  return S_ISREG(st.st_mode) ? Kind::File : Kind::Other;
}

}  // namespace vsk::os
