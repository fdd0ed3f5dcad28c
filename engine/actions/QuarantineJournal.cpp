#include "engine/actions/QuarantineJournal.h"

#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "engine/actions/Quarantine.h"
#include "engine/os/AtomicWrite.h"
#include "engine/os/File.h"
#include "engine/text/Ascii.h"

namespace vsk {

namespace {

os::NativeName RecordsName() { return os::FromAscii(kQuarantineRecords); }

// The records as the lines are replayed: the last store of a name wins,
// a removal ends it.
class Replay {
 public:
  explicit Replay(const os::Folder& folder) : folder_(folder) {}

  void Line(std::string_view line, Journal& journal) {
    ++journal.lines;
    if (!Apply(line)) ++journal.damaged;
  }

  std::vector<QuarantineRecord> Finish() {
    // A pending store whose file is there was moved before a crash.
    for (auto& [name, record] : pending_)
      if (!live_.count(name) && folder_.Inspect(name).kind != os::Kind::Missing)
        Put(std::move(record));
    // A pending restore whose file is back in its place was moved before one.
    for (const os::NativeName& name : std::vector<os::NativeName>(restoring_.begin(), restoring_.end())) {
      const auto it = live_.find(name);
      if (it != live_.end() && folder_.Inspect(name).kind == os::Kind::Missing &&
          IsInPlace(slots_[it->second].record.original))
        Drop(name);
    }
    std::vector<QuarantineRecord> records;
    for (Slot& slot : slots_)
      if (slot.live) records.push_back(std::move(slot.record));
    return records;
  }

 private:
  struct Slot {
    QuarantineRecord record;
    bool live;
  };

  static bool IsInPlace(const std::filesystem::path& original) {
    os::Folder folder;
    return folder.OpenNoFollow(original.parent_path(), false) == os::Folder::PathResult::Opened &&
           folder.Inspect(original.filename().native()).kind != os::Kind::Missing;
  }

  bool Apply(std::string_view line) {
    QuarantineRecord record;
    if (line.size() > 2 && line[1] == '\t' &&
        (line[0] == '+' || line[0] == '-' || line[0] == '!' || line[0] == '<')) {
      os::NativeName name;
      if (!UnescapeName(line.substr(2), name) || !IsStoredName(name)) return false;
      if (line[0] == '<') {
        if (live_.count(name)) restoring_.insert(name);
        return true;
      }
      if (line[0] != '+') {
        if (line[0] == '-') Drop(name);
        pending_.erase(name);
        restoring_.erase(name);
        return true;
      }
      const auto it = pending_.find(name);
      if (it == pending_.end()) return false;
      Put(std::move(it->second));
      pending_.erase(it);
      return true;
    }
    const bool isPending = line.size() > 2 && line[0] == '?' && line[1] == '\t';
    if (!ParseRecord(isPending ? line.substr(2) : line, record) || !IsStoredName(record.stored) ||
        !record.original.is_absolute() || record.original.filename().empty())
      return false;
    if (isPending)
      pending_[record.stored] = std::move(record);
    else
      Put(std::move(record));
    return true;
  }

  void Drop(const os::NativeName& name) {
    restoring_.erase(name);
    const auto it = live_.find(name);
    if (it == live_.end()) return;
    slots_[it->second].live = false;
    live_.erase(it);
  }

  void Put(QuarantineRecord record) {
    Drop(record.stored);
    live_[record.stored] = slots_.size();
    slots_.push_back({std::move(record), true});
  }

