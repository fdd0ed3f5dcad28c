// The file of a results row as it is now: opened by its name, never through
// a final link, so that what is checked is what the action then changes.
#pragma once

#include <cstdint>
#include <filesystem>

#include "engine/actions/CureMarker.h"
#include "engine/os/File.h"
#include "engine/os/Folder.h"
#include "engine/db/VirusDatabase.h"
#include "engine/scan/RowIdentity.h"

namespace vsk {

enum class CheckedTargetState {
  Ready,
  // The name now holds a folder, a device, a FIFO or a dangling link.
  Changed,
  Missing,
  Unreadable,
  // The folder or the file is no longer the one the scan read.
  Replaced,
  // A cure's marker lies beside the file and could not be resolved
  // (`pending` tells why): the file may be half written.
  UnderMarker,
};

struct CheckedTarget {
  os::Folder folder;
  os::NativeName name;
  // The name itself: a file or a link.
  os::NameInfo info;
  // The file at the name, or what a link there leads to (read only).
  os::File file;
  // The file's names when it was opened.
  uint32_t links = 0;
  // Restored: a cure cut short was undone before the file was opened.
  PendingCure pending = PendingCure::None;
  bool IsLink() const { return os::IsLink(info.kind); }
};

// Opens the file of `path` for reading, and for writing too with `write`,
// after resolving the marker of a cure cut short beside it.
// With a known `scanned`, the folder and the file (for a link, what it
// leads to) must still be those the scan read.
CheckedTargetState OpenCheckedTarget(const std::filesystem::path& path, bool write,
                                     CheckedTarget& out, const RowIdentity& scanned = {});

// True when `file`, read from its start, holds the signature of record
// `index` of `table`, found as the scan would find it; with `inArchive`,
// in a member of the archive it is too.
bool HoldsVirus(const os::File& file, const VirusTable& table, int index, bool inArchive = false);
// True when that signature lies wholly in bytes [from, end of file) of
// `file`, read in bounded pieces.
bool HoldsVirusFrom(const os::File& file, uint64_t from, const VirusTable& table, int index);

}  // namespace vsk
