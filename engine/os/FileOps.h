// Acting on files by name: the OS seam of the cure, the actions, the
// quarantine and the report (posix/ or win32/FileOps.cpp).
// A final link is never followed, nothing opened can block (a FIFO or a
// device is refused before it is opened), and a name is changed only while
// it still holds the file that was checked. Paths of any length work: on
// POSIX a folder is a descriptor, so names resolve from it past PATH_MAX;
// on Windows every call takes the \\?\ form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "engine/os/Os.h"

namespace vsk::os {

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

  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path PathOf(const NativeName& name) const { return path_ / name; }

  // The name itself, a link not followed (its kind tells where it leads).
  NameInfo Inspect(const NativeName& name) const;
  // Each acts only while `name` is still `id` (a file or a link, never a
  // folder); a link is removed or moved as a link.
  bool Remove(const NativeName& name, const FileId& id) const;
  MoveResult Move(const NativeName& name, const FileId& id, const Folder& to,
                  const NativeName& toName, bool replace) const;
  // Puts `from`, a finished file of this folder, in the place of `name` in
  // one step. On Windows `name` keeps its ACL, owner, attributes, creation
  // time and streams (ReplaceFileW); `from` must be closed.
  bool Replace(const NativeName& name, const FileId& id, const NativeName& from) const;
  // Makes the renames in this folder durable.
  bool Sync() const;
  // A link's own text, and a new link (POSIX only; false on Windows).
  bool ReadLink(const NativeName& name, NativeName& target) const;
  bool MakeLink(const NativeName& name, const NativeName& target) const;

 private:
  friend class File;
  intptr_t handle_ = -1;
  std::filesystem::path path_;
};

// An open regular file: never a FIFO, a device or a folder, so nothing
// opened can block. Shared with readers only on Windows, so nobody writes
// to it while it is open.
class File {
 public:
  File() = default;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  // `path` as any path opens, links followed, for reading (and writing with
  // `write`); read in sequence from its start.
  Error Open(const std::filesystem::path& path, bool write = false);
  // `name` itself, never what a link at that name points to.
  Error Open(const Folder& folder, const NativeName& name, bool write);
  // What the link `name` leads to, read only: the content a link stands for.
  Error OpenTarget(const Folder& folder, const NativeName& name);
  // `name`, made when missing (`created` tells), for writing; a link, FIFO,
  // device or folder is refused.
  Error OpenOrCreate(const Folder& folder, const NativeName& name, bool& created);
  // A file that did not exist, `prefix` + 8 random hex digits + `suffix`,
  // readable and writable by its owner only from the first byte.
  bool CreateNew(const Folder& folder, const NativeName& prefix, const NativeName& suffix,
                 NativeName& name);

  bool IsOpen() const { return handle_ != -1; }
  // Known for a file opened through a Folder, and for any file on POSIX.
  FileId Id() const { return id_; }
  uint32_t Links() const { return links_; }
  // The size now, or -1.
  long long Size() const;
  // The size at opening, or -1 when unknown.
  long long OpenedSize() const { return size_; }
  // Up to `size` bytes from the handle's own position, which only Read and
  // Rewind move on POSIX: the count read, 0 at the end, -1 on error.
  long long Read(void* data, size_t size) const;
  bool Rewind() const;
  // Up to `size` bytes at `offset`: the count read, 0 at the end, -1 on error.
  long long ReadAt(uint64_t offset, void* data, size_t size) const;
  bool ReadExactAt(uint64_t offset, void* data, size_t size) const;
  bool WriteAt(uint64_t offset, const void* data, size_t size);
  bool Truncate(uint64_t size);
  bool Flush();
  // Owner, group and mode (POSIX); ACL, owner, attributes and creation time
  // (Windows) of `from`. False when the owner could not be given.
  bool TakeMetadata(const File& from);
  void Close();
  // Why the last open or Read failed, and the system's own code for it
  // (0 when the system gave none).
  Error LastError() const { return error_; }
  int ErrorCode() const { return code_; }

 private:
  friend class FolderChain;
  // Takes the result of an open (the handle, or -1 with the system's error
  // still set): only a regular file is kept. `path`, when given, is what
  // was opened.
  bool Adopt(intptr_t handle, const NativeChar* path = nullptr);
  Error Fail(Error error, int code) const {
    error_ = error;
    code_ = code;
    return error;
  }

  intptr_t handle_ = -1;
  FileId id_;
  uint32_t links_ = 0;
  long long size_ = -1;
  mutable Error error_ = Error::None;
  mutable int code_ = 0;
};

// Copies the first `size` bytes of `from` to the start of `to`.
bool CopyBytes(const File& from, File& to, uint64_t size);

// Random hex digits for the names of new files.
NativeName RandomHex(int digits);
NativeName FromAscii(const char* text);
// New files beside `name` start with (a part of) it, so that a user sees
// whose they are.
NativeName NewNamePrefix(const NativeName& name);

}  // namespace vsk::os