  const os::Folder& folder_;
  std::vector<Slot> slots_;
  std::unordered_map<os::NativeName, size_t> live_;
  std::unordered_map<os::NativeName, QuarantineRecord> pending_;
  std::unordered_set<os::NativeName> restoring_;
};

}  // namespace

bool IsReservedName(const os::NativeName& name) {
  return EqualsIgnoringAsciiCase(name, RecordsName()) ||
         EqualsIgnoringAsciiCase(name, os::FromAscii(kQuarantineLock));
}

bool IsStoredName(const os::NativeName& name) {
  if (name.empty() || name == os::FromAscii(".") || name == os::FromAscii("..")) return false;
  for (const os::NativeChar c : name)
    if (c == '/' || c == '\\' || c == 0) return false;
  return !IsReservedName(name);
}

bool JournalTooLarge(const os::Folder& folder) {
  os::File file;
  return file.Open(folder, RecordsName(), false) == os::Error::None && file.Size() > kMaxJournalSize;
}

Journal ReadJournal(const os::Folder& folder) {
  Journal journal;
  os::File file;
  switch (file.Open(folder, RecordsName(), false)) {
    case os::Error::None: break;
    case os::Error::Missing: return journal;
    default: journal.status = JournalStatus::Failed; return journal;
  }
  const long long size = file.Size();
  if (size < 0) {
    journal.status = JournalStatus::Failed;
    return journal;
  }
  if (size > kMaxJournalSize) {
    journal.status = JournalStatus::TooLarge;
    return journal;
  }
  Replay replay(folder);
  std::string line, chunk(64 << 10, '\0');
  bool tooLong = false;
  for (uint64_t at = 0; at < static_cast<uint64_t>(size);) {
    const long long n = file.ReadAt(at, chunk.data(), chunk.size());
    if (n <= 0) {
      journal.status = JournalStatus::Failed;
      return journal;
    }
    at += static_cast<uint64_t>(n);
    for (std::string_view rest(chunk.data(), static_cast<size_t>(n)); !rest.empty();) {
      const size_t end = rest.find('\n');
      const std::string_view piece = rest.substr(0, end);
      if (!tooLong && line.size() + piece.size() <= kMaxJournalLine)
        line.append(piece);
      else
        tooLong = true;
      if (end == std::string_view::npos) break;
      rest.remove_prefix(end + 1);
      if (tooLong) {
        ++journal.lines;
        ++journal.damaged;
      } else if (!line.empty()) {
        replay.Line(line, journal);
      }
      line.clear();
      tooLong = false;
    }
  }
  // A last line without its end was cut by a crash.
  if (!line.empty() || tooLong) {
    ++journal.lines;
    ++journal.damaged;
  }
  journal.records = replay.Finish();
  journal.status = JournalStatus::Read;
  return journal;
}

bool AppendJournal(const os::Folder& folder, const std::string& line, bool sync) {
  os::File file;
  os::Error opened = file.Open(folder, RecordsName(), true);
  if (opened == os::Error::Missing) {
    const auto empty = [](os::File&) { return true; };
    if (os::WriteAtomically(folder, RecordsName(), false, empty) == os::AtomicResult::Failed)
      return false;
    opened = file.Open(folder, RecordsName(), true);
  }
  if (opened != os::Error::None) return false;
  const long long size = file.Size();
  if (size < 0 || size > kMaxJournalSize) return false;
  std::string text = line + '\n';
  char last = '\n';
  if (size > 0 && !file.ReadExactAt(static_cast<uint64_t>(size - 1), &last, 1)) return false;
  if (last != '\n') text.insert(text.begin(), '\n');
  return file.WriteAt(static_cast<uint64_t>(size), text.data(), text.size()) && (!sync || file.Flush());
}

bool CompactJournal(const os::Folder& folder, const std::vector<QuarantineRecord>& records) {
  const auto write = [&](os::File& file) {
    std::string text;
    uint64_t at = 0;
    for (const QuarantineRecord& record : records) {
      text += FormatRecord(record) + '\n';
      if (text.size() < (1 << 16)) continue;
      if (!file.WriteAt(at, text.data(), text.size())) return false;
      at += text.size();
      text.clear();
    }
    return file.WriteAt(at, text.data(), text.size());
  };
  return os::WriteAtomically(folder, RecordsName(), true, write) == os::AtomicResult::Written;
}

std::string PendingLine(const QuarantineRecord& record) { return "?\t" + FormatRecord(record); }
std::string ConfirmLine(const os::NativeName& stored) { return "+\t" + EscapeName(stored); }
std::string RemovalLine(const os::NativeName& stored) { return "-\t" + EscapeName(stored); }
std::string RestoreLine(const os::NativeName& stored) { return "<\t" + EscapeName(stored); }
std::string CancelLine(const os::NativeName& stored) { return "!\t" + EscapeName(stored); }

}  // namespace vsk
