#include <windows.h>
#include <sddl.h>

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

using win32::Child;
using win32::kFolderAccess;
using win32::kFolderOnly;
using win32::kNoReparse;
using win32::OpenChildFolder;
using win32::OpenFolderPath;
using win32::OpenIn;

bool InfoOf(HANDLE h, BY_HANDLE_FILE_INFORMATION& info) {
  return GetFileInformationByHandle(h, &info) != FALSE;
}

// A handle on `name` in `dir` that is still `id` and no folder, or null.
HANDLE OpenSame(HANDLE dir, const NativeName& name, const FileId& id, DWORD access) {
  HANDLE h = OpenIn(dir, name, access, win32::kOpen, kNoReparse);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  BY_HANDLE_FILE_INFORMATION info;
  if (!InfoOf(h, info) || KindOf(info.dwFileAttributes) == Kind::Folder || IdOf(info) != id) {
    CloseHandle(h);
    return nullptr;
  }
  return h;
}

// A new folder `name` in `dir`, open to its owner and the system only,
// nothing inherited.
void MakePrivateFolder(HANDLE dir, const NativeName& name) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;OICI;FA;;;OW)(A;OICI;FA;;;SY)",
                                                            SDDL_REVISION_1, &descriptor, nullptr))
    return;
  HANDLE h = OpenIn(dir, name, 0, win32::kCreate, kFolderOnly, kShareAll, descriptor);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  LocalFree(descriptor);
}

}  // namespace

namespace win32 {

HANDLE OpenChildFolder(HANDLE dir, const NativeName& name, Child& why, DWORD access) {
  HANDLE h = OpenIn(dir, name, access, win32::kOpen, kFolderOnly | kNoReparse);
  if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED)
    h = OpenIn(dir, name, 0, win32::kOpen, kFolderOnly | kNoReparse);
  BY_HANDLE_FILE_INFORMATION info;
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    why = Child::Failed;
    if (LastReason() == Error::Missing) why = Child::Missing;
    if (error != ERROR_DIRECTORY) return h;
    // A file, or a link to a file: looked at, never followed.
    why = Child::NotFolder;
    HANDLE look = OpenIn(dir, name, 0, win32::kOpen, kNoReparse);
    if (look == INVALID_HANDLE_VALUE) return look;
    if (InfoOf(look, info) && IsLink(KindOf(info.dwFileAttributes))) why = Child::Link;
    CloseHandle(look);
    return INVALID_HANDLE_VALUE;
  }
  why = Child::Folder;
  if (!InfoOf(h, info)) why = Child::Failed;
  else if (KindOf(info.dwFileAttributes) != Kind::Folder)
    why = IsLink(KindOf(info.dwFileAttributes)) ? Child::Link : Child::NotFolder;
  if (why == Child::Folder) return h;
  CloseHandle(h);
  return INVALID_HANDLE_VALUE;
}

HANDLE OpenFolderPath(const std::wstring& path, bool follow, DWORD access) {
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  HANDLE h = CreateFileW(path.c_str(), access | FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                         OPEN_EXISTING, flags, nullptr);
  if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED)
    h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING, flags,
                    nullptr);
  BY_HANDLE_FILE_INFORMATION info;
  if (h != INVALID_HANDLE_VALUE &&
      (!InfoOf(h, info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
       (!follow && KindOf(info.dwFileAttributes) != Kind::Folder))) {
    CloseHandle(h);
    return INVALID_HANDLE_VALUE;
  }
  return h;
}

std::wstring FinalPath(HANDLE h) {
  std::wstring path(32768, L'\0');
  const DWORD n = GetFinalPathNameByHandleW(h, path.data(), static_cast<DWORD>(path.size()),
                                            FILE_NAME_NORMALIZED);
  if (n == 0 || n >= path.size()) return {};
  path.resize(n);
  if (path.back() != L'\\') path += L'\\';
  return path;
}

}  // namespace win32

namespace {

// Where `path` starts (its drive's root or its share, a \\?\ prefix taken
// off) and the names that follow it, to be walked one at a time.
bool SplitRoot(std::wstring path, std::wstring& root, std::vector<std::wstring>& names) {
  if (path.rfind(LR"(\\?\UNC\)", 0) == 0) path = L"\\\\" + path.substr(8);
  else if (path.rfind(LR"(\\?\)", 0) == 0) path = path.substr(4);
  const fs::path whole(path);
  if (!whole.is_absolute()) return false;
  root = whole.root_path().native();
  bool share = root.rfind(L"\\\\", 0) == 0;
  for (const fs::path& part : whole.relative_path()) {
    if (part.empty()) continue;
    if (part == L"." || part == L"..") return false;
    if (share) root += part.native() + L"\\";
    else names.push_back(part.native());
    share = false;
  }
  return true;
}

// Whether `path` still leads to the folder `h`. Wine acts on a name opened
// through a folder's handle by that folder's path as it was when opened:
// once the folder is moved, that would be some other file.
bool StillAt(const fs::path& path, HANDLE h) {
  HANDLE now = OpenFolderPath(Long(path.empty() ? fs::path(L".") : path), true);
  if (now == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION a, b;
  const bool same = InfoOf(now, a) && InfoOf(h, b) && IdOf(a) == IdOf(b);
  CloseHandle(now);
  return same;
}

}  // namespace

Folder::Folder(Folder&& other) noexcept { *this = std::move(other); }

Folder& Folder::operator=(Folder&& other) noexcept {
  if (this != &other) {
    if (handle_ != -1) CloseHandle(H(handle_));
    handle_ = other.handle_;
    path_ = std::move(other.path_);
    other.handle_ = -1;
  }
  return *this;
}

Folder::~Folder() {
  if (handle_ != -1) CloseHandle(H(handle_));
}

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
  HANDLE h = OpenFolderPath(Long(folder), true);
  if (h == INVALID_HANDLE_VALUE) return false;
  *this = Folder();
  handle_ = Handle(h);
  path_ = path;
  return true;
}

