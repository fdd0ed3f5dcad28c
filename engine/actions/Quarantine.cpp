#include "engine/actions/Quarantine.h"

#include <algorithm>
#include <vector>

#include "engine/actions/CheckedTarget.h"
#include "engine/actions/QuarantineCopy.h"
#include "engine/actions/Texts.h"
#include "engine/os/AtomicWrite.h"
#include "engine/text/Encoding.h"
#include "engine/text/Ascii.h"

namespace vsk {
namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxNameUnits = 255;

os::NativeName RecordsName() { return os::FromAscii(kQuarantineRecords); }

}  // namespace

Quarantine::Opened Quarantine::Open(const fs::path& workFolder, bool create) {
  os::Folder work;
  if (!work.Open(workFolder)) return Opened::Failed;
  const os::NativeName name = fs::path(kQuarantineFolder).native();
  if (!create && work.Inspect(name).kind == os::Kind::Missing) return Opened::Missing;
  switch (folder_.OpenSubfolder(work, name, create)) {
    case os::Folder::SubResult::Opened: return Opened::Yes;
    case os::Folder::SubResult::Refused: return Opened::Refused;
    case os::Folder::SubResult::Failed: break;
  }
  return Opened::Failed;
}

bool Quarantine::ReadRecordLines(std::vector<std::string>& lines) const {
  lines.clear();
  os::File file;
  switch (file.Open(folder_, RecordsName(), false)) {
    case os::Error::None: break;
    // Anything but a file at the name is replaced by the next write.
    case os::Error::Missing:
    case os::Error::Link:
    case os::Error::NotAFile: return true;
    case os::Error::Denied:
    case os::Error::Busy:
    case os::Error::ReadFailed:
    case os::Error::Failed: return false;
  }
  const long long size = file.Size();
  if (size < 0) return false;
  std::string text(static_cast<size_t>(size), '\0');
  if (!file.ReadExactAt(0, text.data(), text.size())) return false;
  lines = RecordLines(text);
  return true;
}

std::vector<QuarantineRecord> Quarantine::Records() const {
  std::vector<QuarantineRecord> records;
  std::vector<std::string> lines;
  ReadRecordLines(lines);
  for (const std::string& line : lines)
    if (QuarantineRecord r; ParseRecord(line, r)) records.push_back(std::move(r));
  return records;
}

bool Quarantine::Find(const std::wstring& storedText, QuarantineRecord& record) const {
  const std::string text = ToUtf8(storedText);
  const os::NativeName native = PathFromText(storedText).native();
  for (QuarantineRecord& r : Records()) {
    if (EscapeName(r.stored) == text || r.stored == native) {
      record = std::move(r);
      return true;
    }
  }
  return false;
}

bool Quarantine::IsRecordsName(const os::NativeName& name) {
  return EqualsIgnoringAsciiCase(name, RecordsName());
}

bool Quarantine::Taken(const os::NativeName& name) const {
  return IsRecordsName(name) || folder_.Inspect(name).kind != os::Kind::Missing;
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

bool Quarantine::WriteRecords(const std::vector<std::string>& lines) {
  const std::string text = RecordFileText(lines);
  const auto write = [&](os::File& file) { return file.WriteAt(0, text.data(), text.size()); };
  return os::WriteAtomically(folder_, RecordsName(), true, write) == os::AtomicResult::Written;
}

// Rewrites the records without those of `stored`, then with `added`.
bool Quarantine::ChangeRecords(const os::NativeName& stored, const QuarantineRecord* added) {
  std::vector<std::string> lines, kept;
  if (!ReadRecordLines(lines)) return false;
  for (std::string& line : lines)
    if (QuarantineRecord r; !ParseRecord(line, r) || r.stored != stored) kept.push_back(std::move(line));
  if (added) kept.push_back(FormatRecord(*added));
  return WriteRecords(kept);
}

bool Quarantine::Store(CheckedTarget& file, os::NativeName& stored, bool replace,
                       const std::wstring& virus) {
  std::error_code ec;
  fs::path original = fs::absolute(file.folder.PathOf(file.name), ec);
  if (ec) original = file.folder.PathOf(file.name);
  QuarantineRecord record{{}, original, virus, clock_(), 0, {}};
  if (!DescribeEntry(file.folder, file.name, file.IsLink(), file.file, record.size, record.sha256))
    return false;

  os::MoveResult moved = os::MoveResult::Failed;
  bool copied = false;
  for (int attempt = 0; attempt < 10; ++attempt) {
    moved = file.folder.Move(file.name, file.info.id, folder_, stored, replace);
    if (moved == os::MoveResult::OtherDevice) {
      moved = CopyAcross(file.folder, file.name, file.IsLink(), file.file, record.size,
                         record.sha256, folder_, stored, replace);
      copied = true;
    }
    if (moved != os::MoveResult::Exists || replace) break;
    stored = FreeName(stored);  // taken since it was chosen
  }
  if (moved != os::MoveResult::Moved) return false;
  record.stored = stored;
  const os::FileId placed = copied ? folder_.Inspect(stored).id : file.info.id;
  auto undo = [&] {
    if (copied)
      folder_.Remove(stored, placed);
    else
      folder_.Move(stored, placed, file.folder, file.name, false);
  };
  if (!ChangeRecords(record.stored, &record)) {
    undo();
    return false;
  }
  if (copied) {
    file.file.Close();
    if (!file.folder.Remove(file.name, file.info.id)) {
      ChangeRecords(stored, nullptr);
      undo();
      return false;
    }
  }
  return true;
}

std::wstring Quarantine::Restore(const std::wstring& storedText) {
  QuarantineRecord record;
  if (!Find(storedText, record)) return msg::NotInQuarantine(storedText);
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
  if (name.empty() || !destination.Open(record.original.parent_path(), true))
    return msg::RestoreFolderNotMade(record.original);
  const std::wstring taken = msg::RestorePlaceTaken(record.original);
  if (destination.Inspect(name).kind != os::Kind::Missing) return taken;
  os::MoveResult moved = folder_.Move(record.stored, info.id, destination, name, false);
  bool copied = false;
  if (moved == os::MoveResult::OtherDevice) {
    moved = CopyAcross(folder_, record.stored, os::IsLink(info.kind), content,
                       record.size, record.sha256, destination, name, false);
    copied = true;
  }
  if (moved == os::MoveResult::Exists) return taken;
  if (moved != os::MoveResult::Moved) return msg::NotRestored(record.original);
  content.Close();
  if (copied && !folder_.Remove(record.stored, info.id))
    return msg::RestoredCopyKept(storedPath);
  if (!ChangeRecords(record.stored, nullptr))
    return msg::RestoredRecordKept(folder_.PathOf(RecordsName()));
  return {};
}

std::wstring Quarantine::Purge(const std::wstring& storedText) {
  QuarantineRecord record;
  if (!Find(storedText, record)) return msg::NotInQuarantine(storedText);
  const fs::path storedPath = folder_.PathOf(record.stored);
  const os::NameInfo info = folder_.Inspect(record.stored);
  if (info.kind != os::Kind::Missing && !folder_.Remove(record.stored, info.id))
    return msg::NotPurged(storedPath);
  if (!ChangeRecords(record.stored, nullptr))
    return msg::PurgedRecordKept(folder_.PathOf(RecordsName()));
  return {};
}

}  // namespace vsk
