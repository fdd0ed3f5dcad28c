#include <windows.h>

#include "engine/os/Names.h"

namespace vsk::os {

namespace {

// A drive's root or a UNC or device path; "C:name" and "\\name" depend on
// the working folder as much as "name" does.
bool IsFullPath(const std::wstring& path) {
  if (path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) return true;
  return path.size() >= 2 && (path[0] == L'\\' || path[0] == L'/') && (path[1] == L'\\' || path[1] == L'/');
}

}  // namespace

std::wstring FullPath(const std::wstring& path) {
  std::wstring full(32768, L'\0');
  const DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(),
                                   nullptr);
  if (n == 0 || n >= full.size()) return {};
  full.resize(n);
  return full;
}

// Paths past MAX_PATH need the \\?\ form, which takes only absolute paths
// with backslashes. A relative path is measured with the working folder it
// stands in, which may itself be long.
std::wstring LongPath(const std::wstring& path) {
  if (path.rfind(LR"(\\?\)", 0) == 0) return path;
  const bool absolute = IsFullPath(path);
  if (absolute && path.size() < 240) return path;
  const std::wstring full = FullPath(path);
  if (full.empty()) return path;
  if (full.size() < 240 || full.rfind(LR"(\\.\)", 0) == 0) return absolute ? path : full;
  if (full.rfind(LR"(\\)", 0) == 0) return LR"(\\?\UNC\)" + full.substr(2);
  return LR"(\\?\)" + full;
}

}  // namespace vsk::os
