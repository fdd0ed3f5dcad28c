#include "engine/actions/CheckedTarget.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/containers/ContentSearch.h"
#include "engine/db/Matcher.h"

namespace vsk {

CheckedTargetState OpenCheckedTarget(const std::filesystem::path& path, bool write,
                                     CheckedTarget& out, const RowIdentity& scanned) {
  out.name = path.filename().native();
  if (out.name.empty()) return CheckedTargetState::Missing;
  if (!out.folder.Open(path.parent_path())) return CheckedTargetState::Missing;
  // A folder swapped for a link, or for another folder, since the scan.
  if (scanned.known && out.folder.Id() != scanned.folder) return CheckedTargetState::Replaced;
  out.pending = ResolvePendingCure(out.folder, out.name);
  if (out.pending == PendingCure::Refused || out.pending == PendingCure::Unresolved)
    return CheckedTargetState::UnderMarker;
  out.info = out.folder.Inspect(out.name);
  switch (out.info.kind) {
    case os::Kind::Missing: return CheckedTargetState::Missing;
    case os::Kind::Folder:
    case os::Kind::Other: return CheckedTargetState::Changed;
    case os::Kind::Unknown: return CheckedTargetState::Unreadable;
    case os::Kind::File:
    case os::Kind::FileLink:
    case os::Kind::FolderLink: break;
  }
  const os::Error opened = out.IsLink() ? out.file.OpenTarget(out.folder, out.name)
                                        : out.file.Open(out.folder, out.name, write);
  switch (opened) {
    case os::Error::None: break;
    case os::Error::Missing:
      return out.IsLink() ? CheckedTargetState::Changed : CheckedTargetState::Missing;
    case os::Error::Link:
    case os::Error::NotAFile: return CheckedTargetState::Changed;
    case os::Error::Denied:
    case os::Error::Busy:
    case os::Error::ReadFailed:
    case os::Error::Failed: return CheckedTargetState::Unreadable;
  }
  // The name may have changed between the look and the open.
  if (!out.IsLink() && out.file.Id() != out.info.id) return CheckedTargetState::Changed;
  if (scanned.known && out.file.Identity() != scanned.file) return CheckedTargetState::Replaced;
  out.links = out.file.Links();
  return CheckedTargetState::Ready;
}

namespace {

VirusTable OnlyVirus(const VirusTable& table, int index) {
  VirusTable one;
  one.count = 1;
  one.names[0] = table.names[index];
  one.lengths[0] = table.lengths[index];
  one.signatures[0] = table.signatures[index];
  return one;
}

}  // namespace

bool HoldsVirus(const os::File& file, const VirusTable& table, int index, bool inArchive) {
  if (index < 0 || index >= table.count) return false;
  const VirusTable one = OnlyVirus(table, index);
  const SignatureMatcher matcher(one);
  if (!inArchive) return file.Rewind() && matcher.MatchOpenFile(file) == 0;
  std::wstring inside;
  return file.Rewind() && ContentSearch(matcher).Search(file, nullptr, inside) == 0;
}

bool HoldsVirusFrom(const os::File& file, uint64_t from, const VirusTable& table, int index) {
  if (index < 0 || index >= table.count || table.lengths[index] == 0) return false;
  const long long size = file.Size();
  if (size < 0) return false;
  const VirusTable one = OnlyVirus(table, index);
  const SignatureMatcher matcher(one);
  const size_t overlap = table.lengths[index] - 1;
  std::vector<uint8_t> buffer(SignatureMatcher::kPieceSize + overlap);
  size_t carried = 0;
  for (uint64_t at = from; at < static_cast<uint64_t>(size);) {
    const size_t n = static_cast<size_t>(
        std::min<uint64_t>(SignatureMatcher::kPieceSize, static_cast<uint64_t>(size) - at));
    if (!file.ReadExactAt(at, buffer.data() + carried, n)) return false;
    const size_t filled = carried + n;
    if (matcher.MatchBuffer(buffer.data(), filled) == 0) return true;
    carried = std::min(overlap, filled);
    std::memmove(buffer.data(), buffer.data() + filled - carried, carried);
    at += n;
  }
  return false;
}

}  // namespace vsk
