#include "engine/actions/Quarantine.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include "engine/actions/CheckedTarget.h"
#include "engine/actions/Sha256.h"
#include "engine/text/Encoding.h"

namespace vsk {
namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxNameUnits = 255;

// The native form as bytes: itself on POSIX; on Windows its UTF-16 units in
// UTF-8, an unpaired half as its own 3-byte sequence, so that it survives.
std::string NativeBytes(const os::NativeName& name) {
#ifdef _WIN32
  return ToUtf8(name);
#else
  return name;
#endif
}

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

bool SameAsciiFold(const os::NativeName& a, const os::NativeName& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](auto x, auto y) {
    auto fold = [](auto c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    return fold(x) == fold(y);
  });
}

os::NativeName RecordsName() { return os::FromAscii(kQuarantineRecords); }

std::wstring Shown(const fs::path& path) { return PathText(path); }

// Copies what `name` of `from` holds into `to` as `toName` (never over
// anything unless `replace`): a link as a link, a file compared with its
// hash before it takes the name.
os::MoveResult CopyAcross(const os::Folder& from, const os::NativeName& name, bool link,
                          const os::File& content, uint64_t size, const std::string& sha256,
                          const os::Folder& to, const os::NativeName& toName, bool replace) {
  const os::NativeName prefix = os::NewNamePrefix(toName), suffix = os::FromAscii(".vsk~");
  os::NativeName temp;
  os::FileId id;
  if (link) {
    os::NativeName target;
    if (!from.ReadLink(name, target)) return os::MoveResult::Failed;
    bool made = false;
    for (int attempt = 0; attempt < 100 && !made; ++attempt)
      made = to.MakeLink(temp = prefix + os::RandomHex(8) + suffix, target);
    if (!made) return os::MoveResult::Failed;
    id = to.Inspect(temp).id;
  } else {
    os::File copy;
    if (!copy.CreateNew(to, prefix, suffix, temp)) return os::MoveResult::Failed;
    id = copy.Id();
    const bool copied = os::CopyBytes(content, copy, size) && copy.Flush() &&
                        HashContent(copy, size) == sha256;
    if (copied) copy.TakeMetadata(content);
    copy.Close();
    if (!copied) {
      to.Remove(temp, id);
      return os::MoveResult::Failed;
    }
  }
  const os::MoveResult placed = to.Move(temp, id, to, toName, replace);
  if (placed != os::MoveResult::Moved) to.Remove(temp, id);
  return placed;
}

// What a record says of an entry: the size and SHA-256 of a file's bytes, or
// of a link's own text (of what it leads to where the text cannot be read).
bool Describe(const os::Folder& folder, const os::NativeName& name, bool link,
              const os::File& content, uint64_t& size, std::string& sha256) {
  if (os::NativeName text; link && folder.ReadLink(name, text)) {
    const std::string bytes = NativeBytes(text);
    Sha256 hash;
    hash.Add(bytes.data(), bytes.size());
    size = bytes.size();
    sha256 = hash.HexDigest();
    return true;
  }
  const long long length = content.IsOpen() ? content.Size() : -1;
  if (length < 0) return false;
  size = static_cast<uint64_t>(length);
  sha256 = HashContent(content, size);
  return !sha256.empty();
}

}  // namespace

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

std::string UtcTimeText() {
  const int64_t now = static_cast<int64_t>(std::time(nullptr));
  const int64_t days = now / 86400 - (now % 86400 < 0);
  const int64_t seconds = now - days * 86400;
  // Days since 1970-01-01 to a civil date (proleptic Gregorian).
  const int64_t z = days + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t dayOfEra = z - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t mp = (5 * dayOfYear + 2) / 153;
  const int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
  const int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const int64_t year = yearOfEra + era * 400 + (month <= 2);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", static_cast<int>(year),
                static_cast<int>(month), static_cast<int>(day), static_cast<int>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  return text;
}

std::string HashContent(const os::File& file, uint64_t size) {
  Sha256 hash;
  std::vector<uint8_t> buffer(1 << 20);
  for (uint64_t at = 0; at < size;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(size - at, buffer.size()));
    if (!file.ReadExactAt(at, buffer.data(), n)) return {};
    hash.Add(buffer.data(), n);
    at += n;
  }
  return hash.HexDigest();
}

