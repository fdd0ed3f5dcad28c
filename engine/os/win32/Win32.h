// What the Windows files of the seam share.
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>

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

}  // namespace vsk::os::win32
