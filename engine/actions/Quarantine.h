// The quarantine folder "!!!Infected" and its records. Every file moved
// there gets a record in the folder's record file: where it came from, its
// virus, when, its size and the SHA-256 of its content (for a link, of its
// own text); QuarantineRecord.h has the format of a record and
// QuarantineJournal.h how the file is appended to, under a lock that every
// change holds from reading to writing. Only a folder that no other user
// can write is used. A stored file can be put back where it came from,
// never over anything nor through a link, or deleted for good.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/actions/QuarantineJournal.h"
#include "engine/actions/QuarantineRecord.h"
#include "engine/os/File.h"
#include "engine/os/Folder.h"
#include "engine/os/Lock.h"

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
  // missing and `create` (private to the user). Refused when it is a link,
  // a junction, no folder, not trusted (Folder::Trusted) or its record file
  // too large to read: nothing is then put into it or taken from it, and
  // Refusal() tells why.
  Opened Open(const std::filesystem::path& workFolder, bool create);
  const std::wstring& Refusal() const { return refusal_; }
  std::filesystem::path Path() const { return folder_.Path(); }
  const os::Folder& Folder() const { return folder_; }

  // The records; Problem() then tells of lines refused or a record file
  // that could not be read (empty when there was none).
  std::vector<QuarantineRecord> Records() const;
  const std::wstring& Problem() const { return problem_; }
  bool Find(const os::NativeName& stored, QuarantineRecord& record) const;
  // A name free for a file named `name`: the name itself, else NAME~2.EXT,
  // NAME~3.EXT and so on; never the record file's.
  os::NativeName FreeName(const os::NativeName& name) const;
  // Whether `name` is taken; the record and lock files' names always are.
  bool Taken(const os::NativeName& name) const;
  static bool IsRecordsName(const os::NativeName& name);

  // Moves the checked file of a row into the folder as `stored` (over what
  // is there with `replace`; else, when the name is taken meanwhile, under a
  // free name) and records it. Across volumes the file is copied, compared
  // and only then removed. Returns false with the file where it was and
  // nothing new in the folder.
  bool Store(CheckedTarget& file, os::NativeName& stored, bool replace, const std::wstring& virus);

  // For `--quarantine`, on the stored name of a record: each returns an
  // error text, empty on success.
  std::wstring Restore(const os::NativeName& stored);
  std::wstring Purge(const os::NativeName& stored);

 private:
  bool Lock(os::FolderLock& lock) const;
  // The record of `stored` read under the lock, or the error text.
  std::wstring Read(const os::NativeName& stored, Journal& journal, QuarantineRecord& record) const;
  // Writes the removal of `stored`; compacts when removals dominate.
  bool Remove(const Journal& journal, const os::NativeName& stored);
  std::filesystem::path RecordsPath() const;

  os::Folder folder_;
  Clock clock_;
  std::wstring refusal_;
  mutable std::wstring problem_;
};

}  // namespace vsk
