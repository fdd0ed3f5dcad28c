// What a name is, and which file it is.
#pragma once

#include <cstdint>
#include <filesystem>

namespace vsk::os {

// What a name or a path is. FileLink: a symbolic link to a file, or one
// that leads nowhere. FolderLink: a link or junction to a folder. Other:
// FIFOs, devices, sockets. Unknown: it could not be looked at.
enum class Kind { Missing, File, Folder, FileLink, FolderLink, Other, Unknown };
inline bool IsLink(Kind kind) { return kind == Kind::FileLink || kind == Kind::FolderLink; }

// What a path names, links followed: Missing, Folder, File or Other. A
// path that cannot be examined (its folder is closed to us) counts as a
// file: opening it tells why.
Kind KindOfPath(const std::filesystem::path& path);

// The same for every name of one file.
struct FileId {
  uint64_t volume = 0;
  uint64_t index = 0;
  bool operator==(const FileId&) const = default;
};

struct NameInfo {
  Kind kind = Kind::Unknown;
  FileId id;
};

}  // namespace vsk::os
