// What the quarantine knows of an entry it stores or gives back, and how
// the entry crosses from one volume to another: copied, compared with what
// its record says, and only then given its name.
#pragma once

#include <cstdint>
#include <string>

#include "engine/os/File.h"
#include "engine/os/Folder.h"

namespace vsk {

// What a record says of the entry `name` of `folder`: the size and SHA-256
// of a file's bytes (`content`, open), or of a link's own text (of what it
// leads to where the text cannot be read). False when neither can be read.
bool DescribeEntry(const os::Folder& folder, const os::NativeName& name, bool link,
                   const os::File& content, uint64_t& size, std::string& sha256);

// Copies what `name` of `from` holds into `to` as `toName` (never over
// anything unless `replace`): a link as a link, a file through the atomic
// write, compared with `sha256` before it takes the name. Moved, Exists or
// Failed; nothing new is left in `to` unless Moved. `from` is not changed.
os::MoveResult CopyAcross(const os::Folder& from, const os::NativeName& name, bool link,
                          const os::File& content, uint64_t size, const std::string& sha256,
                          const os::Folder& to, const os::NativeName& toName, bool replace);

}  // namespace vsk
