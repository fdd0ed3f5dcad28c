#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

#include "engine/os/FolderChain.h"
#include "engine/os/File.h"
#include "engine/os/posix/Posix.h"

namespace vsk::os {

using posix::kFolderFlags;

namespace {

// Folders deeper than this many levels below the open ones have their
// handles closed, well inside the usual limit of 1,024 descriptors.
constexpr size_t kOpenLevels = 200;
// The buffer a listing reads its records into, a few hundred names a call.
constexpr size_t kListingBytes = 32 * 1024;

bool Identify(int fd, dev_t& device, ino_t& inode, struct stat* seen = nullptr) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return false;
  device = st.st_dev;
  inode = st.st_ino;
  if (seen) *seen = st;
  return true;
}

// Whether the modes of the file system of `fd` are all there is to who may
// change it: a local one of these kinds. A network share or a FUSE one may
// let others write whatever its modes say.
bool KeepsToModes(int fd) {
  struct statfs fs;
  if (::fstatfs(fd, &fs) != 0) return false;
  switch (static_cast<unsigned long>(fs.f_type)) {
    case EXT4_SUPER_MAGIC:
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case F2FS_SUPER_MAGIC:
      return true;
    default:
      return false;
  }
}

// Whether nobody but this user and root can change the names in the folder
// `st` on such a file system: then a name the listing found to be a regular
// file can be opened as one, as only they could put something else there.
bool OwnOnly(const struct stat& st, bool keepsToModes, uid_t user) {
  return keepsToModes && posix::OwnedByUserOrRoot(st, user) && !posix::OpenToOthers(st);
}

// One listed name and what it is, from the listing's type or a look at it.
void Add(FolderEntries& entries, int fd, const char* name, unsigned char type) {
  struct stat st;
  // An entry that cannot even be looked at is taken for a file, so that
  // its failing open gives it a row.
  if (type == DT_UNKNOWN)
    type = ::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0 ? DT_REG
           : S_ISLNK(st.st_mode)                               ? DT_LNK
           : S_ISDIR(st.st_mode)                               ? DT_DIR
           : S_ISREG(st.st_mode)                               ? DT_REG
                                                               : DT_UNKNOWN;
  Kind kind = Kind::Other;
  if (type == DT_REG) {
    kind = Kind::File;
  } else if (type == DT_DIR) {
    kind = Kind::Folder;
  } else if (type == DT_LNK) {
    kind = Kind::FileLink;  // also a dangling link: listed, and fails to open
    if (::fstatat(fd, name, &st, 0) == 0)
      kind = S_ISDIR(st.st_mode) ? Kind::FolderLink : S_ISREG(st.st_mode) ? Kind::FileLink : Kind::Other;
  }
  entries.list.push_back({entries.names.size(), kind});
  entries.names.insert(entries.names.end(), name, name + std::strlen(name) + 1);
}

}  // namespace

struct FolderChain::Level {
  int fd = -1;  // -1 once closed to save descriptors, or lost
  dev_t device = 0;
  ino_t inode = 0;
  size_t pathLength = 0;  // of path_ with this folder's separator
  bool lost = false;      // could not be opened again on the way back
  bool listed = false;    // the handle's position has moved past the start
  bool keepsToModes = false;  // its file system (KeepsToModes)
  bool ownOnly = false;       // OwnOnly
  uid_t user = 0;             // the root's: the effective user of the walk
};

FolderChain::FolderChain() = default;

FolderChain::~FolderChain() {
  for (const Level& level : levels_)
    if (level.fd >= 0) ::close(level.fd);
}

bool FolderChain::OpenRoot(const std::filesystem::path& root) {
  for (const Level& level : levels_)
    if (level.fd >= 0) ::close(level.fd);
  levels_.clear();
  root_ = root;
  path_ = root.native();
  if (path_.empty() || path_.back() != '/') path_ += '/';
  Level level;
  level.pathLength = path_.size();
  level.fd = ::open(root.c_str(), kFolderFlags);
  struct stat st;
  const bool opened = level.fd >= 0 && Identify(level.fd, level.device, level.inode, &st);
  if (!opened) level.lost = true;
  if (opened) {
    level.keepsToModes = KeepsToModes(level.fd);
    level.user = ::geteuid();
    level.ownOnly = OwnOnly(st, level.keepsToModes, level.user);
  }
  levels_.push_back(level);
  return opened;
}

