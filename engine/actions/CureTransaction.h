// Applies a repair plan (RepairPlans.h) to the checked file, so that a
// repair never leaves a half-repaired file and never writes through a link.
// The repaired image is built from the file as it was checked, in a new
// private file beside it, which takes the file's place in one step with the
// file's owner and mode (ACL, attributes and streams on Windows): the
// atomic write of engine/os. A file with several names (or whose owner
// could not be given to the copy) is written back in place, so that every
// name sees the cure, while a private recovery copy holds the original
// until that write is done. Methods 4 and 5 check the headers they rely on
// before anything is written; a file that fails the check is left as it
// was. That write is announced by a marker (CureMarker.h), so that a kill
// in its middle is undone by the next scan or action. No repair counts before it is checked: the bytes it cuts off must
// hold the row's signature, and the repaired content, built in a private
// file, must hold no virus of the whole table; otherwise nothing changes.
// The outcome in the row is the action's (CureFile, Actions.h).
#pragma once

#include <filesystem>

#include "engine/actions/CheckedTarget.h"
#include "engine/actions/RepairPlans.h"

namespace vsk {

enum class CureOutcome {
  Cured,
  IncurableDeleted,
  IncurableDeleteFailed,
  // The file was found unreadable or a write failed; it is as it was.
  Failed,
  // The file is not what the repair expects; it is as it was.
  NotAttempted,
  // The file no longer holds the row's virus; it was not touched.
  Changed,
  // A link, or a virus without a repair; nothing was touched.
  Refused,
  // The bytes the repair would cut off do not hold the row's virus: the
  // file is not what the repair expects. It is as it was.
  Mismatch,
  // The repaired content still holds a virus (`foundIndex`); the file is
  // as it was.
  StillInfected,
  // The companion's .OVL belongs to somebody else; both are as they were.
  ForeignCompanion,
  // A write in place failed and could not be undone; the recovery copy
  // beside the file holds its original bytes, and its marker stays.
  Damaged,
};

// The recovery copy of a write in place ends so (the copy that takes the
// file's place ends in os::kAtomicWriteSuffix).
inline constexpr char kRecoverySuffix[] = ".vsk-recovery";

// What a repair reports besides its outcome.
struct RepairNotes {
  // After Damaged: the recovery copy.
  std::filesystem::path recoveryPath;
  // After StillInfected: the virus the repaired content holds.
  int foundIndex = -1;
};

// The durable steps of a write in place, for tests that stop a cure there:
// the recovery copy is synced, the marker is synced, the content is copied
// over the file (not yet cut to its length), the write is synced, the
// marker is gone.
enum class CureStep { CopyKept, Marked, Overwritten, Written, Unmarked };
using CureStepHook = void (*)(CureStep);
void SetCureStepHook(CureStepHook hook);

// Plans repair `virusIndex` of `target` (a checked file, open for writing),
// checks it against `table` and applies the plan.
CureOutcome Repair(CheckedTarget& target, const VirusTable& table, int virusIndex,
                   RepairNotes& notes);

// A file that cannot be opened for writing stays as it is; the PE repair
// then counts as not attempted.
CureOutcome UnopenedOutcome(int virusIndex);

// The repair alone, without the check that the file still holds the virus
// (the checks of the repair itself stay); writes no row and plays nothing.
CureOutcome RepairFile(const std::filesystem::path& path, const VirusTable& table,
                       int virusIndex);

}  // namespace vsk
