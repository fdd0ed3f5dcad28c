#include <windows.h>

#include <vector>

#include "engine/os/Ownership.h"
#include "engine/os/win32/Win32.h"

namespace vsk::os {

using win32::H;

bool SameKeeper(const File& other, const File& file, uint64_t maxSize) {
  const long long size = other.Size();
  if (!other.IsOpen() || !file.IsOpen() || size < 0 || static_cast<uint64_t>(size) > maxSize)
    return false;
  // Owned by the file's owner or the system, and writable by nobody else.
  std::vector<BYTE> owner;
  return win32::OwnerOf(H(file.handle_), owner) &&
         win32::KeepingOf(H(other.handle_), owner.data()) == win32::Keeping::Private;
}

bool ClearSetIds(File&) { return true; }

bool CopyAttributes(const File&, File&, bool) { return true; }

}  // namespace vsk::os
