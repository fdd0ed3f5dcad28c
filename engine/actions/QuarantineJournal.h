// The quarantine's record file as an append-only journal. A store writes a
// pending line before the file is moved and a confirming line after; a
// restore writes a pending-restore line before the file is moved back and
// a removal line after; a purge writes a removal line; a failed store or
// restore a cancelling one. Each line but a confirming one is synced
// before the step it tells of is reported: replaying the lines gives the
// records. A pending record counts when its stored file is in the folder
// (the move was done before a crash), confirmed or not; a record with a
// pending restore ends when its stored file is gone and its original place
// holds a file (the move back was done). The journal is read as a stream with a bounded
// line length, and a file larger than any journal grows to is never read.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/actions/QuarantineRecord.h"
#include "engine/os/Folder.h"

namespace vsk {

inline constexpr char kQuarantineLock[] = "Vireskand-quarantine.lock";
inline constexpr size_t kMaxJournalLine = 1 << 20;
inline constexpr long long kMaxJournalSize = 256LL << 20;

// One plain name of the quarantine folder itself: not empty, no separator
// of either system, no NUL, not "." or "..", neither the record file's nor
// the lock file's.
bool IsStoredName(const os::NativeName& name);
bool IsReservedName(const os::NativeName& name);

enum class JournalStatus { Read, Missing, TooLarge, Failed };

struct Journal {
  JournalStatus status = JournalStatus::Missing;
  std::vector<QuarantineRecord> records;  // in the order they were stored
  size_t lines = 0;
  size_t damaged = 0;  // lines refused: never acted on
};

// Whether the record file is larger than a journal grows to (not read).
bool JournalTooLarge(const os::Folder& folder);
// Reads the journal of `folder` (the caller holds its lock).
Journal ReadJournal(const os::Folder& folder);
// Appends `line`, synced with `sync`; the record file is made private when
// missing. False when it could not be written or the file is too large.
bool AppendJournal(const os::Folder& folder, const std::string& line, bool sync = true);
// Replaces the journal by the lines of `records`, in one step.
bool CompactJournal(const os::Folder& folder, const std::vector<QuarantineRecord>& records);

std::string PendingLine(const QuarantineRecord& record);
std::string ConfirmLine(const os::NativeName& stored);
std::string RemovalLine(const os::NativeName& stored);
std::string RestoreLine(const os::NativeName& stored);
// Takes back a pending store or restore of `stored` only.
std::string CancelLine(const os::NativeName& stored);

}  // namespace vsk
