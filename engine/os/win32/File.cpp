#include <windows.h>
#include <aclapi.h>
#include <winioctl.h>

#include <vector>

#include "engine/os/File.h"
#include "engine/os/Folder.h"
#include "engine/os/win32/Win32.h"

namespace vsk::os {
namespace fs = std::filesystem;

using win32::H;
using win32::Handle;
using win32::IdOf;
using win32::KindOf;
using win32::LastReason;

void File::Close() {
  if (handle_ != -1) CloseHandle(H(handle_));
  handle_ = -1;
}

namespace {

// Keeps `h` when it is a regular file on disk.
Error Identify(HANDLE h, intptr_t& handle, FileId& id, uint32_t& links, long long& size) {
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info)) {
    CloseHandle(h);
    return Error::NotAFile;
  }
  if (KindOf(info.dwFileAttributes) != Kind::File) {
    CloseHandle(h);
    return IsLink(KindOf(info.dwFileAttributes)) ? Error::Link : Error::NotAFile;
  }
  handle = Handle(h);
  id = IdOf(info);
  links = info.nNumberOfLinks;
  size = static_cast<long long>((static_cast<uint64_t>(info.nFileSizeHigh) << 32) |
                                info.nFileSizeLow);
  return Error::None;
}

HANDLE OpenByPath(const wchar_t* path, bool write, bool follow) {
  return CreateFileW(path, GENERIC_READ | (write ? GENERIC_WRITE : 0), FILE_SHARE_READ, nullptr,
                     OPEN_EXISTING,
                     (write ? 0 : FILE_FLAG_SEQUENTIAL_SCAN) |
                         (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT),
                     nullptr);
}

// What `name` in `dir` is before it is opened: no device or folder is.
Error Classify(HANDLE dir, const NativeName& name) {
  HANDLE h = win32::OpenIn(dir, name, 0, win32::kOpen, win32::kNoReparse);
  if (h == INVALID_HANDLE_VALUE) return LastReason();
  BY_HANDLE_FILE_INFORMATION info;
  const Kind kind = GetFileInformationByHandle(h, &info) ? KindOf(info.dwFileAttributes)
                                                          : Kind::Unknown;
  CloseHandle(h);
  if (IsLink(kind)) return Error::Link;
  return kind == Kind::File ? Error::None : Error::NotAFile;
}

// Others may read, rename or delete an open file, but not write to it.
constexpr DWORD kShareReaders = FILE_SHARE_READ | FILE_SHARE_DELETE;

}  // namespace

bool File::Adopt(intptr_t handle, const NativeChar* path) {
  Close();
  const HANDLE h = H(handle);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    // A folder opened by name fails as "access denied", which is no
    // question of rights.
    const DWORD attributes = path ? GetFileAttributesW(path) : INVALID_FILE_ATTRIBUTES;
    return Fail(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
                    ? Error::NotAFile
                    : ErrorOf(static_cast<int>(code)),
                static_cast<int>(code)) == Error::None;
  }
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    return Fail(Error::NotAFile, 0) == Error::None;
  }
  LARGE_INTEGER bytes;
  size_ = GetFileSizeEx(h, &bytes) ? bytes.QuadPart : -1;
  handle_ = handle;
  id_ = {};
  links_ = 0;
  Fail(Error::None, 0);
  return true;
}

Error File::Open(const fs::path& path, bool write) {
  Close();
  const std::wstring name = LongPath(path.native());
  const HANDLE h = OpenByPath(name.c_str(), write, true);
  if (h == INVALID_HANDLE_VALUE) {
    Adopt(Handle(h), name.c_str());
    return error_;
  }
  return Fail(Identify(h, handle_, id_, links_, size_), 0);
}

