#include "cli/ConsoleText.h"

#include "engine/Text1251.h"

namespace vsk {
namespace {

void AppendByteEscape(std::string& out, unsigned char c) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += "\\x";
  out += kHex[c >> 4];
  out += kHex[c & 15];
}

}  // namespace

std::string EscapeForConsole(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const size_t length = Utf8SequenceLength(s, i);
    const bool c1Control = length == 2 && c == 0xC2 && static_cast<unsigned char>(s[i + 1]) < 0xA0;
    if (length == 0 || c1Control || c < 0x20 || c == 0x7F) {
      const size_t n = c1Control ? 2 : 1;
      for (size_t k = 0; k < n; ++k) {
        const unsigned char e = static_cast<unsigned char>(s[i + k]);
        if (e == '\t') out += "\\t";
        else if (e == '\n') out += "\\n";
        else if (e == '\r') out += "\\r";
        else AppendByteEscape(out, e);
      }
      i += n;
    } else if (c == '\\') {
      out += "\\\\";
      ++i;
    } else {
      out.append(s.substr(i, length));
      i += length;
    }
  }
  return out;
}

std::string ConsolePath(const std::filesystem::path& path) {
#ifdef _WIN32
  return EscapeForConsole(ToUtf8(path.native()));
#else
  return EscapeForConsole(path.native());
#endif
}

std::string ConsoleText(std::wstring_view text) { return EscapeForConsole(ToUtf8(text)); }

std::string ConsoleLines(std::wstring_view text) {
  std::string out;
  for (size_t start = 0;;) {
    const size_t end = text.find(L'\n', start);
    out += ConsoleText(text.substr(start, end - start));
    if (end == std::wstring_view::npos) return out;
    out += '\n';
    start = end + 1;
  }
}

}  // namespace vsk
