// The quarantine folder "!!!Infected" and its records. Every file moved
// there gets a line in the folder's record file: where it came from, its
// virus, when, its size and the SHA-256 of its content (for a link, of its
// own text); QuarantineRecord.h has the format of its lines. The record
// file is UTF-8 text, replaced whole on every change through the atomic
// write, so it is never seen half-written. A stored file can be put back
// where it came from, never over anything, or deleted for good.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/actions/QuarantineRecord.h"
#include "engine/os/File.h"
#include "engine/os/Folder.h"

namespace vsk {

struct CheckedTarget;

inline constexpr wchar_t kQuarantineFolder[] = L"!!!Infected";
inline constexpr char kQuarantineRecords[] = "Vireskand-quarantine.txt";

class Quarantine {
 public:
  // The time text of a new record.
  using Clock = std::function<std::string()>;
  explicit Quarantine(Clock clock = UtcTimeText) : clock_(std::move(clock)) {}

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
  bool Store(CheckedTarget& file, os::NativeName& stored, bool replace, const std::wstring& virus);

  // For `--quarantine`: each returns an error text, empty on success.
  std::wstring Restore(const std::wstring& storedText);
  std::wstring Purge(const std::wstring& storedText);

 private:
  bool ReadRecordLines(std::vector<std::string>& lines) const;
  bool WriteRecords(const std::vector<std::string>& lines);
  bool ChangeRecords(const os::NativeName& stored, const QuarantineRecord* added);

  os::Folder folder_;
  Clock clock_;
};

}  // namespace vsk
