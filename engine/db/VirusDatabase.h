// VirusBase.vbf: a fixed 104-byte header, a count byte at 104, 7 reserved
// bytes, then 64-byte records (32-byte name, length, curable flag, 30
// signature bytes XORed with 0x6B). Records are only ever appended.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "engine/text/MessageSink.h"

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

// Damaged: shorter than the header, the count byte, the reserved bytes and
// the records the count promises. Unreadable: there, but it cannot be opened
// or read (no rights, held by another program, not a plain file).
enum class LoadResult { Loaded, Missing, Unreadable, Damaged, Empty, TooBig };

// Each reports its failures to `messages` with the program's texts. The
// database is opened as a file to scan is: a FIFO or a device under its
// name is refused at once, never waited on.

// The start-up check: the file is there, readable, its 104 header bytes are
// the header and it holds the records its count promises (a count above
// 200 is left to the loader's own message).
bool CheckDatabaseHeader(IMessageSink& messages,
                         const std::filesystem::path& file = kDatabaseFileName);

// Records whose stored length is 0 or above 30 load with length 0, never
// match and are named in one message; a table with no other record is
// refused as damaged, as it would find nothing. A refused load (damaged,
// count above 200) leaves the table empty; a missing or unreadable file
// leaves it as it was. A record whose name is
// blank or a result text is loaded under the name "Запись №N" (N counted
// from 1), with one message naming every such record, so that no infected
// file looks clean or unscanned and every action still finds its virus.
LoadResult LoadVirusTable(VirusTable& table, IMessageSink& messages,
                          const std::filesystem::path& file = kDatabaseFileName);

// The start-up check and the load from one read of the file, so that both
// see the same bytes.
LoadResult LoadCheckedDatabase(VirusTable& table, IMessageSink& messages,
                               const std::filesystem::path& file = kDatabaseFileName);

// The count byte, or -1 after a message.
int ReadRecordCount(IMessageSink& messages,
                    const std::filesystem::path& file = kDatabaseFileName);

// Whether a name can be a virus's: a blank one shows as nothing, and one
// that is a result text (itself, or the first word the loader reads of it)
// makes an infected file look clean or already acted on.
enum class NameProblem { None, Blank, ResultText };
NameProblem CheckVirusName(const std::wstring& name);

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
