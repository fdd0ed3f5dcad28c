#include "cli/ConsoleText.h"

#include "engine/text/Encoding.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace vsk {
namespace {

void AppendByteEscape(std::string& out, unsigned char c) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += "\\x";
  out += kHex[c >> 4];
  out += kHex[c & 15];
}

// Characters that reorder the text around them or break its line: the
// bidirectional marks, embeddings, overrides and isolates, and U+2028/2029.
bool IsLayoutControl(std::string_view s, size_t i, size_t length) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(s[i + k]); };
  if (length == 2) return b(0) == 0xD8 && b(1) == 0x9C;  // U+061C
  if (length != 3 || b(0) != 0xE2) return false;
  const unsigned c = 0x2000u | ((b(1) & 0x3Fu) << 6) | (b(2) & 0x3Fu);
  return c == 0x200E || c == 0x200F || c == 0x2028 || c == 0x2029 || (c >= 0x202A && c <= 0x202E) ||
         (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

std::string EscapeForConsole(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const size_t length = Utf8SequenceLength(s, i);
    const bool c1Control = length == 2 && c == 0xC2 && static_cast<unsigned char>(s[i + 1]) < 0xA0;
    const bool layout = IsLayoutControl(s, i, length);
    if (length == 0 || c1Control || layout || c < 0x20 || c == 0x7F) {
      const size_t n = c1Control || layout ? length : 1;
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

#ifdef _WIN32
namespace {

// The console behind stdout or stderr, or null when it goes elsewhere: the
// C library's isatty holds the null device for a terminal, GetConsoleMode
// does not.
HANDLE ConsoleOf(std::FILE* stream) {
  const HANDLE h = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  return h && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode) ? h : nullptr;
}

HANDLE Console(std::FILE* stream) {
  static const HANDLE out = ConsoleOf(stdout);
  static const HANDLE err = ConsoleOf(stderr);
  return stream == stderr ? err : out;
}

}  // namespace

bool IsConsole(std::FILE* stream) { return Console(stream) != nullptr; }

// "\r" and the erase-line escape where the console takes escapes, else
// spaces over the `shown` characters.
std::string ClearLine(size_t shown) {
  static const bool escapes = [] {
    DWORD mode = 0;
    const HANDLE console = Console(stderr);
    return console && GetConsoleMode(console, &mode) &&
           SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  }();
  if (escapes) return "\r\x1b[K";
  std::string spaces(shown + 2, ' ');
  spaces.front() = spaces.back() = '\r';
  return spaces;
}

// A console gets each text in one call: through the C library it would get
// one call per character.
void Print(std::FILE* to, const std::string& bytes) {
  const HANDLE console = Console(to);
  if (!console) {
    std::fwrite(bytes.data(), 1, bytes.size(), to);
    return;
  }
  std::fflush(to);
  const std::wstring text = FromUtf8(bytes);
  DWORD written = 0;
  WriteConsoleW(console, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}
#else
bool IsConsole(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

std::string ClearLine(size_t) { return "\r\x1b[K"; }

void Print(std::FILE* to, const std::string& bytes) { std::fwrite(bytes.data(), 1, bytes.size(), to); }
#endif


}  // namespace vsk
