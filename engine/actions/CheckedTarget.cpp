#include "engine/actions/CheckedTarget.h"

#include "engine/db/Matcher.h"

namespace vsk {

RowFileState OpenRowFile(const std::filesystem::path& path, bool write, RowFile& out) {
  out.name = path.filename().native();
  if (out.name.empty()) return RowFileState::Missing;
  if (!out.folder.Open(path.parent_path())) return RowFileState::Missing;
  out.info = out.folder.Inspect(out.name);
  switch (out.info.kind) {
    case os::Kind::Missing: return RowFileState::Missing;
    case os::Kind::Folder:
    case os::Kind::Other: return RowFileState::Changed;
    case os::Kind::Unknown: return RowFileState::Unreadable;
    case os::Kind::File:
    case os::Kind::FileLink:
    case os::Kind::FolderLink: break;
  }
  const os::Error opened = out.IsLink() ? out.file.OpenTarget(out.folder, out.name)
                                        : out.file.Open(out.folder, out.name, write);
  switch (opened) {
    case os::Error::None: break;
    case os::Error::Missing: return out.IsLink() ? RowFileState::Changed : RowFileState::Missing;
    case os::Error::Link:
    case os::Error::NotAFile: return RowFileState::Changed;
    case os::Error::Denied:
    case os::Error::Busy:
    case os::Error::ReadFailed:
    case os::Error::Failed: return RowFileState::Unreadable;
  }
  // The name may have changed between the look and the open.
  if (!out.IsLink() && out.file.Id() != out.info.id) return RowFileState::Changed;
  return RowFileState::Ready;
}

bool HoldsVirus(const os::File& file, const VirusTable& table, int index) {
  if (index < 0 || index >= table.count) return false;
  VirusTable one;
  one.count = 1;
  one.names[0] = table.names[index];
  one.lengths[0] = table.lengths[index];
  one.signatures[0] = table.signatures[index];
  return file.Rewind() && SignatureMatcher(one).MatchOpenFile(file) == 0;
}

}  // namespace vsk
