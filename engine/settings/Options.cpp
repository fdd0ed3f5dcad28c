#include "engine/settings/Options.h"

#include <vector>

#include "engine/os/AtomicWrite.h"
#include "engine/os/File.h"
#include "engine/os/Folder.h"
#include "engine/text/Encoding.h"
#include "engine/text/Ascii.h"

namespace vsk {
namespace {

std::wstring_view Trim(std::wstring_view s) {
  const auto blank = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// A settings file is small; one that is not is read no further.
constexpr size_t kMaxIniBytes = 1 << 20;

std::vector<std::wstring> ReadLines(const std::filesystem::path& file) {
  std::string bytes;
  os::File in;
  if (in.Open(file) == os::Error::None) {
    char buffer[16384];
    for (long long n; bytes.size() < kMaxIniBytes && (n = in.Read(buffer, sizeof buffer)) > 0;)
      bytes.append(buffer, static_cast<size_t>(n));
  }
  std::wstring text = FromUtf8(bytes);
  std::vector<std::wstring> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

std::wstring_view SectionName(std::wstring_view line) {
  line = Trim(line);
  if (line.size() >= 2 && line.front() == L'[') {
    const size_t close = line.find(L']');
    if (close != std::wstring_view::npos) return Trim(line.substr(1, close - 1));
  }
  return {};
}

bool IsSection(std::wstring_view line) { return !Trim(line).empty() && Trim(line).front() == L'['; }

// Splits "key=value"; false for lines without '='.
bool SplitEntry(std::wstring_view line, std::wstring_view& key, std::wstring_view& value) {
  const size_t eq = line.find(L'=');
  if (eq == std::wstring_view::npos) return false;
  key = Trim(line.substr(0, eq));
  value = Trim(line.substr(eq + 1));
  return true;
}

}  // namespace

int ParseProfileInt(const std::wstring& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
  long long value = 0;
  while (i < text.size() && text[i] >= L'0' && text[i] <= L'9') {
    value = value * 10 + (text[i++] - L'0');
    if (value > 0xFFFFFFFFLL) value = 0xFFFFFFFFLL;
  }
  return static_cast<int>(static_cast<uint32_t>(negative ? -value : value));
}

namespace {

// Where `key` of `section` stands in the lines of an INI file.
struct Place {
  bool sectionFound = false;
  size_t sectionEnd = 0;                // the line after the section's last
  size_t line = std::wstring::npos;     // the key's line, npos when absent
  std::wstring_view value;
};

Place Find(const std::vector<std::wstring>& lines, const std::wstring& section,
           const std::wstring& key) {
  Place place;
  bool inSection = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (IsSection(lines[i])) {
      if (inSection) break;
      inSection = EqualsIgnoringAsciiCase(SectionName(lines[i]), section);
      if (inSection) {
        place.sectionFound = true;
        place.sectionEnd = i + 1;
      }
      continue;
    }
    if (!inSection) continue;
    place.sectionEnd = i + 1;
    std::wstring_view k, v;
    if (SplitEntry(lines[i], k, v) && EqualsIgnoringAsciiCase(k, key)) {
      place.line = i;
      place.value = v;
      break;
    }
  }
  return place;
}

}  // namespace

int IniProfile::GetProfileInt(const std::wstring& section, const std::wstring& key,
                              int defaultValue) {
  const std::vector<std::wstring> lines = ReadLines(file_);
  const Place place = Find(lines, section, key);
  return place.line == std::wstring::npos ? defaultValue
                                          : ParseProfileInt(std::wstring(place.value));
}

std::wstring IniProfile::GetProfileString(const std::wstring& section, const std::wstring& key,
                                          const std::wstring& defaultValue) {
  const std::vector<std::wstring> lines = ReadLines(file_);
  const Place place = Find(lines, section, key);
  if (place.line == std::wstring::npos) return defaultValue;
  std::wstring_view v = place.value;
  if (v.size() >= 2 && (v.front() == L'"' || v.front() == L'\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return std::wstring(v);
}

bool IniProfile::WriteProfileInt(const std::wstring& section, const std::wstring& key,
                                 int value) {
  return WriteProfileString(section, key, std::to_wstring(value));
}

bool IniProfile::WriteProfileString(const std::wstring& section, const std::wstring& key,
                                    const std::wstring& value) {
  std::vector<std::wstring> lines = ReadLines(file_);
  const std::wstring entry = key + L"=" + value;
  const Place place = Find(lines, section, key);
  if (place.line != std::wstring::npos) {
    lines[place.line] = entry;
  } else if (place.sectionFound) {
    // Keep the new key before the blank lines that end the section.
    size_t at = place.sectionEnd;
    while (at > 0 && Trim(lines[at - 1]).empty()) --at;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), entry);
  } else {
    lines.push_back(L"[" + section + L"]");
    lines.push_back(entry);
  }
  std::wstring text;
  for (const std::wstring& line : lines) text += line + L"\r\n";
  const std::string bytes = ToUtf8(text);
  os::Folder folder;
  if (!folder.Open(file_.parent_path())) return false;
  const os::NativeName name = file_.filename().native();
  const auto write = [&](os::File& out) { return out.WriteAt(0, bytes.data(), bytes.size()); };
  // The file's mode and owner stay where they can be given; a new file is
  // private to its owner.
  os::File old;
  if (old.Open(folder, name, false) == os::Error::None) {
    const os::AtomicResult result = os::ReplaceAtomically(folder, name, old, write);
    if (result != os::AtomicResult::MetadataNotGiven) return result == os::AtomicResult::Written;
    old.Close();
  }
  return os::WriteAtomically(folder, name, true, write) == os::AtomicResult::Written;
}

Options DefaultOptions() {
  Options o;
  ForEachOption(o, [](const auto& key, auto& value) { value = key.defaultValue; });
  return o;
}

int32_t ReadOption(IProfile& profile, const OptionKey<int32_t>& key) {
  return profile.GetProfileInt(kOptionsSection, key.name, key.defaultValue);
}

std::wstring ReadOption(IProfile& profile, const OptionKey<const wchar_t*>& key) {
  return profile.GetProfileString(kOptionsSection, key.name, key.defaultValue);
}

void LoadOptions(Options& o, IProfile& p) {
  ForEachOption(o, [&](const auto& key, auto& value) { value = ReadOption(p, key); });
  if (o.ReportFileName.size() > kMaxReportFileName)
    o.ReportFileName = option::kReportFileName.defaultValue;
}

namespace {

bool WriteOption(IProfile& p, const OptionKey<int32_t>& key, int32_t value) {
  return p.WriteProfileInt(kOptionsSection, key.name, value);
}

bool WriteOption(IProfile& p, const OptionKey<const wchar_t*>& key, const std::wstring& value) {
  return p.WriteProfileString(kOptionsSection, key.name, value);
}

}  // namespace

bool SaveOptions(const Options& o, IProfile& p) {
  bool ok = true;
  ForEachOption(o, [&](const auto& key, const auto& value) { ok &= WriteOption(p, key, value); });
  return ok;
}

}  // namespace vsk