Error File::OpenIn(intptr_t dir, const NativeName& name, bool write, bool follow,
                   bool listed) {
  Close();
  const DWORD reparse = follow && !listed ? 0 : win32::kNoReparse;
  FileId seen;
  if (!listed) {
    HANDLE look = win32::OpenIn(H(dir), name, 0, win32::kOpen, reparse);
    if (look == INVALID_HANDLE_VALUE)
      return Fail(LastReason(), static_cast<int>(GetLastError()));
    intptr_t kept = -1;
    if (const Error kind = Identify(look, kept, seen, links_, size_); kind != Error::None)
      return Fail(kind, 0);
    CloseHandle(H(kept));
  }
  HANDLE h = win32::OpenIn(H(dir), name, GENERIC_READ | (write ? GENERIC_WRITE : 0), win32::kOpen,
                           win32::kNoFolder | reparse | (write ? 0 : win32::kSequential),
                           kShareReaders);
  if (h == INVALID_HANDLE_VALUE) return Fail(LastReason(), static_cast<int>(GetLastError()));
  if (const Error kind = Identify(h, handle_, id_, links_, size_); kind != Error::None)
    return Fail(kind, 0);
  // Another file put in its place between the two opens.
  if (!listed && id_ != seen) {
    Close();
    return Fail(Error::Failed, 0);
  }
  return Fail(Error::None, 0);
}

Error File::Open(const Folder& folder, const NativeName& name, bool write) {
  return OpenIn(folder.handle_, name, write, false);
}

Error File::OpenTarget(const Folder& folder, const NativeName& name) {
  return OpenIn(folder.handle_, name, false, true);
}

Error File::OpenOrCreate(const Folder& folder, const NativeName& name, bool& created) {
  Close();
  created = false;
  const HANDLE dir = H(folder.handle_);
  if (const Error kind = Classify(dir, name); kind != Error::None && kind != Error::Missing)
    return Fail(kind, 0);
  HANDLE h = win32::OpenIn(dir, name, GENERIC_WRITE | GENERIC_READ, win32::kOpenIf,
                           win32::kNoFolder | win32::kNoReparse, FILE_SHARE_READ, nullptr,
                           &created);
  if (h == INVALID_HANDLE_VALUE) return Fail(LastReason(), static_cast<int>(GetLastError()));
  return Fail(Identify(h, handle_, id_, links_, size_), 0);
}

bool File::CreateNew(const Folder& folder, const NativeName& prefix, const NativeName& suffix,
                     NativeName& name) {
  Close();
  win32::PrivateSecurity security;
  if (!security.Make()) return false;
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = prefix + RandomHex(8) + suffix;
    HANDLE h = win32::OpenIn(H(folder.handle_), name,
                             GENERIC_READ | GENERIC_WRITE | DELETE | READ_CONTROL | WRITE_DAC |
                                 WRITE_OWNER,
                             win32::kCreate, win32::kNoFolder, kShareReaders,
                             security.Descriptor());
    if (h == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
      return false;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info)) {
      FILE_DISPOSITION_INFO dispose{TRUE};
      SetFileInformationByHandle(h, FileDispositionInfo, &dispose, sizeof dispose);
      CloseHandle(h);
      return false;
    }
    handle_ = Handle(h);
    id_ = IdOf(info);
    links_ = 1;
    size_ = 0;
    return true;
  }
  return false;
}

FileId File::Identity() const {
  if (id_ != FileId{} || handle_ == -1) return id_;
  BY_HANDLE_FILE_INFORMATION info;
  return GetFileInformationByHandle(H(handle_), &info) ? IdOf(info) : FileId{};
}

long long File::Size() const {
  LARGE_INTEGER size;
  return GetFileSizeEx(H(handle_), &size) ? size.QuadPart : -1;
}

long long File::Read(void* data, size_t size) const {
  DWORD got = 0;
  const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
  if (!ReadFile(H(handle_), data, want, &got, nullptr)) {
    Fail(Error::ReadFailed, static_cast<int>(GetLastError()));
    return -1;
  }
  return got;
}

bool File::Rewind() const {
  LARGE_INTEGER zero{};
  return SetFilePointerEx(H(handle_), zero, nullptr, FILE_BEGIN) != FALSE;
}

