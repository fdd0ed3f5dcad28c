// What the POSIX files of the seam share.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdint>

#include "engine/os/Error.h"
#include "engine/os/Kind.h"

namespace vsk::os::posix {

// O_NONBLOCK: a FIFO that slipped in since the look must not hang us;
// reads of regular files ignore it. O_NOCTTY: a terminal put in place of a
// file never becomes the controlling terminal.
constexpr int kFileFlags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK;

inline int Fd(intptr_t handle) { return static_cast<int>(handle); }

inline FileId IdOf(const struct stat& st) {
  return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

// Who besides `user` and root may change the names in the folder `st`.
inline bool OwnedByUserOrRoot(const struct stat& st, uid_t user) {
  return st.st_uid == user || st.st_uid == 0;
}
inline bool OpenToOthers(const struct stat& st) { return (st.st_mode & (S_IWGRP | S_IWOTH)) != 0; }

// Opens `name` in `dir` (AT_FDCWD: a path) with `access` once it is known
// by an O_PATH descriptor to be a regular file, a final link followed only
// with `follow`; `st` tells what was opened. -1 with `error` and `code`
// (Link: a link not followed).
int OpenRegular(int dir, const char* name, int access, bool follow, struct stat& st, Error& error,
                int& code);

}  // namespace vsk::os::posix