bool FolderChain::Enter(const NativeChar* name) {
  Level& parent = levels_.back();
  if (parent.fd < 0) return false;
  if (levels_.size() > kOpenLevels) {
    Level& oldest = levels_[levels_.size() - 1 - kOpenLevels];
    if (oldest.fd >= 0) ::close(oldest.fd);
    oldest.fd = -1;
  }
  Level level;
  level.fd = ::openat(parent.fd, name, kFolderFlags | O_NOFOLLOW);
  struct stat st;
  if (level.fd < 0 || !Identify(level.fd, level.device, level.inode, &st)) {
    if (level.fd >= 0) ::close(level.fd);
    return false;
  }
  // A mount point leads to another file system, to be looked at anew.
  level.keepsToModes = level.device == parent.device ? parent.keepsToModes : KeepsToModes(level.fd);
  level.ownOnly = OwnOnly(st, level.keepsToModes, levels_.front().user);
  path_.append(name);
  path_ += '/';
  level.pathLength = path_.size();
  levels_.push_back(level);
  return true;
}

bool FolderChain::Leave() {
  const Level child = levels_.back();
  levels_.pop_back();
  Level& parent = levels_.back();
  path_.resize(parent.pathLength);
  if (parent.fd < 0 && !parent.lost) {
    // Through ".." of the folder just left, else by its path while that is
    // short enough; either way it must be the very folder that was closed.
    const auto reopen = [&](int fd) {
      dev_t device = 0;
      ino_t inode = 0;
      if (fd >= 0 && Identify(fd, device, inode) && device == parent.device &&
          inode == parent.inode)
        return fd;
      if (fd >= 0) ::close(fd);
      return -1;
    };
    parent.fd = reopen(child.fd >= 0 ? ::openat(child.fd, "..", kFolderFlags | O_NOFOLLOW) : -1);
    // The root may be a link, as when it was first opened.
    const int flags = levels_.size() == 1 ? kFolderFlags : kFolderFlags | O_NOFOLLOW;
    if (parent.fd < 0) parent.fd = reopen(::open(FolderPath().c_str(), flags));
    parent.lost = parent.fd < 0;
  }
  if (child.fd >= 0) ::close(child.fd);
  return !parent.lost;
}

bool FolderChain::List(FolderEntries& entries) {
  entries.names.clear();
  entries.list.clear();
  Level& level = levels_.back();
  const int fd = level.fd;
  if (fd < 0) return false;
  // Read straight from the folder's own handle: no second handle, no DIR.
  // Only a second listing of the same folder needs to go back to its start.
  if (level.listed && ::lseek(fd, 0, SEEK_SET) != 0) return false;
  level.listed = true;
  if (listing_.size() < kListingBytes) listing_.resize(kListingBytes);
  for (;;) {
    const ssize_t n = ::getdents64(fd, listing_.data(), listing_.size());
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    for (ssize_t at = 0; at < n;) {
      dirent64 e;
      // Records are 8-aligned in the buffer; copied to read the fixed part.
      std::memcpy(&e, listing_.data() + at, offsetof(dirent64, d_name));
      const char* name = listing_.data() + at + offsetof(dirent64, d_name);
      at += e.d_reclen;
      if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
      Add(entries, fd, name, e.d_type);
    }
  }
}

bool FolderChain::LeadsOutside(const NativeChar* name) {
  const Level& root = levels_.front();
  if (levels_.back().fd < 0) return true;
  // Up from the target through "..": the tree's root on the way means
  // inside; the file system's root (its own parent) means outside.
  int fd = ::openat(levels_.back().fd, name, kFolderFlags);
  dev_t device = 0;
  ino_t inode = 0;
  bool outside = true;
  for (int up = 0; fd >= 0 && up < 4096 && Identify(fd, device, inode); ++up) {
    if (device == root.device && inode == root.inode) {
      outside = false;
      break;
    }
    const int parent = ::openat(fd, "..", kFolderFlags | O_NOFOLLOW);
    ::close(fd);
    fd = parent;
    dev_t parentDevice = 0;
    ino_t parentInode = 0;
    if (fd >= 0 && Identify(fd, parentDevice, parentInode) && parentDevice == device &&
        parentInode == inode)
      break;
  }
  if (fd >= 0) ::close(fd);
  return outside;
}

bool FolderChain::OpenFile(File& file, const NativeChar* name, bool followLink) {
  const Level& level = levels_.back();
  if (!followLink && level.ownOnly) return file.OpenListed(level.fd, name) == Error::None;
  return file.OpenAt(level.fd, name, O_RDONLY, followLink) == Error::None;
}

FileId FolderChain::FolderId() const {
  const Level& level = levels_.back();
  if (level.lost) return {};
  return {static_cast<uint64_t>(level.device), static_cast<uint64_t>(level.inode)};
}

std::filesystem::path FolderChain::FolderPath() const {
  if (levels_.size() <= 1) return root_;
  return std::filesystem::path(path_.substr(0, path_.size() - 1));
}

}  // namespace vsk::os
