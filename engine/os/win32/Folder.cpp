#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <cstring>
#include <cwctype>
#include <vector>

#include "engine/os/Folder.h"
#include "engine/os/win32/Win32.h"

namespace vsk::os {
namespace fs = std::filesystem;

using win32::H;
using win32::Handle;
using win32::IdOf;
using win32::KindOf;
using win32::LastReason;
using win32::Long;
using win32::kShareAll;

namespace {

// FileRenameInfo and ReplaceFileW are given whole paths.
std::wstring FullLong(const fs::path& path) {
  const std::wstring full = FullPath(path.native());
  return full.empty() ? Long(path) : LongPath(full);
}

// The name itself, link or not, for its identity and for acting on it.
HANDLE OpenName(const fs::path& path, DWORD access) {
  return CreateFileW(Long(path).c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// A handle on `path` that is still `id` and no folder, or null.
HANDLE OpenSame(const fs::path& path, const FileId& id, DWORD access) {
  HANDLE h = OpenName(path, access | FILE_READ_ATTRIBUTES);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h, &info) || KindOf(info.dwFileAttributes) == Kind::Folder ||
      IdOf(info) != id) {
    CloseHandle(h);
    return nullptr;
  }
  return h;
}

// A new folder open to its owner and the system only, nothing inherited.
bool MakePrivateFolder(const fs::path& path) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;OICI;FA;;;OW)(A;OICI;FA;;;SY)",
                                                            SDDL_REVISION_1, &descriptor, nullptr))
    return CreateDirectoryW(Long(path).c_str(), nullptr) != FALSE;
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  const bool made = CreateDirectoryW(Long(path).c_str(), &attributes) != FALSE;
  LocalFree(descriptor);
  return made;
}

}  // namespace

Folder::Folder(Folder&& other) noexcept { *this = std::move(other); }

Folder& Folder::operator=(Folder&& other) noexcept {
  if (this != &other) path_ = std::move(other.path_);
  return *this;
}

Folder::~Folder() = default;

