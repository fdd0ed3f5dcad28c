// An open file, read and written by handle (posix/ or win32/File.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "engine/os/Error.h"
#include "engine/os/Kind.h"
#include "engine/os/Names.h"

namespace vsk::os {

class Folder;

// An open regular file: never a FIFO, a device or a folder, and no open
// blocks on one (POSIX opens without blocking, Windows takes disk files
// only). Shared with readers only on Windows (opened through a Folder, with
// renames and deletes too), so nobody writes to it while it is open.
class File {
 public:
  File() = default;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  // `path` as any path opens, links followed, for reading (and writing with
  // `write`); read in sequence from its start. Only a regular file is
  // opened: POSIX looks at it by an O_PATH handle first, Windows by the
  // handle it opened.
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
  // Known for every file but one adopted from a handle on Windows.
  FileId Id() const { return id_; }
  // Id(), asked of the system when the open did not tell it (a file opened
  // by path on Windows); zero when the system gives none.
  FileId Identity() const;
  uint32_t Links() const { return links_; }
  // The size now, or -1.
  long long Size() const;
  // The size at opening, or -1 when unknown: how far a search reads.
  long long OpenedSize() const { return size_; }
  // For a file this process has written: its size now becomes the one a
  // search reads to.
  void KeepSizeNow() { size_ = Size(); }
  // Up to `size` bytes from the handle's own position, which only Read and
  // Rewind move on POSIX: the count read, 0 at the end, -1 on error.
  long long Read(void* data, size_t size) const;
  bool Rewind() const;
  // The holes and data ahead of the handle's position: a hole that starts
  // there is passed over (`hole` tells its length), then `data` bytes
  // follow before the next hole. Where the system cannot tell, all is data
  // (hole 0, data kAllData).
  struct Extent {
    uint64_t hole = 0;
    uint64_t data = 0;
  };
  static constexpr uint64_t kAllData = ~uint64_t{0};
  Extent SkipHole() const;
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
  friend bool SameKeeper(const File& other, const File& file, uint64_t maxSize);
  friend bool ClearSetIds(File& file);
  friend bool CopyAttributes(const File& from, File& to, bool privileges);
  friend class FileLock;
  // Takes the result of an open (the handle, or -1 with the system's error
  // still set): only a regular file is kept. `path`, when given, is what
  // was opened.
  bool Adopt(intptr_t handle, const NativeChar* path = nullptr);
#ifndef _WIN32
  // `name` in the folder `dir` (AT_FDCWD: a path) with `access`, once an
  // O_PATH handle shows it is a regular file; a final link followed only
  // with `follow`. One look at the handle opened serves the check of its
  // identity and what the file keeps of it.
  Error OpenAt(int dir, const char* name, int access, bool follow);
  // `name` in `dir` for reading, a link not followed, opened at once: only
  // for a name listed as a regular file in a folder that nobody but this
  // user and root can change (FolderChain). Still kept only when it is one.
  Error OpenListed(int dir, const char* name);
#endif
#ifdef _WIN32
  // `name` in the open folder `dir`, a final reparse point followed only
  // with `follow`: looked at first by a handle that reads nothing, opened
  // for reading (and writing with `write`) only once that shows a regular
  // disk file, and kept only when it is still that file. `listed`: a
  // listing of `dir` showed a plain file, no link (the walk's), which is
  // then opened at once as itself and checked by its handle before any
  // read.
  Error OpenIn(intptr_t dir, const NativeName& name, bool write, bool follow,
               bool listed = false);
#endif
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

}  // namespace vsk::os
