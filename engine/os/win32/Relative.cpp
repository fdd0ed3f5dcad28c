#include <windows.h>
#include <winternl.h>

#include <cstring>
#include <vector>

#include "engine/os/win32/Win32.h"

namespace vsk::os::win32 {

namespace {

constexpr ULONG kSynchronous = 0x20;  // FILE_SYNCHRONOUS_IO_NONALERT

// One component: a separator, a drive or stream colon, "." or ".." would
// let the name reach past its folder.
bool IsOneName(const std::wstring& name) {
  if (name.empty() || name == L"." || name == L"..") return false;
  return name.find_first_of(L"\\/:") == std::wstring::npos && name.size() < 32767;
}

bool Failed(NTSTATUS status) {
  SetLastError(RtlNtStatusToDosError(status));
  return false;
}

}  // namespace

HANDLE OpenIn(HANDLE dir, const std::wstring& name, DWORD access, DWORD disposition,
              DWORD options, DWORD share, PSECURITY_DESCRIPTOR security, bool* created) {
  if (created) *created = false;
  if (!IsOneName(name)) {
    SetLastError(ERROR_INVALID_NAME);
    return INVALID_HANDLE_VALUE;
  }
  UNICODE_STRING text;
  text.Buffer = const_cast<wchar_t*>(name.c_str());
  text.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  text.MaximumLength = text.Length;
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, dir, security);
  IO_STATUS_BLOCK io{};
  HANDLE h = nullptr;
  const NTSTATUS status =
      NtCreateFile(&h, access | SYNCHRONIZE | FILE_READ_ATTRIBUTES, &attributes, &io, nullptr,
                   FILE_ATTRIBUTE_NORMAL, share, disposition, options | kSynchronous, nullptr, 0);
  if (!NT_SUCCESS(status)) {
    Failed(status);
    return INVALID_HANDLE_VALUE;
  }
  if (created) *created = io.Information == FILE_CREATED;
  return h;
}

bool RenameInto(HANDLE h, HANDLE dir, const std::wstring& name, bool replace) {
  if (!IsOneName(name)) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  // The kernel32 call makes a relative name full from the working folder
  // on some systems, so the root folder is given to ntdll directly.
  const size_t bytes = name.size() * sizeof(wchar_t);
  std::vector<BYTE> buffer(sizeof(FILE_RENAME_INFORMATION) + bytes);
  auto* info = reinterpret_cast<FILE_RENAME_INFORMATION*>(buffer.data());
  info->ReplaceIfExists = replace ? TRUE : FALSE;
  info->RootDirectory = dir;
  info->FileNameLength = static_cast<ULONG>(bytes);
  std::memcpy(info->FileName, name.data(), bytes);
  IO_STATUS_BLOCK io{};
  const NTSTATUS status = NtSetInformationFile(h, &io, info, static_cast<ULONG>(buffer.size()),
                                               FileRenameInformation);
  return NT_SUCCESS(status) || Failed(status);
}

}  // namespace vsk::os::win32