File::Extent File::SkipHole() const {
  const HANDLE h = H(handle_);
  LARGE_INTEGER zero{}, at{}, size{};
  if (!SetFilePointerEx(h, zero, &at, FILE_CURRENT) || !GetFileSizeEx(h, &size) ||
      at.QuadPart >= size.QuadPart)
    return {0, kAllData};
  FILE_ALLOCATED_RANGE_BUFFER query{};
  query.FileOffset = at;
  query.Length.QuadPart = size.QuadPart - at.QuadPart;
  FILE_ALLOCATED_RANGE_BUFFER range{};
  DWORD got = 0;
  // ERROR_MORE_DATA: more ranges follow the first, which is all we need.
  if (!DeviceIoControl(h, FSCTL_QUERY_ALLOCATED_RANGES, &query, sizeof query, &range, sizeof range,
                       &got, nullptr) &&
      GetLastError() != ERROR_MORE_DATA)
    return {0, kAllData};
  if (got < sizeof range) {
    // Nothing allocated up to the end.
    SetFilePointerEx(h, size, nullptr, FILE_BEGIN);
    return {static_cast<uint64_t>(size.QuadPart - at.QuadPart), 0};
  }
  const long long start = range.FileOffset.QuadPart > at.QuadPart ? range.FileOffset.QuadPart
                                                                  : at.QuadPart;
  const long long end = range.FileOffset.QuadPart + range.Length.QuadPart;
  if (end <= start) return {0, kAllData};
  LARGE_INTEGER to{};
  to.QuadPart = start;
  SetFilePointerEx(h, to, nullptr, FILE_BEGIN);
  return {static_cast<uint64_t>(start - at.QuadPart), static_cast<uint64_t>(end - start)};
}

long long File::ReadAt(uint64_t offset, void* data, size_t size) const {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
  if (ReadFile(H(handle_), data, want, &got, &at)) return got;
  return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
}

bool File::WriteAt(uint64_t offset, const void* data, size_t size) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD wrote = 0;
    const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!WriteFile(H(handle_), p, want, &wrote, &at) || wrote == 0) return false;
    p += wrote;
    offset += wrote;
    size -= wrote;
  }
  return true;
}

bool File::Truncate(uint64_t size) {
  FILE_END_OF_FILE_INFO end{};
  end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
  return SetFileInformationByHandle(H(handle_), FileEndOfFileInfo, &end, sizeof end) != FALSE;
}

bool File::Flush() { return FlushFileBuffers(H(handle_)) != FALSE; }

bool File::TakeMetadata(const File& from) {
  PSID owner = nullptr, group = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(H(from.handle_), SE_FILE_OBJECT,
                      OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION |
                          DACL_SECURITY_INFORMATION,
                      &owner, &group, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
    return false;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  GetSecurityDescriptorControl(descriptor, &control, &revision);
  // An inherited DACL stays inherited; only a protected one is frozen.
  const SECURITY_INFORMATION daclInfo =
      DACL_SECURITY_INFORMATION | ((control & SE_DACL_PROTECTED)
                                       ? PROTECTED_DACL_SECURITY_INFORMATION
                                       : UNPROTECTED_DACL_SECURITY_INFORMATION);
  const bool acl = SetSecurityInfo(H(handle_), SE_FILE_OBJECT, daclInfo, nullptr, nullptr, dacl,
                                   nullptr) == ERROR_SUCCESS;
  const bool owned = SetSecurityInfo(H(handle_), SE_FILE_OBJECT,
                                     OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION,
                                     owner, group, nullptr, nullptr) == ERROR_SUCCESS;
  LocalFree(descriptor);
  FILE_BASIC_INFO basic{};
  bool times = GetFileInformationByHandleEx(H(from.handle_), FileBasicInfo, &basic, sizeof basic);
  if (times) {
    FILE_BASIC_INFO mine{};  // zero times stay as they are
    mine.CreationTime = basic.CreationTime;
    mine.FileAttributes = basic.FileAttributes;
    times = SetFileInformationByHandle(H(handle_), FileBasicInfo, &mine, sizeof mine);
  }
  return acl && owned && times;
}

}  // namespace vsk::os