Quarantine::Opened Quarantine::Open(const fs::path& workFolder, bool create) {
  os::Folder work;
  if (!work.Open(workFolder)) return Opened::Failed;
  const os::NativeName name = fs::path(kQuarantineFolder).native();
  if (!create && work.Inspect(name).kind == os::Kind::Missing) return Opened::Missing;
  switch (folder_.OpenSubfolder(work, name, create)) {
    case os::Folder::SubResult::Opened: return Opened::Yes;
    case os::Folder::SubResult::Refused: return Opened::Refused;
    case os::Folder::SubResult::Failed: break;
  }
  return Opened::Failed;
}

bool Quarantine::ReadRecordLines(std::vector<std::string>& lines) const {
  lines.clear();
  os::File file;
  switch (file.Open(folder_, RecordsName(), false)) {
    case os::Error::None: break;
    // Anything but a file at the name is replaced by the next write.
    case os::Error::Missing:
    case os::Error::Link:
    case os::Error::NotAFile: return true;
    case os::Error::Denied:
    case os::Error::Busy:
    case os::Error::ReadFailed:
    case os::Error::Failed: return false;
  }
  const long long size = file.Size();
  if (size < 0) return false;
  std::string text(static_cast<size_t>(size), '\0');
  if (!file.ReadExactAt(0, text.data(), text.size())) return false;
  for (std::string_view line : Split(text, '\n'))
    if (!line.empty()) lines.emplace_back(line);
  return true;
}

std::vector<QuarantineRecord> Quarantine::Records() const {
  std::vector<QuarantineRecord> records;
  std::vector<std::string> lines;
  ReadRecordLines(lines);
  for (const std::string& line : lines)
    if (QuarantineRecord r; ParseRecord(line, r)) records.push_back(std::move(r));
  return records;
}

bool Quarantine::Find(const std::wstring& storedText, QuarantineRecord& record) const {
  const std::string text = ToUtf8(storedText);
  const os::NativeName native = PathFromText(storedText).native();
  for (QuarantineRecord& r : Records()) {
    if (EscapeName(r.stored) == text || r.stored == native) {
      record = std::move(r);
      return true;
    }
  }
  return false;
}

bool Quarantine::IsRecordsName(const os::NativeName& name) {
  return SameAsciiFold(name, RecordsName());
}

bool Quarantine::Taken(const os::NativeName& name) const {
  return IsRecordsName(name) || folder_.Inspect(name).kind != os::Kind::Missing;
}

os::NativeName Quarantine::FreeName(const os::NativeName& name) const {
  if (!Taken(name)) return name;
  const size_t dot = name.rfind('.');
  const bool hasExtension = dot != os::NativeName::npos && dot > 0;
  const os::NativeName extension = hasExtension ? name.substr(dot) : os::NativeName();
  os::NativeName stem = hasExtension ? name.substr(0, dot) : name;
  for (int n = 2;; ++n) {
    const os::NativeName mark =
        os::FromAscii("~") +
        (n < 10000 ? os::FromAscii(std::to_string(n).c_str()) : os::RandomHex(8));
    if (stem.size() + mark.size() + extension.size() > kMaxNameUnits)
      stem.resize(kMaxNameUnits - std::min(kMaxNameUnits, mark.size() + extension.size()));
    const os::NativeName candidate = stem + mark + extension;
    if (!Taken(candidate)) return candidate;
  }
}

bool Quarantine::WriteRecords(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + '\n';
  os::File file;
  os::NativeName temp;
  if (!file.CreateNew(folder_, os::NewNamePrefix(RecordsName()), os::FromAscii(".vsk~"), temp))
    return false;
  const os::FileId id = file.Id();
  const bool written = file.WriteAt(0, text.data(), text.size()) && file.Flush();
  file.Close();
  if (written && folder_.Move(temp, id, folder_, RecordsName(), true) == os::MoveResult::Moved) {
    folder_.Sync();
    return true;
  }
  folder_.Remove(temp, id);
  return false;
}

// Rewrites the records without those of `stored`, then with `added`.
bool Quarantine::ChangeRecords(const os::NativeName& stored, const QuarantineRecord* added) {
  std::vector<std::string> lines, kept;
  if (!ReadRecordLines(lines)) return false;
  for (std::string& line : lines)
    if (QuarantineRecord r; !ParseRecord(line, r) || r.stored != stored) kept.push_back(std::move(line));
  if (added) kept.push_back(FormatRecord(*added));
  return WriteRecords(kept);
}

