#include "engine/containers/MemberNames.h"

#include "engine/text/Encoding.h"

namespace vsk {
namespace {

bool ValidUtf8(std::string_view bytes) {
  for (size_t i = 0; i < bytes.size();) {
    const size_t n = Utf8SequenceLength(bytes, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

// The letters of 866; its box drawing and signs read as '?'.
wchar_t From866(unsigned char c) {
  if (c < 0x80) return c;
  if (c < 0xB0) return static_cast<wchar_t>(0x0410 + (c - 0x80));
  if (c >= 0xE0 && c < 0xF0) return static_cast<wchar_t>(0x0440 + (c - 0xE0));
  if (c == 0xF0) return 0x0401;
  if (c == 0xF1) return 0x0451;
  return L'?';
}

}  // namespace

std::wstring ZipMemberName(std::string_view bytes, bool utf8) {
  if (utf8 || ValidUtf8(bytes)) return FromUtf8(bytes);
  std::wstring name;
  for (const char c : bytes) name += From866(static_cast<unsigned char>(c));
  return name;
}

std::wstring GzipMemberName(std::string_view bytes) {
  if (ValidUtf8(bytes)) return FromUtf8(bytes);
  std::wstring name;
  for (const char c : bytes) name += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return name;
}

}  // namespace vsk
