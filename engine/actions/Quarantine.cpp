#include "engine/actions/Quarantine.h"

#include <algorithm>
#include <vector>

#include "engine/actions/CheckedTarget.h"
#include "engine/actions/QuarantineCopy.h"
#include "engine/actions/Texts.h"
#include "engine/text/Encoding.h"

namespace vsk {
namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxNameUnits = 255;
constexpr int kLockWaitMs = 30000;
// A journal is compacted when it has this many lines and four for each
// record it holds.
constexpr size_t kCompactLines = 64;

os::NativeName RecordsName() { return os::FromAscii(kQuarantineRecords); }

}  // namespace

Quarantine::Opened Quarantine::Open(const fs::path& workFolder, bool create) {
  refusal_.clear();
  const fs::path path = workFolder / kQuarantineFolder;
  os::Folder work;
  if (!work.Open(workFolder)) return Opened::Failed;
  const os::NativeName name = fs::path(kQuarantineFolder).native();
  if (!create && work.Inspect(name).kind == os::Kind::Missing) return Opened::Missing;
  switch (folder_.OpenSubfolder(work, name, create)) {
    case os::Folder::SubResult::Opened: break;
    case os::Folder::SubResult::Refused: refusal_ = msg::QuarantineRefused(path); return Opened::Refused;
    case os::Folder::SubResult::Failed: return Opened::Failed;
  }
  switch (folder_.Trusted()) {
    case os::Folder::Trust::Trusted:
      if (!JournalTooLarge(folder_)) return Opened::Yes;
      refusal_ = msg::RecordsTooLarge(RecordsPath());
      break;
    case os::Folder::Trust::ForeignOwner: refusal_ = msg::QuarantineForeign(path); break;
    case os::Folder::Trust::OpenToOthers: refusal_ = msg::QuarantineOpenToOthers(path); break;
    case os::Folder::Trust::Unknown: refusal_ = msg::QuarantineTrustUnknown(path); break;
  }
  folder_ = os::Folder();
  return Opened::Refused;
}

fs::path Quarantine::RecordsPath() const { return folder_.PathOf(RecordsName()); }

bool Quarantine::Lock(os::FolderLock& lock) const {
  return lock.Take(folder_, os::FromAscii(kQuarantineLock), kLockWaitMs);
}

std::vector<QuarantineRecord> Quarantine::Records() const {
  problem_.clear();
  os::FolderLock lock;
  if (!Lock(lock)) {
    problem_ = msg::RecordsBusy(RecordsPath());
    return {};
  }
  Journal journal = ReadJournal(folder_);
  switch (journal.status) {
    case JournalStatus::TooLarge: problem_ = msg::RecordsTooLarge(RecordsPath()); break;
    case JournalStatus::Failed: problem_ = msg::QuarantineFileUnreadable(RecordsPath()); break;
    case JournalStatus::Read:
    case JournalStatus::Missing: break;
  }
  if (journal.damaged > 0) problem_ = msg::RecordsDamaged(RecordsPath(), journal.damaged);
  return std::move(journal.records);
}

bool Quarantine::Find(const os::NativeName& stored, QuarantineRecord& record) const {
  for (QuarantineRecord& r : Records()) {
    if (r.stored == stored) {
      record = std::move(r);
      return true;
    }
  }
  return false;
}

bool Quarantine::IsRecordsName(const os::NativeName& name) { return IsReservedName(name); }