bool Folder::Open(const fs::path& path, bool create) {
  const fs::path folder = path.empty() ? fs::path(L".") : path;
  if (create) {
    fs::path prefix;
    for (const fs::path& part : folder) {
      prefix /= part;
      if (part.has_root_name() || part.has_root_directory()) continue;
      CreateDirectoryW(Long(prefix).c_str(), nullptr);
    }
  }
  const DWORD attributes = GetFileAttributesW(Long(folder).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  path_ = path;
  return true;
}

Folder::SubResult Folder::OpenSubfolder(const Folder& parent, const NativeName& name,
                                        bool create) {
  const fs::path path = parent.PathOf(name);
  if (create) MakePrivateFolder(path);
  // GetFileAttributesW reports a link or junction itself, not its target.
  const DWORD attributes = GetFileAttributesW(Long(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return SubResult::Failed;
  if (KindOf(attributes) != Kind::Folder) return SubResult::Refused;
  path_ = path;
  return SubResult::Opened;
}

Folder::PathResult Folder::OpenNoFollow(const fs::path& path, bool createPrivate) {
  if (!path.is_absolute()) return PathResult::Failed;
  fs::path prefix;
  for (const fs::path& part : path) {
    prefix /= part;
    if (part.has_root_name() || part.has_root_directory()) continue;
    if (part == L"." || part == L"..") return PathResult::Failed;
    DWORD attributes = GetFileAttributesW(Long(prefix).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES && createPrivate && MakePrivateFolder(prefix))
      attributes = GetFileAttributesW(Long(prefix).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathResult::Failed;
    if (IsLink(KindOf(attributes))) return PathResult::Link;
    if (KindOf(attributes) != Kind::Folder) return PathResult::Failed;
  }
  path_ = path;
  return PathResult::Opened;
}

Folder::Trust Folder::Trusted() const {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(Long(path_.empty() ? fs::path(L".") : path_).c_str(), SE_FILE_OBJECT,
                            OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                            &descriptor) != ERROR_SUCCESS)
    return Trust::Unknown;
  // A volume without security (FAT) has no owner to tell.
  bool mine = owner == nullptr || IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
              IsWellKnownSid(owner, WinLocalSystemSid);
  HANDLE token = nullptr;
  if (!mine && OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    if (size > 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size))
      mine = EqualSid(owner, reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid) != FALSE;
    CloseHandle(token);
  }
  LocalFree(descriptor);
  return mine ? Trust::Trusted : Trust::ForeignOwner;
}

NameInfo Folder::Inspect(const NativeName& name) const {
  HANDLE h = OpenName(PathOf(name), FILE_READ_ATTRIBUTES);
  if (h == INVALID_HANDLE_VALUE)
    return {LastReason() == Error::Missing ? Kind::Missing : Kind::Unknown, {}};
  BY_HANDLE_FILE_INFORMATION info;
  NameInfo result;
  if (GetFileInformationByHandle(h, &info)) {
    result = {KindOf(info.dwFileAttributes), IdOf(info)};
    if (result.kind == Kind::File && GetFileType(h) != FILE_TYPE_DISK)
      result.kind = Kind::Other;
  }
  CloseHandle(h);
  return result;
}

bool Folder::Remove(const NativeName& name, const FileId& id) const {
  HANDLE h = OpenSame(PathOf(name), id, DELETE);
  if (!h) return false;
  FILE_DISPOSITION_INFO dispose{TRUE};
  const bool ok = SetFileInformationByHandle(h, FileDispositionInfo, &dispose, sizeof dispose);
  CloseHandle(h);
  return ok;
}

MoveResult Folder::Move(const NativeName& name, const FileId& id, const Folder& to,
                        const NativeName& toName, bool replace) const {
  HANDLE h = OpenSame(PathOf(name), id, DELETE | SYNCHRONIZE);
  if (!h) return MoveResult::Failed;
  const std::wstring target = FullLong(to.PathOf(toName));
  const size_t bytes = target.size() * sizeof(wchar_t);
  std::vector<BYTE> buffer(sizeof(FILE_RENAME_INFO) + bytes);
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->ReplaceIfExists = replace ? TRUE : FALSE;
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(bytes);
  std::memcpy(info->FileName, target.data(), bytes);
  const bool ok = SetFileInformationByHandle(h, FileRenameInfo, info,
                                             static_cast<DWORD>(buffer.size()));
  const DWORD error = GetLastError();
  CloseHandle(h);
  if (ok) return MoveResult::Moved;
  if (error == ERROR_NOT_SAME_DEVICE) return MoveResult::OtherDevice;
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return MoveResult::Exists;
  return MoveResult::Failed;
}

bool Folder::Replace(const NativeName& name, const FileId& id, const NativeName& from) const {
  HANDLE h = OpenSame(PathOf(name), id, 0);
  if (!h) return false;
  CloseHandle(h);
  return ReplaceFileW(FullLong(PathOf(name)).c_str(), FullLong(PathOf(from)).c_str(), nullptr,
                      REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr,
                      nullptr) != FALSE;
}

FileId Folder::Id() const {
  HANDLE h = CreateFileW(Long(path_.empty() ? fs::path(L".") : path_).c_str(), FILE_READ_ATTRIBUTES,
                         kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  BY_HANDLE_FILE_INFORMATION info;
  const bool known = GetFileInformationByHandle(h, &info);
  CloseHandle(h);
  return known ? IdOf(info) : FileId{};
}

bool Folder::Sync() const { return true; }

bool Folder::ReadLink(const NativeName&, NativeName&) const { return false; }

bool Folder::MakeLink(const NativeName&, const NativeName&) const { return false; }

namespace {

// The device namespace, and the names that stand for a device in any folder
// (NUL, CON, COM1...), with or without an extension.
bool NamesDevice(const std::wstring& path) {
  if (path.rfind(LR"(\\.\)", 0) == 0) return true;
  std::wstring stem = std::filesystem::path(path).stem().native();
  for (wchar_t& c : stem) c = static_cast<wchar_t>(::towupper(c));
  for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
    if (stem == device) return true;
  return stem.size() == 4 && (stem.rfind(L"COM", 0) == 0 || stem.rfind(L"LPT", 0) == 0) &&
         stem[3] >= L'1' && stem[3] <= L'9';
}

}  // namespace

Kind KindOfPath(const std::filesystem::path& path) {
  if (NamesDevice(path.native())) return Kind::Other;
  const DWORD attributes = GetFileAttributesW(LongPath(path.native()).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const Error error = ErrorOf(static_cast<int>(GetLastError()));
    return error == Error::Missing ? Kind::Missing : Kind::File;
  }
  return attributes & FILE_ATTRIBUTE_DIRECTORY ? Kind::Folder : Kind::File;
}

}  // namespace vsk::os
