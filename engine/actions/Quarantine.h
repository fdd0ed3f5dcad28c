// The quarantine folder "!!!Infected" and its records. Every file moved
// there gets a line in the folder's record file: where it came from, its
// virus, when, its size and the SHA-256 of its content (for a link, of its
// own text). The record file is UTF-8 text, replaced whole on every
// change, so it is never seen half-written. A stored file can be put back
// where it came from, never over anything, or deleted for good.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "engine/os/File.h"
#include "engine/os/Folder.h"

namespace vsk {

struct RowFile;

inline constexpr wchar_t kQuarantineFolder[] = L"!!!Infected";
inline constexpr char kQuarantineRecords[] = "Vireskand-quarantine.txt";

struct QuarantineRecord {
  os::NativeName stored;
  std::filesystem::path original;
  std::wstring virus;
  std::string time;  // UTC, as 2024-05-06T07:08:09Z
  uint64_t size = 0;
  std::string sha256;
};

// A record as one line without its line end: STORED, ORIGINAL, VIRUS, TIME,
// SIZE and SHA256 separated by tabs, in UTF-8. A name's native form is kept
// whole: bytes that are no UTF-8 text (on Windows, unpaired UTF-16 halves),
// control characters and '%' are written as %XX.
std::string FormatRecord(const QuarantineRecord& record);
bool ParseRecord(std::string_view line, QuarantineRecord& record);
std::string EscapeName(const os::NativeName& name);
bool UnescapeName(std::string_view text, os::NativeName& name);

// The time now in UTC, as the records write it.
std::string UtcTimeText();

// The SHA-256 of a file's first `size` bytes; empty when it cannot be read.
std::string HashContent(const os::File& file, uint64_t size);

class Quarantine {
 public:
  enum class Opened { Yes, Missing, Refused, Failed };
  // "!!!Infected" in `workFolder` (empty: the working folder), made when
  // missing and `create`. Refused when it is a link, a junction or no
  // folder: nothing is then ever put into it.
  Opened Open(const std::filesystem::path& workFolder, bool create);
  std::filesystem::path Path() const { return folder_.Path(); }
  const os::Folder& Folder() const { return folder_; }

  std::vector<QuarantineRecord> Records() const;
  // The record of `storedText` (a stored name as the list shows it, or as
  // it is), or false.
  bool Find(const std::wstring& storedText, QuarantineRecord& record) const;
  // A name free for a file named `name`: the name itself, else NAME~2.EXT,
  // NAME~3.EXT and so on; never the record file's.
  os::NativeName FreeName(const os::NativeName& name) const;
  // Whether `name` is taken; the record file's name always is.
  bool Taken(const os::NativeName& name) const;
  static bool IsRecordsName(const os::NativeName& name);

  // Moves the checked file of a row into the folder as `stored` (over what
  // is there with `replace`; else, when the name is taken meanwhile, under a
  // free name) and records it. Across volumes the file is copied, compared
  // and only then removed. Returns false with the file where it was and
  // nothing new in the folder.
  bool Store(RowFile& file, os::NativeName& stored, bool replace, const std::wstring& virus);

  // For `--quarantine`: each returns an error text, empty on success.
  std::wstring Restore(const std::wstring& storedText);
  std::wstring Purge(const std::wstring& storedText);

 private:
  bool ReadRecordLines(std::vector<std::string>& lines) const;
  bool WriteRecords(const std::vector<std::string>& lines);
  bool ChangeRecords(const os::NativeName& stored, const QuarantineRecord* added);

  os::Folder folder_;
};

}  // namespace vsk
