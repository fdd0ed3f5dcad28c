#include "engine/db/VirusDatabase.h"

#include <algorithm>
#include <system_error>
#include <vector>

#include "engine/db/Texts.h"
#include "engine/os/File.h"
#include "engine/scan/Texts.h"
#include "engine/text/Encoding.h"

namespace vsk {
namespace fs = std::filesystem;

namespace {

constexpr char kHeader[] =
    "Vireskand version 3.15 Virus Database\r\n"
    "Copyright (C) 2002 Nordlicht Softlab\r\n"
    "Created by Ivar Telmanov.\r\n";
static_assert(sizeof(kHeader) - 1 == kHeaderSize);

// The most any operation reads: the records a count byte can promise. A
// huge file under the database's name is not read whole.
constexpr size_t kReadLimit = kRecordsOffset + kRecordSize * 255;

// The file's first bytes, up to kReadLimit.
os::Error ReadDatabase(const fs::path& file, std::vector<uint8_t>& bytes, int& code) {
  os::File in;
  bytes.clear();
  if (in.Open(file) != os::Error::None) {
    code = in.ErrorCode();
    return in.LastError();
  }
  bytes.resize(kReadLimit);
  size_t have = 0;
  for (long long n; have < kReadLimit && (n = in.Read(bytes.data() + have, kReadLimit - have)) != 0;) {
    if (n < 0) {
      code = in.ErrorCode();
      return in.LastError();
    }
    have += static_cast<size_t>(n);
  }
  bytes.resize(have);
  return os::Error::None;
}

std::wstring UnreadableMessage(os::Error error, int code) {
  std::wstring reason;
  switch (error) {
    case os::Error::Denied: reason = L"Нет прав на чтение файла."; break;
    case os::Error::Busy: reason = L"Файл занят другой программой."; break;
    case os::Error::Link:  // too many links on the way
    case os::Error::NotAFile: reason = L"Это не файл, а папка или устройство."; break;
    case os::Error::ReadFailed: reason = L"Ошибка чтения с диска."; break;
    default: reason = L"Ошибка системы, код " + std::to_wstring(code) + L"."; break;
  }
  return std::wstring(msg::kDatabaseUnreadable) + L"\n" + reason;
}

// Reads the file for an operation: false after the message for a missing
// (`missing`) or unreadable file.
bool ReadOrTell(const fs::path& file, std::vector<uint8_t>& bytes, IMessageSink& messages,
                const wchar_t* missing, LoadResult& result) {
  int code = 0;
  const os::Error error = ReadDatabase(file, bytes, code);
  if (error == os::Error::None) return true;
  if (error == os::Error::Missing) {
    messages.ShowMessage(missing);
    result = LoadResult::Missing;
  } else {
    messages.ShowMessage(UnreadableMessage(error, code));
    result = LoadResult::Unreadable;
  }
  return false;
}

// Shorter than the records its count promises; a count above 200 is
// refused as too big instead.
bool IsCutShort(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < kRecordsOffset) return true;
  const size_t count = bytes[kCountOffset];
  return count <= kMaxViruses && bytes.size() < kRecordsOffset + kRecordSize * count;
}

bool IsScanfSpace(uint8_t b) { return b == ' ' || (b >= '\t' && b <= '\r'); }

// Formatted input of width 32 ("%32s") from `pos`: skip whitespace, take up
// to 32 bytes up to the next whitespace; the text ends at its first zero.
std::string ReadName(std::string_view bytes, size_t pos) {
  while (pos < bytes.size() && IsScanfSpace(static_cast<uint8_t>(bytes[pos]))) ++pos;
  std::string name;
  while (pos < bytes.size() && name.size() < kNameField &&
         !IsScanfSpace(static_cast<uint8_t>(bytes[pos])))
    name.push_back(bytes[pos++]);
  return name.substr(0, name.find('\0'));
}

std::string_view AsText(const std::vector<uint8_t>& bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace

std::string_view DatabaseHeader() { return {kHeader, kHeaderSize}; }

std::wstring VirusTable::Name(int index) const { return Decode1251(names[index]); }

NameProblem CheckVirusName(const std::wstring& name) {
  const auto visible = [](wchar_t c) { return c > L' '; };
  const auto first = std::find_if(name.begin(), name.end(), visible);
  if (first == name.end()) return NameProblem::Blank;
  const std::wstring trimmed(first, std::find_if(name.rbegin(), name.rend(), visible).base());
  std::string field = Encode1251(name);
  field.resize(kNameField, '\0');
  if (IsResultText(trimmed) || IsResultText(Decode1251(ReadName(field, 0))))
    return NameProblem::ResultText;
  return NameProblem::None;
}

namespace {

bool HasHeader(const std::vector<uint8_t>& bytes) {
  return bytes.size() >= kHeaderSize && std::equal(bytes.begin(), bytes.begin() + kHeaderSize, kHeader);
}

// The table from the bytes of a database.
LoadResult ParseTable(const std::vector<uint8_t>& bytes, VirusTable& table, IMessageSink& messages) {
  table = VirusTable{};
  if (IsCutShort(bytes)) {
    messages.ShowMessage(msg::kDatabaseDamaged);
    return LoadResult::Damaged;
  }
  const int count = bytes[kCountOffset];
  if (count == 0) {
    messages.ShowMessage(msg::kDatabaseEmpty);
    return LoadResult::Empty;
  }
  if (count > kMaxViruses) {
    messages.ShowMessage(msg::kDatabaseTooBig);
    return LoadResult::TooBig;
  }
  table.count = count;
  std::wstring badNames, badLengths;
  int usable = 0;
  for (int i = 0; i < count; ++i) {
    const size_t record = kRecordsOffset + static_cast<size_t>(kRecordSize) * i;
    table.names[i] = ReadName(AsText(bytes), record);
    const std::wstring number = L"№" + std::to_wstring(i + 1);
    const NameProblem problem = CheckVirusName(table.Name(i));
    if (problem != NameProblem::None) {
      badNames += L"\nзапись " + number +
                  (problem == NameProblem::Blank ? L": без названия" : L": «" + table.Name(i) + L"»");
      table.names[i] = Encode1251(L"Запись " + number);
    }
    const size_t length = record + kNameField;
    const uint8_t stored = bytes[length];
    table.curable[i] = bytes[length + 1];
    if (stored == 0 || stored > kMaxSignature) {
      badLengths += L"\nзапись " + number + L" «" + table.Name(i) + L"»: длина " +
                    std::to_wstring(stored);
      continue;
    }
    ++usable;
    table.lengths[i] = stored;
    for (int k = 0; k < stored; ++k)
      table.signatures[i][k] = bytes[length + 2 + k] ^ kSignatureMask;
  }
  if (!badNames.empty())
    messages.ShowMessage(msg::kBadVirusNames + badNames +
                         L"\nТакие вирусы показываются как «Запись №N».");
  if (!badLengths.empty()) messages.ShowMessage(msg::kBadSignatureLengths + badLengths);
  // A table that can find nothing would make every scan look clean.
  if (usable == 0) {
    table = VirusTable{};
    messages.ShowMessage(msg::kDatabaseDamaged);
    return LoadResult::Damaged;
  }
  return LoadResult::Loaded;
}

}  // namespace

bool CheckDatabaseHeader(IMessageSink& messages, const fs::path& file) {
  std::vector<uint8_t> bytes;
  LoadResult result;
  if (!ReadOrTell(file, bytes, messages, msg::kDatabaseMissing, result)) return false;
  if (!HasHeader(bytes) || IsCutShort(bytes)) {
    messages.ShowMessage(msg::kDatabaseDamaged);
    return false;
  }
  return true;
}

LoadResult LoadVirusTable(VirusTable& table, IMessageSink& messages, const fs::path& file) {
  std::vector<uint8_t> bytes;
  LoadResult result;
  if (!ReadOrTell(file, bytes, messages, msg::kDatabaseMissingLoad, result)) return result;
  return ParseTable(bytes, table, messages);
}

LoadResult LoadCheckedDatabase(VirusTable& table, IMessageSink& messages, const fs::path& file) {
  std::vector<uint8_t> bytes;
  LoadResult result;
  if (!ReadOrTell(file, bytes, messages, msg::kDatabaseMissing, result)) return result;
  if (!HasHeader(bytes)) {
    table = VirusTable{};
    messages.ShowMessage(msg::kDatabaseDamaged);
    return LoadResult::Damaged;
  }
  return ParseTable(bytes, table, messages);
}

int ReadRecordCount(IMessageSink& messages, const fs::path& file) {
  std::vector<uint8_t> bytes;
  LoadResult result;
  if (!ReadOrTell(file, bytes, messages, msg::kDatabaseMissing, result)) return -1;
  if (bytes.size() <= kCountOffset) {
    messages.ShowMessage(msg::kDatabaseDamaged);
    return -1;
  }
  const int count = bytes[kCountOffset];
  if (count > kMaxViruses) {
    messages.ShowMessage(msg::kDatabaseTooBig);
    return -1;
  }
  return count;
}

std::array<uint8_t, kRecordSize> EncodeRecord(std::string_view name1251, int length,
                                              bool curable, const uint8_t* signature) {
  std::array<uint8_t, kRecordSize> record{};
  std::copy_n(name1251.begin(), std::min<size_t>(name1251.size(), kNameField), record.begin());
  record[kNameField] = static_cast<uint8_t>(length);
  record[kNameField + 1] = curable ? 1 : 0;
  for (int k = 0; k < kMaxSignature; ++k) {
    const uint8_t plain = k < length ? signature[k] : 0;
    record[kNameField + 2 + k] = plain ^ kSignatureMask;
  }
  return record;
}

bool AppendVirusRecord(IMessageSink& messages, int newCount, std::string_view name1251,
                       int length, bool curable, const uint8_t* signature,
                       const fs::path& file) {
  os::File f;
  if (f.Open(file, true) != os::Error::None) {
    messages.ShowMessage(msg::kDatabaseMissing);
    return false;
  }
  if (newCount < 1 || newCount > 255) {
    messages.ShowMessage(msg::kDatabaseTooBig);
    return false;
  }
  const long long oldSize = kRecordsOffset + static_cast<long long>(kRecordSize) * (newCount - 1);
  uint8_t stored = 0;
  if (f.Size() != oldSize || !f.ReadExactAt(kCountOffset, &stored, 1) || stored != newCount - 1) {
    messages.ShowMessage(msg::kDatabaseDamaged);
    return false;
  }
  const auto record = EncodeRecord(name1251, length, curable, signature);
  const uint8_t count = static_cast<uint8_t>(newCount);
  if (f.WriteAt(static_cast<uint64_t>(oldSize), record.data(), record.size()) &&
      f.WriteAt(kCountOffset, &count, 1))
    return true;
  // Put the file back as it was: the old count and no partial record.
  const uint8_t old = static_cast<uint8_t>(newCount - 1);
  f.WriteAt(kCountOffset, &old, 1);
  f.Truncate(static_cast<uint64_t>(oldSize));
  messages.ShowMessage(msg::kFileOpenError);
  return false;
}

}  // namespace vsk
