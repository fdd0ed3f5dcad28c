#include "engine/VirusDatabase.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <system_error>
#include <vector>

#include "engine/FileIo.h"
#include "engine/Text1251.h"

namespace vsk {
namespace fs = std::filesystem;

namespace {

constexpr char kHeader[] =
    "Vireskand version 3.15 Virus Database\r\n"
    "Copyright (C) 2002 Nordlicht Softlab\r\n"
    "Created by Ivar Telmanov.\r\n";
static_assert(sizeof(kHeader) - 1 == kHeaderSize);

// The loader never needs more than the records and a little slack; a huge
// file under the database's name is not read whole.
constexpr size_t kReadLimit = 1 << 20;

std::vector<uint8_t> ReadPrefix(std::ifstream& in, size_t limit) {
  std::vector<uint8_t> bytes(limit);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(limit));
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}

bool IsScanfSpace(uint8_t b) { return b == ' ' || (b >= '\t' && b <= '\r'); }

// Formatted input of width 32 ("%32s") from `pos`: skip whitespace, take up
// to 32 bytes up to the next whitespace; the text ends at its first zero.
std::string ReadName(const std::vector<uint8_t>& file, size_t pos) {
  while (pos < file.size() && IsScanfSpace(file[pos])) ++pos;
  std::string name;
  while (pos < file.size() && name.size() < kNameField && !IsScanfSpace(file[pos]))
    name.push_back(static_cast<char>(file[pos++]));
  return name.substr(0, name.find('\0'));
}

}  // namespace

std::string_view DatabaseHeader() { return {kHeader, kHeaderSize}; }

std::wstring VirusTable::Name(int index) const { return Decode1251(names[index]); }

bool CheckDatabaseHeader(IMessageSink& messages, const fs::path& file) {
  std::error_code ec;
  if (!fs::exists(file, ec)) {
    messages.ShowMessage(msg::kDatabaseMissing);
    return false;
  }
  std::ifstream in(file, std::ios::binary);
  const std::vector<uint8_t> head = ReadPrefix(in, kHeaderSize);
  if (head.size() < kHeaderSize || !std::equal(head.begin(), head.end(), kHeader)) {
    messages.ShowMessage(msg::kDatabaseDamaged);
    return false;
  }
  return true;
}

LoadResult LoadVirusTable(VirusTable& table, IMessageSink& messages, const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in.is_open()) {
    messages.ShowMessage(msg::kDatabaseMissingLoad);
    return LoadResult::Missing;
  }
  const std::vector<uint8_t> bytes = ReadPrefix(in, kReadLimit);
  table = VirusTable{};
  if (bytes.size() <= kCountOffset) return LoadResult::Truncated;
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
  for (int i = 0; i < count; ++i) {
    const size_t record = kRecordsOffset + static_cast<size_t>(kRecordSize) * i;
    table.names[i] = ReadName(bytes, record);
    const size_t length = record + kNameField;
    if (length + 2 > bytes.size()) continue;
    const uint8_t stored = bytes[length];
    table.curable[i] = bytes[length + 1];
    if (stored > kMaxSignature || length + 2 + stored > bytes.size()) continue;
    table.lengths[i] = stored;
    for (int k = 0; k < stored; ++k)
      table.signatures[i][k] = bytes[length + 2 + k] ^ kSignatureMask;
  }
  return LoadResult::Loaded;
}

int ReadRecordCount(IMessageSink& messages, const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in.is_open()) {
    messages.ShowMessage(msg::kDatabaseMissing);
    return -1;
  }
  in.seekg(kCountOffset);
  const int count = in.get();
  if (count == EOF) {
    messages.ShowMessage(msg::kDatabaseDamaged);
    return -1;
  }
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

namespace {

bool WriteAt(std::FILE* f, long offset, const void* data, size_t size) {
  return std::fseek(f, offset, SEEK_SET) == 0 && std::fwrite(data, 1, size, f) == size &&
         std::fflush(f) == 0;
}

}  // namespace

bool AppendVirusRecord(IMessageSink& messages, int newCount, std::string_view name1251,
                       int length, bool curable, const uint8_t* signature,
                       const fs::path& file) {
  std::FILE* f = OpenFile(file, "r+b");
  if (!f) {
    messages.ShowMessage(msg::kDatabaseMissing);
    return false;
  }
  if (newCount < 1 || newCount > 255) {
    std::fclose(f);
    messages.ShowMessage(msg::kDatabaseTooBig);
    return false;
  }
  const long oldSize = kRecordsOffset + static_cast<long>(kRecordSize) * (newCount - 1);
  std::fseek(f, 0, SEEK_END);
  const long size = std::ftell(f);
  std::fseek(f, kCountOffset, SEEK_SET);
  const int stored = std::fgetc(f);
  if (size != oldSize || stored != newCount - 1) {
    std::fclose(f);
    messages.ShowMessage(msg::kDatabaseDamaged);
    return false;
  }
  const auto record = EncodeRecord(name1251, length, curable, signature);
  const uint8_t count = static_cast<uint8_t>(newCount);
  const bool written = WriteAt(f, oldSize, record.data(), record.size()) &&
                       WriteAt(f, kCountOffset, &count, 1);
  const bool closed = std::fclose(f) == 0;
  if (written && closed) return true;
  // Put the file back as it was: the old count and no partial record.
  if (std::FILE* undo = OpenFile(file, "r+b")) {
    const uint8_t old = static_cast<uint8_t>(newCount - 1);
    WriteAt(undo, kCountOffset, &old, 1);
    std::fclose(undo);
  }
  std::error_code ec;
  fs::resize_file(file, static_cast<uintmax_t>(oldSize), ec);
  messages.ShowMessage(msg::kFileOpenError);
  return false;
}

}  // namespace vsk
