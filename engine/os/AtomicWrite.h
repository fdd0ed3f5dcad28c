// Writing a file so that its name never shows it half-written: the content
// goes into a private temporary file beside the target (owner only from the
// first byte, never through a link at its name), which is given the
// metadata asked for, flushed, and put in the target's place in one step;
// then the folder is synced. On every failure the temporary file is removed
// and the target is as it was. Platform-neutral, on top of Folder and File.
#pragma once

#include <functional>

#include "engine/os/File.h"
#include "engine/os/Folder.h"

namespace vsk::os {

// The temporary files end so: `prefix.XXXXXXXX.vsk~` beside the target
// (NewNamePrefix), so that a user sees whose they are.
inline constexpr char kAtomicWriteSuffix[] = ".vsk~";

enum class AtomicResult {
  Written,
  // ReplaceAtomically: the new file could not be given all of the target's
  // metadata (its owner, say); nothing changed, the target is still open.
  MetadataNotGiven,
  // WriteAtomically without `replace`: the name is taken; nothing changed.
  Exists,
  Failed,
};

// Writes the whole content into `out`, a new empty file, from its start.
using FileWriter = std::function<bool(File& out)>;

// Puts the content that `write` gives in the place of the open file
// `target`, named `name` in `folder`. The new file takes the target's
// metadata (File::TakeMetadata; on Windows the replace itself keeps its ACL,
// attributes, creation time and streams); `target` is then closed (Windows
// replaces no open file) and the new file takes the name only while it
// still holds the target. Without `setIds` the set-user-id and set-group-id
// bits are not carried over (content taken from another file).
AtomicResult ReplaceAtomically(const Folder& folder, const NativeName& name, File& target,
                               const FileWriter& write, bool setIds = true);

// Puts the content that `write` gives at `name` in `folder`: over whatever
// the name holds with `replace`, else only while the name is free. With
// `metadataFrom` the new file takes that file's metadata as far as it can;
// without, it stays private to its owner.
AtomicResult WriteAtomically(const Folder& folder, const NativeName& name, bool replace,
                             const FileWriter& write, const File* metadataFrom = nullptr);

}  // namespace vsk::os
