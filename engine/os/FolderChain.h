// The folders of a walk, opened without following links
// (posix/ or win32/FolderChain.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "engine/os/Kind.h"
#include "engine/os/Names.h"

namespace vsk::os {

class File;

// One folder's entries in the order the file system returns them, "." and
// ".." left out, hidden and system entries included; a link to a FIFO or a
// device is Other. Kept from one folder to the next, so that listing
// allocates only when a folder is larger than any before it.
struct FolderEntries {
  struct Entry {
    size_t offset;  // of the name in `names`
    Kind kind;
  };
  std::vector<NativeChar> names;  // each name ends in a zero
  std::vector<Entry> list;
  const NativeChar* Name(const Entry& e) const { return names.data() + e.offset; }
};

// The folders of a walk from its root down to the one being listed. Each
// is open by handle, listed by it, and everything below is opened relative
// to its folder, so any depth the file system allows is reached whatever
// the length of the path. On POSIX, past a number of levels the upper
// folders' handles are closed and opened again through ".." on the way
// back; on Windows they all stay open.
class FolderChain {
 public:
  FolderChain();
  FolderChain(const FolderChain&) = delete;
  FolderChain& operator=(const FolderChain&) = delete;
  ~FolderChain();

  // The walk's root, as the user gave it (a link to a folder is followed).
  bool OpenRoot(const std::filesystem::path& root);
  // Subfolder `name` of the deepest folder becomes the deepest; a link is
  // never entered. False, and nothing changes, when it cannot be opened.
  bool Enter(const NativeChar* name);
  // Back to the parent. False when the parent could not be opened again as
  // the same folder (it was moved meanwhile): its walk cannot go on.
  bool Leave();
  // The deepest folder's entries. False when it could not be listed to its
  // end; what was read stays in `entries`.
  bool List(FolderEntries& entries);
  // Whether the link or junction `name` of the deepest folder leads to a
  // folder outside the walk's tree (true too when that cannot be told).
  // The target is looked at as a folder only, and never entered.
  bool LeadsOutside(const NativeChar* name);
  // File `name` of the deepest folder for reading, following a link only
  // when `followLink`; `file` tells why when it fails. Without it, `name`
  // is one the listing gave as a regular file: in a folder that only this
  // user and root can change (on POSIX, on a local file system) it is
  // opened at once, as only they could have put anything else there;
  // elsewhere it is looked at by handle before it is opened.
  bool OpenFile(File& file, const NativeChar* name, bool followLink);
  // The deepest folder's path as the walk shows it, ending in a separator.
  const NativeName& Path() const { return path_; }
  // The deepest folder's identity, of the folder held; zero when it cannot
  // be told.
  FileId FolderId() const;
  // The deepest folder's path without that separator (the root as given).
  std::filesystem::path FolderPath() const;

 private:
  struct Level;
  std::vector<Level> levels_;
  NativeName path_;
  std::vector<char> listing_;  // the records a listing reads
  std::filesystem::path root_;
};

}  // namespace vsk::os