bool Quarantine::Store(RowFile& file, os::NativeName& stored, bool replace,
                       const std::wstring& virus) {
  std::error_code ec;
  fs::path original = fs::absolute(file.folder.PathOf(file.name), ec);
  if (ec) original = file.folder.PathOf(file.name);
  QuarantineRecord record{{}, original, virus, UtcTimeText(), 0, {}};
  if (!Describe(file.folder, file.name, file.IsLink(), file.file, record.size, record.sha256))
    return false;

  os::MoveResult moved = os::MoveResult::Failed;
  bool copied = false;
  for (int attempt = 0; attempt < 10; ++attempt) {
    moved = file.folder.Move(file.name, file.info.id, folder_, stored, replace);
    if (moved == os::MoveResult::OtherDevice) {
      moved = CopyAcross(file.folder, file.name, file.IsLink(), file.file, record.size,
                         record.sha256, folder_, stored, replace);
      copied = true;
    }
    if (moved != os::MoveResult::Exists || replace) break;
    stored = FreeName(stored);  // taken since it was chosen
  }
  if (moved != os::MoveResult::Moved) return false;
  record.stored = stored;
  const os::FileId placed = copied ? folder_.Inspect(stored).id : file.info.id;
  auto undo = [&] {
    if (copied)
      folder_.Remove(stored, placed);
    else
      folder_.Move(stored, placed, file.folder, file.name, false);
  };
  if (!ChangeRecords(record.stored, &record)) {
    undo();
    return false;
  }
  if (copied) {
    file.file.Close();
    if (!file.folder.Remove(file.name, file.info.id)) {
      ChangeRecords(stored, nullptr);
      undo();
      return false;
    }
  }
  return true;
}

std::wstring Quarantine::Restore(const std::wstring& storedText) {
  QuarantineRecord record;
  if (!Find(storedText, record)) return L"В карантине нет файла " + storedText;
  const fs::path storedPath = folder_.PathOf(record.stored);
  const os::NameInfo info = folder_.Inspect(record.stored);
  if (info.kind == os::Kind::Missing) return L"Файл пропал из карантина: " + Shown(storedPath);
  const bool link = os::IsLink(info.kind);
  os::File content;
  if (link)
    content.OpenTarget(folder_, record.stored);  // needed only where its text is not read
  else if (content.Open(folder_, record.stored, false) != os::Error::None ||
           content.Id() != info.id)
    return L"Не удалось прочитать файл карантина: " + Shown(storedPath);
  uint64_t size = 0;
  std::string sha256;
  if (!Describe(folder_, record.stored, link, content, size, sha256))
    return L"Не удалось прочитать файл карантина: " + Shown(storedPath);
  if (size != record.size || sha256 != record.sha256)
    return L"Содержимое файла в карантине не совпадает с записью о нём; файл не возвращён: " +
           Shown(storedPath);

  const os::NativeName name = record.original.filename().native();
  os::Folder destination;
  if (name.empty() || !destination.Open(record.original.parent_path(), true))
    return L"Не удалось создать папку для файла: " + Shown(record.original);
  const std::wstring taken =
      L"На месте файла уже что-то есть, и оно не заменяется: " + Shown(record.original);
  if (destination.Inspect(name).kind != os::Kind::Missing) return taken;
  os::MoveResult moved = folder_.Move(record.stored, info.id, destination, name, false);
  bool copied = false;
  if (moved == os::MoveResult::OtherDevice) {
    moved = CopyAcross(folder_, record.stored, os::IsLink(info.kind), content,
                       record.size, record.sha256, destination, name, false);
    copied = true;
  }
  if (moved == os::MoveResult::Exists) return taken;
  if (moved != os::MoveResult::Moved) return L"Не удалось вернуть файл: " + Shown(record.original);
  content.Close();
  if (copied && !folder_.Remove(record.stored, info.id))
    return L"Файл возвращён, но его копию в карантине удалить не удалось: " + Shown(storedPath);
  if (!ChangeRecords(record.stored, nullptr))
    return L"Файл возвращён, но запись о нём осталась в " + Shown(folder_.PathOf(RecordsName()));
  return {};
}

std::wstring Quarantine::Purge(const std::wstring& storedText) {
  QuarantineRecord record;
  if (!Find(storedText, record)) return L"В карантине нет файла " + storedText;
  const fs::path storedPath = folder_.PathOf(record.stored);
  const os::NameInfo info = folder_.Inspect(record.stored);
  if (info.kind != os::Kind::Missing && !folder_.Remove(record.stored, info.id))
    return L"Не удалось удалить файл карантина: " + Shown(storedPath);
  if (!ChangeRecords(record.stored, nullptr))
    return L"Файл удалён, но запись о нём осталась в " + Shown(folder_.PathOf(RecordsName()));
  return {};
}

}  // namespace vsk
