// Whose a file is, as far as taking its content for another file goes
// (posix/ or win32/Ownership.cpp).
#pragma once

#include <cstdint>

#include "engine/os/File.h"

namespace vsk::os {

// True when `other`, an open file, may give its content to `file`: it
// belongs to the same owner or to the system (root; Administrators or
// SYSTEM on Windows), nobody else may write to it (on POSIX: others never,
// its group only when that is the file's group too), and it is at most
// `maxSize` bytes.
bool SameKeeper(const File& other, const File& file, uint64_t maxSize);

// Gives `to` the extended attributes of `from` (on POSIX these hold ACLs
// and capabilities too); nothing to do on Windows, whose replace keeps
// them. Without `privileges` the capabilities stay behind, as the set-id
// bits do. False when one could not be given: `to` would grant more.
bool CopyAttributes(const File& from, File& to, bool privileges);

// Clears the set-user-id and set-group-id bits of `file` (POSIX; nothing
// to do on Windows). False when they could not be cleared.
bool ClearSetIds(File& file);

}  // namespace vsk::os