bool Quarantine::Taken(const os::NativeName& name) const {
  return !IsStoredName(name) || folder_.Inspect(name).kind != os::Kind::Missing;
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

// Under the lock: the pending record is written, the file moved, and the
// record confirmed; a failed step takes back the ones before it.
bool Quarantine::Store(CheckedTarget& file, os::NativeName& stored, bool replace,
                       const std::wstring& virus) {
  std::error_code ec;
  fs::path original = fs::absolute(file.folder.PathOf(file.name), ec);
  if (ec) original = file.folder.PathOf(file.name);
  QuarantineRecord record{{}, original, virus, clock_(), 0, {}};
  if (!DescribeEntry(file.folder, file.name, file.IsLink(), file.file, record.size, record.sha256))
    return false;
  os::FolderLock lock;
  if (!Lock(lock)) return false;
  if (!IsStoredName(stored) || (!replace && Taken(stored))) stored = FreeName(stored);

  os::MoveResult moved = os::MoveResult::Failed;
  bool copied = false;
  for (int attempt = 0; attempt < 10; ++attempt) {
    record.stored = stored;
    if (!AppendJournal(folder_, PendingLine(record))) return false;
    moved = file.folder.Move(file.name, file.info.id, folder_, stored, replace);
    if (moved == os::MoveResult::OtherDevice) {
      moved = CopyAcross(file.folder, file.name, file.IsLink(), file.file, record.size,
                         record.sha256, folder_, stored, replace);
      copied = true;
    }
    if (moved == os::MoveResult::Moved) break;
    AppendJournal(folder_, CancelLine(stored));
    if (moved != os::MoveResult::Exists || replace) return false;
    stored = FreeName(stored);  // taken since it was chosen
  }
  if (moved != os::MoveResult::Moved) return false;
  const os::FileId placed = copied ? folder_.Inspect(stored).id : file.info.id;
  auto undo = [&](bool confirmed) {
    if (copied)
      folder_.Remove(stored, placed);
    else
      folder_.Move(stored, placed, file.folder, file.name, false);
    AppendJournal(folder_, confirmed ? RemovalLine(stored) : CancelLine(stored));
  };
  if (!AppendJournal(folder_, ConfirmLine(stored), false)) {
    undo(false);
    return false;
  }
  if (copied) {
    file.file.Close();
    if (!file.folder.Remove(file.name, file.info.id)) {
      undo(true);
      return false;
    }
  }
  return true;
}

std::wstring Quarantine::Read(const os::NativeName& stored, Journal& journal,
                              QuarantineRecord& record) const {
  journal = ReadJournal(folder_);
  if (journal.status == JournalStatus::TooLarge) return msg::RecordsTooLarge(RecordsPath());
  if (journal.status == JournalStatus::Failed) return msg::QuarantineFileUnreadable(RecordsPath());
  for (const QuarantineRecord& r : journal.records) {
    if (r.stored == stored) {
      record = r;
      return {};
    }
  }
  return msg::NotInQuarantine(PathText(fs::path(stored)));
}

bool Quarantine::Remove(const Journal& journal, const os::NativeName& stored) {
  if (!AppendJournal(folder_, RemovalLine(stored))) return false;
  const size_t lines = journal.lines + 1;
  const size_t left = journal.records.size() - 1;
  if (journal.damaged == 0 && lines >= kCompactLines && lines >= 4 * left) {
    std::vector<QuarantineRecord> kept;
    kept.reserve(left);
    for (const QuarantineRecord& r : journal.records)
      if (r.stored != stored) kept.push_back(r);
    CompactJournal(folder_, kept);  // the appended journal stays as good
  }
  return true;
}

std::wstring Quarantine::Restore(const os::NativeName& stored) {
  os::FolderLock lock;
  if (!Lock(lock)) return msg::RecordsBusy(RecordsPath());
  Journal journal;
  QuarantineRecord record;
  if (std::wstring error = Read(stored, journal, record); !error.empty()) return error;
  const fs::path storedPath = folder_.PathOf(record.stored);
  const os::NameInfo info = folder_.Inspect(record.stored);
  if (info.kind == os::Kind::Missing) return msg::GoneFromQuarantine(storedPath);
  const bool link = os::IsLink(info.kind);
  os::File content;
  if (link)
    content.OpenTarget(folder_, record.stored);  // needed only where its text is not read
  else if (content.Open(folder_, record.stored, false) != os::Error::None ||
           content.Id() != info.id)
    return msg::QuarantineFileUnreadable(storedPath);
  uint64_t size = 0;
  std::string sha256;
  if (!DescribeEntry(folder_, record.stored, link, content, size, sha256))
    return msg::QuarantineFileUnreadable(storedPath);
  if (size != record.size || sha256 != record.sha256)
    return msg::QuarantineFileDiffers(storedPath);

  const os::NativeName name = record.original.filename().native();
  os::Folder destination;
  switch (destination.OpenNoFollow(record.original.parent_path(), true)) {
    case os::Folder::PathResult::Opened: break;
    case os::Folder::PathResult::Link: return msg::RestoreThroughLink(record.original);
    case os::Folder::PathResult::Failed: return msg::RestoreFolderNotMade(record.original);
  }
  const std::wstring taken = msg::RestorePlaceTaken(record.original);
  if (destination.Inspect(name).kind != os::Kind::Missing) return taken;
  // A crash from here on leaves the file stored with its record, or back
  // in its place with the record ended (ReadJournal).
  if (!AppendJournal(folder_, RestoreLine(record.stored))) return msg::NotRestored(record.original);
  os::MoveResult moved = folder_.Move(record.stored, info.id, destination, name, false);
  bool copied = false;
  if (moved == os::MoveResult::OtherDevice) {
    moved = CopyAcross(folder_, record.stored, link, content, record.size, record.sha256,
                       destination, name, false);
    copied = true;
  }
  if (moved != os::MoveResult::Moved) AppendJournal(folder_, CancelLine(record.stored));
  if (moved == os::MoveResult::Exists) return taken;
  if (moved != os::MoveResult::Moved) return msg::NotRestored(record.original);
  content.Close();
  if (copied && !folder_.Remove(record.stored, info.id))
    return msg::RestoredCopyKept(storedPath);
  if (!Remove(journal, record.stored)) return msg::RestoredRecordKept(RecordsPath());
  return {};
}

std::wstring Quarantine::Purge(const os::NativeName& stored) {
  os::FolderLock lock;
  if (!Lock(lock)) return msg::RecordsBusy(RecordsPath());
  Journal journal;
  QuarantineRecord record;
  if (std::wstring error = Read(stored, journal, record); !error.empty()) return error;
  const fs::path storedPath = folder_.PathOf(record.stored);
  const os::NameInfo info = folder_.Inspect(record.stored);
  if (info.kind == os::Kind::Folder ||
      (info.kind != os::Kind::Missing && !folder_.Remove(record.stored, info.id)))
    return msg::NotPurged(storedPath);
  if (!Remove(journal, record.stored)) return msg::PurgedRecordKept(RecordsPath());
  return {};
}

}  // namespace vsk
