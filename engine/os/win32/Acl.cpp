#include <windows.h>
#include <aclapi.h>

#include <vector>

#include "engine/os/win32/Win32.h"

namespace vsk::os::win32 {

namespace {

// The rights that change what an object holds or who may change it.
constexpr ACCESS_MASK kWrites = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD |
                                WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

bool IsSystemKeeper(PSID sid) {
  return IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
         IsWellKnownSid(sid, WinLocalSystemSid);
}

// Whether an ACE of `dacl` lets somebody other than `owner`, `user`, the
// Administrators or SYSTEM write. An inherit-only CREATOR OWNER ACE only
// hands the owner's rights down; allowing ACEs of a kind not read here
// count as letting others write.
bool OthersMayWrite(const ACL* dacl, PSID owner, PSID user) {
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(const_cast<ACL*>(dacl), i, &ace)) return true;
    const auto* header = static_cast<const ACE_HEADER*>(ace);
    if (header->AceType == ACCESS_ALLOWED_OBJECT_ACE_TYPE ||
        header->AceType == ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE)
      return true;
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE &&
        header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE)
      continue;  // denials and audits grant nothing
    const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
    if ((allowed->Mask & kWrites) == 0) continue;
    PSID sid = const_cast<DWORD*>(&allowed->SidStart);
    if (IsSystemKeeper(sid) || (owner && EqualSid(sid, owner)) || (user && EqualSid(sid, user)) ||
        IsWellKnownSid(sid, WinCreatorOwnerRightsSid))
      continue;
    if (IsWellKnownSid(sid, WinCreatorOwnerSid) && (header->AceFlags & INHERIT_ONLY_ACE)) continue;
    return true;
  }
  return false;
}

}  // namespace

PSID CurrentUser(std::vector<BYTE>& user) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return nullptr;
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  user.resize(size);
  const bool ok = size > 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size);
  CloseHandle(token);
  return ok ? reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid : nullptr;
}

bool OwnerOf(HANDLE h, std::vector<BYTE>& sid) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(h, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                      nullptr, &descriptor) != ERROR_SUCCESS)
    return false;
  const bool known = owner != nullptr;
  if (known) sid.assign(static_cast<BYTE*>(owner), static_cast<BYTE*>(owner) + GetLengthSid(owner));
  LocalFree(descriptor);
  return known;
}

bool PrivateSecurity::Make() {
  PSID sid = CurrentUser(user_);
  if (!sid) return false;
  const DWORD aclSize = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sid);
  acl_.resize(aclSize);
  auto* acl = reinterpret_cast<PACL>(acl_.data());
  return InitializeAcl(acl, aclSize, ACL_REVISION) &&
         AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, sid) &&
         InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
         SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) &&
         SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
}

Keeping KeepingOf(PSID owner, const ACL* dacl, PSID wanted) {
  std::vector<BYTE> token;
  PSID user = CurrentUser(token);
  if (!wanted) wanted = user;
  if (owner && !IsSystemKeeper(owner)) {
    if (!wanted) return Keeping::Unknown;
    if (!EqualSid(owner, wanted)) return Keeping::ForeignOwner;
  }
  // No DACL at all (a volume without security too) lets everybody in.
  return !dacl || OthersMayWrite(dacl, owner, user) ? Keeping::OpenToOthers : Keeping::Private;
}

Keeping KeepingOf(HANDLE h, PSID wanted) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(h, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                      &owner, nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
    return Keeping::Unknown;
  const Keeping keeping = KeepingOf(owner, dacl, wanted);
  LocalFree(descriptor);
  return keeping;
}

}  // namespace vsk::os::win32
