// A write in place over a file with several names leaves a marker beside
// the file, NAME.vsk-cure, from before its first byte is overwritten until
// the write is synced. The marker names the file by identity, the private
// recovery copy that holds its original content, with that content's size
// and SHA-256, and the private file the cure was built in. Whoever meets a file under a marker (a scan,
// an action) puts the original back from the copy before anything else, so
// that a kill in the middle of a write never leaves a mixed file that
// passes for clean or is acted on. A marker or a copy that another user
// could have written (in a folder not Folder::Trusted, or by its owner and
// rights: os::SameKeeper), or that does not match, is never acted on. The cure
// holds a lock on the file while it writes, and so does whoever restores.
#pragma once

#include <cstdint>
#include <string>

#include "engine/os/File.h"
#include "engine/os/Folder.h"
#include "engine/os/Lock.h"

namespace vsk {

inline constexpr char kCureMarkerSuffix[] = ".vsk-cure";

struct CureMarker {
  os::FileId target;
  os::NativeName copyName;   // beside the target
  os::NativeName builtName;  // the checked cure, beside it too
  uint64_t size = 0;
  std::string sha256;
};

os::NativeName CureMarkerName(const os::NativeName& name);
// Whether `name` is a marker's name; allocates nothing, as a scan asks it
// of every name it lists.
bool IsCureMarkerName(const os::NativeChar* name);
// The name of the file that the marker `markerName` is about.
os::NativeName MarkedName(const os::NativeName& markerName);

// Writes the marker of file `name` in one step and syncs the folder; false
// when it could not be written or a marker is there already.
bool WriteCureMarker(const os::Folder& folder, const os::NativeName& name,
                     const CureMarker& marker);
// Removes the marker of `name`, then syncs the folder.
bool RemoveCureMarker(const os::Folder& folder, const os::NativeName& name);

enum class PendingCure {
  None,      // no marker
  Restored,  // the original is back, marker and copy are gone
  Refused,   // the marker or its copy is not to be trusted; nothing was touched
  // A cure is writing the file now, or the original could not be written
  // back; the marker stays.
  Unresolved,
};

// How long the lock of a file being cured is waited for.
inline constexpr int kCureLockWaitMs = 10000;

// Resolves the marker of file `name` in `folder`, if there is one.
PendingCure ResolvePendingCure(const os::Folder& folder, const os::NativeName& name);

}  // namespace vsk
