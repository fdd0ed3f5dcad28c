// The file of a results row as it is now: opened by its name, never through
// a final link, so that what is checked is what the action then changes.
#pragma once

#include <filesystem>

#include "engine/os/File.h"
#include "engine/os/Folder.h"
#include "engine/db/VirusDatabase.h"

namespace vsk {

enum class CheckedTargetState {
  Ready,
  // The name now holds a folder, a device, a FIFO or a dangling link.
  Changed,
  Missing,
  Unreadable,
};

struct CheckedTarget {
  os::Folder folder;
  os::NativeName name;
  // The name itself: a file or a link.
  os::NameInfo info;
  // The file at the name, or what a link there leads to (read only).
  os::File file;
  bool IsLink() const { return os::IsLink(info.kind); }
};

// Opens the file of `path` for reading, and for writing too with `write`.
CheckedTargetState OpenCheckedTarget(const std::filesystem::path& path, bool write,
                                     CheckedTarget& out);

// True when `file`, read from its start, holds the signature of record
// `index` of `table`, found as the scan would find it.
bool HoldsVirus(const os::File& file, const VirusTable& table, int index);

}  // namespace vsk
