// VirusBase.vbf: a fixed 104-byte header, a count byte at 104, 7 reserved
// bytes, then 64-byte records (32-byte name, length, curable flag, 30
// signature bytes XORed with 0x6B). Records are only ever appended.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "engine/Messages.h"

namespace vsk {

inline constexpr int kMaxViruses = 200;
inline constexpr int kMaxSignature = 30;
inline constexpr int kNameField = 32;
inline constexpr int kHeaderSize = 104;
inline constexpr int kCountOffset = 104;
inline constexpr int kRecordsOffset = 112;
inline constexpr int kRecordSize = 64;
inline constexpr uint8_t kSignatureMask = 0x6B;
inline constexpr char kDatabaseFileName[] = "VirusBase.vbf";

// The header's three lines, each ended by CR LF, no terminating zero.
std::string_view DatabaseHeader();

struct VirusTable {
  int count = 0;
  std::array<std::string, kMaxViruses> names;  // 1251 bytes, up to 32
  std::array<uint8_t, kMaxViruses> lengths{};
  std::array<uint8_t, kMaxViruses> curable{};
  std::array<std::array<uint8_t, kMaxSignature>, kMaxViruses> signatures{};

  std::wstring Name(int index) const;
};

// Truncated: the file ends before its count byte (no message is shown).
enum class LoadResult { Loaded, Missing, Truncated, Empty, TooBig };

// Each reports its failures to `messages` with the program's texts.
bool CheckDatabaseHeader(IMessageSink& messages,
                         const std::filesystem::path& file = kDatabaseFileName);

// Records missing from a truncated file, and records whose stored length is
// above 30, load with length 0 and never match. A refused load (count above
// 200) leaves the table empty.
LoadResult LoadVirusTable(VirusTable& table, IMessageSink& messages,
                          const std::filesystem::path& file = kDatabaseFileName);

// The count byte, or -1 after a message.
int ReadRecordCount(IMessageSink& messages,
                    const std::filesystem::path& file = kDatabaseFileName);

// Appends record newCount - 1. The record is written before the count, and
// a failed step is rolled back, so the stored count never runs ahead of the
// records present; a count above 255 and a file whose size does not match
// its stored count are refused.
bool AppendVirusRecord(IMessageSink& messages, int newCount, std::string_view name1251,
                       int length, bool curable, const uint8_t* signature,
                       const std::filesystem::path& file = kDatabaseFileName);

// The 64 bytes of a record as AppendVirusRecord writes them.
std::array<uint8_t, kRecordSize> EncodeRecord(std::string_view name1251, int length,
                                              bool curable, const uint8_t* signature);

}  // namespace vsk
