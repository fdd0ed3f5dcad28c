// A folder, and acting on the names in it (posix/ or win32/Folder.cpp).
// A final link is never followed, and a name is changed only while it
// still holds the file that was checked. A folder is an open handle (a
// descriptor on POSIX, a directory handle on Windows) and names resolve
// from it, so paths of any length work and a link put in place of a
// folder on its path later redirects nothing.
#pragma once

#include <cstdint>
#include <filesystem>

#include "engine/os/Kind.h"
#include "engine/os/Names.h"

namespace vsk::os {

enum class MoveResult { Moved, OtherDevice, Exists, Failed };

class Folder {
 public:
  Folder() = default;
  Folder(Folder&& other) noexcept;
  Folder& operator=(Folder&& other) noexcept;
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  ~Folder();

  // Opens `path` (empty: the working folder) as any path opens, links
  // included; with `create`, missing folders on the way are made.
  bool Open(const std::filesystem::path& path, bool create = false);
  enum class SubResult { Opened, Refused, Failed };
  // The folder `name` in `parent`, made (owner only) when missing and
  // `create`; Refused when `name` is a link, a junction or not a folder.
  SubResult OpenSubfolder(const Folder& parent, const NativeName& name, bool create);
  enum class PathResult { Opened, Link, Failed };
  // The absolute `path`, walked a component at a time from its root and
  // never through a link (Link); "." and ".." are refused. With
  // `createPrivate` missing folders are made, open to their owner only.
  PathResult OpenNoFollow(const std::filesystem::path& path, bool createPrivate);

  // Whether only this user (or the system) can change what the folder
  // holds: on POSIX its owner is the effective user or root and neither
  // group nor others may write; on Windows its owner is the user, the
  // Administrators or SYSTEM and its DACL lets nobody else write to it.
  enum class Trust { Trusted, ForeignOwner, OpenToOthers, Unknown };
  Trust Trusted() const;

  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path PathOf(const NativeName& name) const { return path_ / name; }
  // The identity of the folder held open; zero when it cannot be told.
  FileId Id() const;

  // The name itself, a link not followed (its kind tells where it leads).
  NameInfo Inspect(const NativeName& name) const;
  // Each acts only while `name` is still `id` (a file or a link, never a
  // folder); a link is removed or moved as a link.
  bool Remove(const NativeName& name, const FileId& id) const;
  MoveResult Move(const NativeName& name, const FileId& id, const Folder& to,
                  const NativeName& toName, bool replace) const;
  // Puts `from`, a finished file of this folder, in the place of `name` in
  // one step. On Windows `name` keeps its ACL, owner, attributes, creation
  // time and streams (ReplaceFileW, given the folder's path once that is
  // seen to lead to this folder); `from` must be closed.
  bool Replace(const NativeName& name, const FileId& id, const NativeName& from) const;
  // Makes the renames in this folder durable.
  bool Sync() const;
  // A link's own text, and a new link (POSIX only; false on Windows).
  bool ReadLink(const NativeName& name, NativeName& target) const;
  bool MakeLink(const NativeName& name, const NativeName& target) const;

 private:
  friend class File;
  friend class FolderLock;
  intptr_t handle_ = -1;
  std::filesystem::path path_;
};

}  // namespace vsk::os
