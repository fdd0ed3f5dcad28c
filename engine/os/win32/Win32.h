// What the Windows files of the seam share.
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/os/Error.h"
#include "engine/os/Kind.h"
#include "engine/os/Names.h"

namespace vsk::os::win32 {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

inline HANDLE H(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
inline intptr_t Handle(HANDLE h) { return reinterpret_cast<intptr_t>(h); }

inline std::wstring Long(const std::filesystem::path& path) { return LongPath(path.native()); }

inline Kind KindOf(DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? Kind::FolderLink : Kind::FileLink;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Kind::Folder;
  return Kind::File;
}

inline FileId IdOf(const BY_HANDLE_FILE_INFORMATION& info) {
  return {info.dwVolumeSerialNumber,
          (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

inline Error LastReason() { return ErrorOf(static_cast<int>(GetLastError())); }

// Opens `name`, one component, in the open folder `dir` by NtCreateFile:
// the name resolves from the handle, so no path to the folder is walked
// again. `options` are NtCreateFile's (FILE_OPEN_REPARSE_POINT...); the
// handle is synchronous, as CreateFileW's are. `created` tells whether
// FILE_OPEN_IF or FILE_CREATE made the file. INVALID_HANDLE_VALUE with the
// last error set when it fails.
HANDLE OpenIn(HANDLE dir, const std::wstring& name, DWORD access, DWORD disposition,
              DWORD options, DWORD share = kShareAll, PSECURITY_DESCRIPTOR security = nullptr,
              bool* created = nullptr);
// Gives the open file `h` the name `name` in the open folder `dir`. False
// with the last error set.
bool RenameInto(HANDLE h, HANDLE dir, const std::wstring& name, bool replace);
// Dispositions and options of NtCreateFile, without winternl.h here.
constexpr DWORD kOpen = 1, kCreate = 2, kOpenIf = 3;
constexpr DWORD kFolderOnly = 0x1, kSequential = 0x4, kNoFolder = 0x40, kNoReparse = 0x200000;

// Folders are held for reading their security; where that is not granted,
// for their attributes alone. A walk holds them for listing.
constexpr DWORD kFolderAccess = READ_CONTROL;
constexpr DWORD kListAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE;

enum class Child { Folder, Link, NotFolder, Missing, Failed };
// Subfolder `name` of `dir` with `access`, never through a link or
// junction: checked by its handle to be a folder and no reparse point. A
// handle, or INVALID_HANDLE_VALUE with `why`.
HANDLE OpenChildFolder(HANDLE dir, const NativeName& name, Child& why,
                       DWORD access = kFolderAccess);
// A folder by path, a link or junction followed only with `follow`.
HANDLE OpenFolderPath(const std::wstring& path, bool follow, DWORD access = kFolderAccess);
// The folder's path as its handle finds it now, links resolved, with a
// closing separator; empty when the system cannot tell.
std::wstring FinalPath(HANDLE h);

// Who may change an object, from its security descriptor.
enum class Keeping { Private, ForeignOwner, OpenToOthers, Unknown };
// Private: `h` belongs to the user, the Administrators or SYSTEM (with
// `wanted` given: to that SID, the Administrators or SYSTEM) and its DACL
// lets nobody but its owner, the user, the Administrators and SYSTEM write
// to it, append, add or delete children or change its security. A NULL
// DACL lets everybody.
Keeping KeepingOf(HANDLE h, PSID wanted = nullptr);
// The same of an owner and a DACL read already (`dacl` null: a NULL DACL).
Keeping KeepingOf(PSID owner, const ACL* dacl, PSID wanted);
// The user this process runs as, kept in `user`; null when unknown.
PSID CurrentUser(std::vector<BYTE>& user);
// The owner of `h` into `sid`; false when it cannot be told.
bool OwnerOf(HANDLE h, std::vector<BYTE>& sid);

// A security descriptor whose DACL grants the current user alone, inherits
// nothing and is handed down to nothing.
class PrivateSecurity {
 public:
  PrivateSecurity() = default;
  PrivateSecurity(const PrivateSecurity&) = delete;
  PrivateSecurity& operator=(const PrivateSecurity&) = delete;
  bool Make();
  PSECURITY_DESCRIPTOR Descriptor() { return &descriptor_; }

 private:
  std::vector<BYTE> user_, acl_;
  SECURITY_DESCRIPTOR descriptor_{};
};

}  // namespace vsk::os::win32
