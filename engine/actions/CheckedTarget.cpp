#include "engine/actions/CheckedTarget.h"

#include "engine/db/Matcher.h"

namespace vsk {

CheckedTargetState OpenCheckedTarget(const std::filesystem::path& path, bool write,
                                     CheckedTarget& out) {
  out.name = path.filename().native();
  if (out.name.empty()) return CheckedTargetState::Missing;
  if (!out.folder.Open(path.parent_path())) return CheckedTargetState::Missing;
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
  return CheckedTargetState::Ready;
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
