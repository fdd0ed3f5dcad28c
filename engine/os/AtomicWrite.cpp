#include "engine/os/AtomicWrite.h"

#include "engine/os/Ownership.h"

namespace vsk::os {

namespace {

// The temporary file beside `name`, written, given the metadata of
// `metadataFrom` (only `required` metadata counts), flushed and closed.
// `temp` and `id` name it; it is gone again unless the result is Written.
AtomicResult WriteTemporary(const Folder& folder, const NativeName& name, const FileWriter& write,
                            const File* metadataFrom, bool required, bool setIds,
                            NativeName& temp, FileId& id) {
  File file;
  if (!file.CreateNew(folder, NewNamePrefix(name), FromAscii(kAtomicWriteSuffix), temp))
    return AtomicResult::Failed;
  id = file.Id();
  AtomicResult result = AtomicResult::Failed;
  if (write(file)) {
    const bool given = metadataFrom == nullptr ||
                       ((file.TakeMetadata(*metadataFrom) || !required) &&
                        (setIds || ClearSetIds(file)) &&
                        (!required || CopyAttributes(*metadataFrom, file, setIds)));
    if (!given)
      result = AtomicResult::MetadataNotGiven;
    else if (file.Flush())
      result = AtomicResult::Written;
  }
  file.Close();  // Windows moves and replaces no open file
  if (result != AtomicResult::Written) folder.Remove(temp, id);
  return result;
}

}  // namespace

AtomicResult ReplaceAtomically(const Folder& folder, const NativeName& name, File& target,
                               const FileWriter& write, bool setIds) {
  NativeName temp;
  FileId id;
  const AtomicResult written =
      WriteTemporary(folder, name, write, &target, true, setIds, temp, id);
  if (written != AtomicResult::Written) return written;
  const FileId targetId = target.Id();
  target.Close();
  if (!folder.Replace(name, targetId, temp)) {
    folder.Remove(temp, id);
    return AtomicResult::Failed;
  }
  folder.Sync();
  return AtomicResult::Written;
}

AtomicResult WriteAtomically(const Folder& folder, const NativeName& name, bool replace,
                             const FileWriter& write, const File* metadataFrom) {
  NativeName temp;
  FileId id;
  const AtomicResult written =
      WriteTemporary(folder, name, write, metadataFrom, false, true, temp, id);
  if (written != AtomicResult::Written) return written;
  switch (folder.Move(temp, id, folder, name, replace)) {
    case MoveResult::Moved: folder.Sync(); return AtomicResult::Written;
    case MoveResult::Exists: folder.Remove(temp, id); return AtomicResult::Exists;
    case MoveResult::OtherDevice:
    case MoveResult::Failed: break;
  }
  folder.Remove(temp, id);
  return AtomicResult::Failed;
}

}  // namespace vsk::os
