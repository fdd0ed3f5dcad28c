#include "app/HandOff.h"

#include <cstring>
#include <cwctype>

namespace vsk {

std::wstring InstanceName(const std::wstring& userSid, const std::wstring& dataFolder) {
  // FNV-1a over the folder's upper-cased units: names are case-blind on
  // Windows, and one folder must give one name however it was spelt.
  uint64_t hash = 14695981039346656037ull;
  for (wchar_t c : dataFolder) {
    if (c == L'/') c = L'\\';
    const auto unit = static_cast<uint16_t>(std::towupper(static_cast<wint_t>(c)));
    for (const uint8_t byte : {static_cast<uint8_t>(unit & 0xFF), static_cast<uint8_t>(unit >> 8)}) {
      hash ^= byte;
      hash *= 1099511628211ull;
    }
  }
  static const wchar_t digits[] = L"0123456789abcdef";
  std::wstring hex(16, L'0');
  for (int i = 15; i >= 0; --i, hash >>= 4) hex[static_cast<size_t>(i)] = digits[hash & 0xF];
  return L"Vireskand-" + userSid + L"-" + hex;
}

bool ReadHandedPath(uintptr_t tag, const void* data, size_t bytes, std::wstring& path) {
  if (tag != kHandOffTag || !data || bytes % sizeof(wchar_t) != 0) return false;
  const size_t units = bytes / sizeof(wchar_t);
  if (units < 4 || units > kMaxHandedUnits) return false;
  std::wstring text(units, L'\0');
  std::memcpy(text.data(), data, bytes);
  if (text.back() != L'\0') return false;
  text.pop_back();
  for (const wchar_t c : text)
    if (c < 0x20 || c == 0x7F) return false;
  const wchar_t letter = static_cast<wchar_t>(text[0] | 0x20);
  const bool drive = letter >= L'a' && letter <= L'z' && text[1] == L':' && text[2] == L'\\';
  const bool share = text[0] == L'\\' && text[1] == L'\\' && text.size() > 2 && text[2] != L'\\';
  if (!drive && !share) return false;
  path = std::move(text);
  return true;
}

}  // namespace vsk
