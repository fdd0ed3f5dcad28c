// ASCII letters compared without case; other characters as they are.
#pragma once

#include <cstddef>

namespace vsk {

template <class Char>
constexpr Char FoldAscii(Char c) {
  return c >= Char('A') && c <= Char('Z') ? static_cast<Char>(c + ('a' - 'A')) : c;
}

// True when `a` and `b` differ at most in the case of ASCII letters.
template <class StringA, class StringB>
bool EqualsIgnoringAsciiCase(const StringA& a, const StringB& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

}  // namespace vsk