Folder::SubResult Folder::OpenSubfolder(const Folder& parent, const NativeName& name,
                                        bool create) {
  if (create) MakePrivateFolder(H(parent.handle_), name);
  Child why;
  HANDLE h = OpenChildFolder(H(parent.handle_), name, why);
  if (why == Child::Link || why == Child::NotFolder) return SubResult::Refused;
  if (h == INVALID_HANDLE_VALUE) return SubResult::Failed;
  *this = Folder();
  handle_ = Handle(h);
  path_ = parent.PathOf(name);
  return SubResult::Opened;
}

Folder::PathResult Folder::OpenNoFollow(const fs::path& path, bool createPrivate) {
  std::wstring root;
  std::vector<std::wstring> names;
  if (!SplitRoot(path.native(), root, names)) return PathResult::Failed;
  HANDLE dir = OpenFolderPath(LongPath(root), false);
  for (const std::wstring& name : names) {
    if (dir == INVALID_HANDLE_VALUE) break;
    Child why;
    HANDLE next = OpenChildFolder(dir, name, why);
    if (why == Child::Missing && createPrivate) {
      MakePrivateFolder(dir, name);
      next = OpenChildFolder(dir, name, why);
    }
    CloseHandle(dir);
    if (why == Child::Link) return PathResult::Link;
    dir = next;
  }
  if (dir == INVALID_HANDLE_VALUE) return PathResult::Failed;
  *this = Folder();
  handle_ = Handle(dir);
  path_ = path;
  return PathResult::Opened;
}

Folder::Trust Folder::Trusted() const {
  BY_HANDLE_FILE_INFORMATION info;
  if (handle_ == -1 || !InfoOf(H(handle_), info) ||
      KindOf(info.dwFileAttributes) != Kind::Folder)
    return Trust::Unknown;
  switch (win32::KeepingOf(H(handle_))) {
    case win32::Keeping::Private: return Trust::Trusted;
    case win32::Keeping::ForeignOwner: return Trust::ForeignOwner;
    case win32::Keeping::OpenToOthers: return Trust::OpenToOthers;
    case win32::Keeping::Unknown: break;
  }
  return Trust::Unknown;
}

NameInfo Folder::Inspect(const NativeName& name) const {
  HANDLE h = OpenIn(H(handle_), name, 0, win32::kOpen, kNoReparse);
  if (h == INVALID_HANDLE_VALUE)
    return {LastReason() == Error::Missing ? Kind::Missing : Kind::Unknown, {}};
  BY_HANDLE_FILE_INFORMATION info;
  NameInfo result;
  if (InfoOf(h, info)) {
    result = {KindOf(info.dwFileAttributes), IdOf(info)};
    if (result.kind == Kind::File && GetFileType(h) != FILE_TYPE_DISK)
      result.kind = Kind::Other;
  }
  CloseHandle(h);
  return result;
}

bool Folder::Remove(const NativeName& name, const FileId& id) const {
  HANDLE h = OpenSame(H(handle_), name, id, DELETE);
  if (!h) return false;
  if (!StillAt(path_, H(handle_))) {
    CloseHandle(h);
    return false;
  }
  FILE_DISPOSITION_INFO dispose{TRUE};
  const bool ok = SetFileInformationByHandle(h, FileDispositionInfo, &dispose, sizeof dispose);
  CloseHandle(h);
  return ok;
}

MoveResult Folder::Move(const NativeName& name, const FileId& id, const Folder& to,
                        const NativeName& toName, bool replace) const {
  HANDLE h = OpenSame(H(handle_), name, id, DELETE);
  if (!h) return MoveResult::Failed;
  const bool ok = StillAt(path_, H(handle_)) && StillAt(to.path_, H(to.handle_)) &&
                  win32::RenameInto(h, H(to.handle_), toName, replace);
  const DWORD error = GetLastError();
  CloseHandle(h);
  if (ok) return MoveResult::Moved;
  if (error == ERROR_NOT_SAME_DEVICE) return MoveResult::OtherDevice;
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return MoveResult::Exists;
  return MoveResult::Failed;
}

bool Folder::Replace(const NativeName& name, const FileId& id, const NativeName& from) const {
  HANDLE h = OpenSame(H(handle_), name, id, 0);
  if (!h) return false;
  CloseHandle(h);
  // ReplaceFileW takes paths only: the one the folder's handle has now, no
  // link left in it (where the system cannot tell it, as Wine past
  // MAX_PATH, the folder's own), and only while it leads to this folder.
  std::wstring folder = win32::FinalPath(H(handle_));
  if (folder.empty()) {
    folder = FullPath(path_.empty() ? std::wstring(L".") : path_.native());
    if (folder.empty()) return false;
    if (folder.back() != L'\\') folder += L'\\';
  }
  const bool drive = folder.size() >= 2 && folder[folder.size() - 2] == L':';
  HANDLE again =
      OpenFolderPath(LongPath(drive ? folder : folder.substr(0, folder.size() - 1)), true);
  if (again == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  const bool same = InfoOf(again, info) && IdOf(info) == Id();
  CloseHandle(again);
  return same && ReplaceFileW(LongPath(folder + name).c_str(), LongPath(folder + from).c_str(),
                              nullptr,
                              REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS,
                              nullptr, nullptr) != FALSE;
}

FileId Folder::Id() const {
  BY_HANDLE_FILE_INFORMATION info;
  return handle_ != -1 && InfoOf(H(handle_), info) ? IdOf(info) : FileId{};
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
