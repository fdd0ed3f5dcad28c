// What a second start hands the running window, without a window: the
// name that one user's windows over one data folder share, and the check
// of a handed path before the window takes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vsk {

// WM_COPYDATA's dwData for a path to scan ("VSK1").
inline constexpr uintptr_t kHandOffTag = 0x314B5356;
// UTF-16 units of a handed path, its terminating NUL included.
inline constexpr size_t kMaxHandedUnits = 32768;

// The name of the instance of user `userSid` over `dataFolder` (the case of
// the folder's letters aside): windows of other users, or over another
// folder with another database, never share it.
std::wstring InstanceName(const std::wstring& userSid, const std::wstring& dataFolder);

// The path of a WM_COPYDATA payload: `tag` kHandOffTag, `bytes` whole
// UTF-16 units ending in the one NUL, no control character, a full path
// (a drive's "X:\..." or a share's "\\server\..."). False for anything else.
bool ReadHandedPath(uintptr_t tag, const void* data, size_t bytes, std::wstring& path);

}  // namespace vsk
