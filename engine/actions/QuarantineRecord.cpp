#include "engine/actions/QuarantineRecord.h"

#include <chrono>
#include <cstdio>
#include <vector>

#include "engine/text/Encoding.h"

namespace vsk {
namespace fs = std::filesystem;

namespace {

os::NativeName NativeFromBytes(std::string_view bytes) {
#ifdef _WIN32
  return FromUtf8(bytes, true);
#else
  return os::NativeName(bytes);
#endif
}

std::string Escape(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < bytes.size();) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    const size_t n = Utf8SequenceLength(bytes, i);
    if (n == 0 || b < 0x20 || b == 0x7F || b == '%') {
      out += {'%', kHex[b >> 4], kHex[b & 15]};
      ++i;
    } else {
      out.append(bytes.substr(i, n));
      i += n;
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool Unescape(std::string_view text, std::string& bytes) {
  bytes.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      bytes.push_back(text[i]);
      continue;
    }
    if (i + 2 >= text.size()) return false;
    const int hi = HexDigit(text[i + 1]), lo = HexDigit(text[i + 2]);
    if (hi < 0 || lo < 0) return false;
    bytes.push_back(static_cast<char>(hi << 4 | lo));
    i += 2;
  }
  return true;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (size_t start = 0;;) {
    const size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

}  // namespace

std::string NativeBytes(const os::NativeName& name) {
#ifdef _WIN32
  return ToUtf8(name);
#else
  return name;
#endif
}

std::string EscapeName(const os::NativeName& name) { return Escape(NativeBytes(name)); }

bool UnescapeName(std::string_view text, os::NativeName& name) {
  std::string bytes;
  if (!Unescape(text, bytes)) return false;
  name = NativeFromBytes(bytes);
  return true;
}

std::string FormatRecord(const QuarantineRecord& r) {
  return EscapeName(r.stored) + '\t' + EscapeName(r.original.native()) + '\t' +
         Escape(ToUtf8(r.virus)) + '\t' + r.time + '\t' + std::to_string(r.size) + '\t' + r.sha256;
}

bool ParseRecord(std::string_view line, QuarantineRecord& r) {
  const std::vector<std::string_view> f = Split(line, '\t');
  if (f.size() != 6 || f[0].empty() || f[4].empty() || f[5].size() != 64) return false;
  os::NativeName original;
  std::string virus;
  if (!UnescapeName(f[0], r.stored) || !UnescapeName(f[1], original) || !Unescape(f[2], virus))
    return false;
  r.original = fs::path(original);
  r.virus = FromUtf8(virus);
  r.time = std::string(f[3]);
  r.size = 0;
  for (char c : f[4]) {
    if (c < '0' || c > '9') return false;
    r.size = r.size * 10 + static_cast<uint64_t>(c - '0');
  }
  r.sha256 = std::string(f[5]);
  return true;
}

std::vector<std::string> RecordLines(std::string_view fileText) {
  std::vector<std::string> lines;
  for (std::string_view line : Split(fileText, '\n'))
    if (!line.empty()) lines.emplace_back(line);
  return lines;
}

std::string RecordFileText(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + '\n';
  return text;
}

std::string UtcTimeText() {
  using namespace std::chrono;
  const auto now = floor<seconds>(system_clock::now());
  const auto day = floor<days>(now);
  const year_month_day date{day};
  const hh_mm_ss time{now - day};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()));
  return text;
}

}  // namespace vsk
