#include <windows.h>
#include <aclapi.h>

#include "engine/os/Ownership.h"
#include "engine/os/win32/Win32.h"

namespace vsk::os {

using win32::H;

namespace {

// The owner of an open file, freed by the caller with LocalFree.
bool OwnerOf(HANDLE file, PSID& owner, PSECURITY_DESCRIPTOR& descriptor) {
  return GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                         nullptr, nullptr, nullptr, &descriptor) == ERROR_SUCCESS;
}

}  // namespace

bool SameKeeper(const File& other, const File& file, uint64_t maxSize) {
  const long long size = other.Size();
  if (!other.IsOpen() || !file.IsOpen() || size < 0 || static_cast<uint64_t>(size) > maxSize)
    return false;
  PSID theirs = nullptr, ours = nullptr;
  PSECURITY_DESCRIPTOR a = nullptr, b = nullptr;
  bool same = false;
  if (OwnerOf(H(other.handle_), theirs, a) && OwnerOf(H(file.handle_), ours, b))
    same = EqualSid(theirs, ours) || IsWellKnownSid(theirs, WinBuiltinAdministratorsSid) ||
           IsWellKnownSid(theirs, WinLocalSystemSid);
  if (a) LocalFree(a);
  if (b) LocalFree(b);
  return same;
}

bool ClearSetIds(File&) { return true; }

bool CopyAttributes(const File&, File&, bool) { return true; }

}  // namespace vsk::os
