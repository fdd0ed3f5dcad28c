// The operating-system seam of the engine: posix/ or win32/Os.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vsk::os {

using NativeName = std::filesystem::path::string_type;
using NativeChar = std::filesystem::path::value_type;

// Why an open or a read failed: None when it did not. Link: the name is a
// link where none is followed. NotAFile: a folder, a device or a FIFO.
// Busy: another program holds it. Failed: any other reason.
enum class Error { None, Missing, Link, NotAFile, Denied, Busy, ReadFailed, Failed };
// The reason for a code of the system (errno, or GetLastError's).
Error ErrorOf(int code);

class File;

#ifdef _WIN32
// The \\?\ form of a path long enough to need it (absolute, backslashes);
// other paths come back as they are.
std::wstring LongPath(const std::wstring& path);
// `path` made full as the working folder and drive make it, "." and ".."
// resolved and links not looked at; empty when the system cannot.
std::wstring FullPath(const std::wstring& path);
#endif

// What a name or a path is. FileLink: a symbolic link to a file, or one
// that leads nowhere. FolderLink: a link or junction to a folder. Other:
// FIFOs, devices, sockets. Unknown: it could not be looked at.
enum class Kind { Missing, File, Folder, FileLink, FolderLink, Other, Unknown };
inline bool IsLink(Kind kind) { return kind == Kind::FileLink || kind == Kind::FolderLink; }

// What a path names, links followed: Missing, Folder, File or Other. A
// path that cannot be examined (its folder is closed to us) counts as a
// file: opening it tells why.
Kind KindOfPath(const std::filesystem::path& path);

// One folder's entries in the order the file system returns them, "." and
// ".." left out, hidden and system entries included; a link to a FIFO or a
// device is Other. Kept from one folder to
// the next, so that listing allocates only when a folder is larger than any
// before it.
struct FolderEntries {
  struct Entry {
    size_t offset;  // of the name in `names`
    Kind kind;
  };
  std::vector<NativeChar> names;  // each name ends in a zero
  std::vector<Entry> list;
  const NativeChar* Name(const Entry& e) const { return names.data() + e.offset; }
};

// The folders of a walk from its root down to the one being listed. On
// POSIX each is open by handle and everything below is opened relative to
// its folder, so any depth the file system allows is reached whatever the
// length of the path; past a number of levels the upper folders' handles
// are closed and opened again through ".." on the way back. On Windows the
// folders are kept as \\?\ paths for the same reason.
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
  // File `name` of the deepest folder for reading, following a link only
  // when `followLink`; `file` tells why when it fails.
  bool OpenFile(File& file, const NativeChar* name, bool followLink);
  // The deepest folder's path as the walk shows it, ending in a separator.
  const NativeName& Path() const { return path_; }
  // The deepest folder's path without that separator (the root as given).
  std::filesystem::path FolderPath() const;

 private:
  struct Level;
  std::vector<Level> levels_;
  NativeName path_;
  NativeName scratch_;  // Windows: the \\?\ path of a file being opened
  std::filesystem::path root_;
};

struct LocalTime {
  int year, month, day, hour, minute;
};
LocalTime Now();
std::wstring ComputerName();
std::wstring UserName();
// Milliseconds of a monotonic clock.
uint64_t TickCount();
// Processors this process may run on (its affinity, as taskset sets it);
// at least 1.
int UsableProcessors();
// The calling thread's scheduling priority, to hand on to threads it starts
// (Windows starts every thread at normal; POSIX threads inherit theirs).
int CurrentThreadPriority();
void SetCurrentThreadPriority(int priority);

}  // namespace vsk::os
