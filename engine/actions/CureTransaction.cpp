#include "engine/actions/CureTransaction.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/actions/CureMarker.h"
#include "engine/actions/Sha256.h"
#include "engine/db/Matcher.h"
#include "engine/os/AtomicWrite.h"
#include "engine/os/Lock.h"
#include "engine/os/Ownership.h"

namespace vsk {
namespace fs = std::filesystem;

namespace {

// Copies the first `size` bytes of `from` into `fresh`, a new empty file,
// leaving blocks of zeros unwritten: a hole stays a hole once the file is
// cut to its length.
bool CopyLeavingHoles(const os::File& from, os::File& fresh, uint64_t size) {
  std::vector<uint8_t> buffer(64 * 1024);
  for (uint64_t at = 0; at < size;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(size - at, buffer.size()));
    if (!from.ReadExactAt(at, buffer.data(), n)) return false;
    const bool zeros = std::all_of(buffer.begin(), buffer.begin() + static_cast<long>(n),
                                   [](uint8_t b) { return b == 0; });
    if (!zeros && !fresh.WriteAt(at, buffer.data(), n)) return false;
    at += n;
  }
  return true;
}

// Writes `image` of `source` into `out` from its start and cuts `out` to
// its length. `out` may be the source, whose kept bytes are then in place;
// with `fresh`, `out` is a new empty file.
bool WriteImage(const os::File& source, const RepairImage& image, os::File& out,
                bool fresh = false) {
  if (&source != &out && !(fresh ? CopyLeavingHoles(source, out, image.keep)
                                 : os::CopyBytes(source, out, image.keep)))
    return false;
  for (const Patch& p : image.patches) {
    if (p.offset >= image.keep) continue;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(p.bytes.size(), image.keep - p.offset));
    if (!out.WriteAt(p.offset, p.bytes.data(), n)) return false;
  }
  return out.Truncate(image.keep) && out.Flush();
}

// The repair's content as built: every step after WriteImage checks it.
struct Checked {
  const SignatureMatcher& matcher;
  int found = kMatchClean;  // a virus the content holds, or kMatchUnreadable
};

// Writes the image into `out` and searches what was written with the whole
// table. False unless it is written and clean.
bool WriteChecked(const os::File& source, const RepairImage& image, os::File& out,
                  Checked& check) {
  if (!WriteImage(source, image, out, true)) return false;
  out.KeepSizeNow();
  check.found = out.Rewind() ? check.matcher.MatchOpenFile(out) : kMatchUnreadable;
  return check.found == kMatchClean;
}

CureOutcome Unwritten(const Checked& check) {
  return check.found >= 0 ? CureOutcome::StillInfected : CureOutcome::Failed;
}

CureStepHook g_stepHook = nullptr;

bool Step(CureStep step) {
  if (g_stepHook) g_stepHook(step);
  return true;
}

// The image is built and checked in a private file, then written into the
// file itself, so that all its names see it. Under the file's lock a
// private copy of the original is made beside it and a marker naming both
// is synced before the first byte is overwritten; the marker goes once the
// write is synced, then the copy. A failed write puts the original back.
CureOutcome WriteInPlace(CheckedTarget& target, const os::File& source, const RepairImage& image,
                         Checked& check, fs::path& recoveryPath) {
  const long long size = target.file.Size();
  os::File built;
  os::NativeName builtName;
  if (size < 0 || !built.CreateNew(target.folder, os::NewNamePrefix(target.name),
                                   os::FromAscii(os::kAtomicWriteSuffix), builtName))
    return CureOutcome::Failed;
  const os::FileId builtId = built.Id();
  const auto dropBuilt = [&] {
    built.Close();
    target.folder.Remove(builtName, builtId);
  };
  if (!WriteChecked(source, image, built, check)) {
    dropBuilt();
    return Unwritten(check);
  }
  os::FileLock lock;
  os::File recovery;
  CureMarker marker{target.file.Id(), {}, builtName, static_cast<uint64_t>(size), {}};
  if (!lock.Take(target.file, kCureLockWaitMs) ||
      !recovery.CreateNew(target.folder, os::NewNamePrefix(target.name),
                          os::FromAscii(kRecoverySuffix), marker.copyName)) {
    dropBuilt();
    return CureOutcome::Failed;
  }
  const os::FileId recoveryId = recovery.Id();
  const RepairImage whole{marker.size, {}};
  CureOutcome outcome = CureOutcome::Failed;
  bool marked = false;
  // Content taken from another file gets no set-id bits of this one.
  const bool ownContent = &source == &target.file;
  if (WriteImage(target.file, whole, recovery, true) &&
      !(marker.sha256 = HashContent(recovery, marker.size)).empty() && target.folder.Sync() &&
      Step(CureStep::CopyKept) && (marked = WriteCureMarker(target.folder, target.name, marker)) &&
      Step(CureStep::Marked) && (ownContent || os::ClearSetIds(target.file))) {
    if (os::CopyBytes(built, target.file, image.keep) && Step(CureStep::Overwritten) &&
        target.file.Truncate(image.keep) && target.file.Flush() && Step(CureStep::Written)) {
      outcome = CureOutcome::Cured;
    } else if (!WriteImage(recovery, whole, target.file)) {
      dropBuilt();
      recoveryPath = target.folder.PathOf(marker.copyName);
      return CureOutcome::Damaged;
    }
  }
  dropBuilt();
  recovery.Close();
  // Without its copy a marker could not be resolved: both stay together.
  if (marked && (!RemoveCureMarker(target.folder, target.name) || !Step(CureStep::Unmarked)))
    return outcome;
  target.folder.Remove(marker.copyName, recoveryId);
  return outcome;
}

// The image goes into a new private file, which is checked, given the
// original's owner and mode and then takes its place in one step. A copy
// whose owner could not be set is dropped for a write in place; so is the
// copy of a file with several names, which all must see the cure.
CureOutcome Commit(CheckedTarget& target, const os::File& source, const RepairImage& image,
                   Checked& check, fs::path& recoveryPath) {
  if (target.file.Links() <= 1) {
    const auto write = [&](os::File& copy) { return WriteChecked(source, image, copy, check); };
    const bool setIds = &source == &target.file;
    switch (os::ReplaceAtomically(target.folder, target.name, target.file, write, setIds)) {
      case os::AtomicResult::Written: return CureOutcome::Cured;
      case os::AtomicResult::MetadataNotGiven: break;
      case os::AtomicResult::Exists:
      case os::AtomicResult::Failed: return Unwritten(check);
    }
  }
  return WriteInPlace(target, source, image, check, recoveryPath);
}

CureOutcome DeleteIncurable(CheckedTarget& target) {
  target.file.Close();
  return target.folder.Remove(target.name, target.info.id) ? CureOutcome::IncurableDeleted
                                                           : CureOutcome::IncurableDeleteFailed;
}

// The companion goes only once the program is back in the infected file's
// place, so an interruption leaves both files.
CureOutcome Apply(CheckedTarget& target, RepairPlan& plan, Checked& check,
                  fs::path& recoveryPath) {
  switch (plan.step) {
    case RepairPlan::Step::Write: break;
    case RepairPlan::Step::DeleteIncurable: return DeleteIncurable(target);
    case RepairPlan::Step::NotAttempted: return CureOutcome::NotAttempted;
    case RepairPlan::Step::Failed: return CureOutcome::Failed;
    case RepairPlan::Step::NoRepair: return CureOutcome::Refused;
    case RepairPlan::Step::ForeignCompanion: return CureOutcome::ForeignCompanion;
  }
  if (!plan.companion.IsOpen())
    return Commit(target, target.file, plan.image, check, recoveryPath);
  const CureOutcome outcome = Commit(target, plan.companion, plan.image, check, recoveryPath);
  const os::FileId companionId = plan.companion.Id();
  plan.companion.Close();
  if (outcome == CureOutcome::Cured) target.folder.Remove(plan.companionName, companionId);
  return outcome;
}

}  // namespace

void SetCureStepHook(CureStepHook hook) { g_stepHook = hook; }

CureOutcome Repair(CheckedTarget& target, const VirusTable& table, int virusIndex,
                   RepairNotes& notes) {
  RepairPlan plan = PlanRepair(target, virusIndex);
  // What an appender's repair cuts off is the virus: its signature is there.
  if (plan.step == RepairPlan::Step::Write && !plan.companion.IsOpen() &&
      !HoldsVirusFrom(target.file, plan.image.keep, table, virusIndex))
    return CureOutcome::Mismatch;
  const SignatureMatcher matcher(table);
  Checked check{matcher};
  const CureOutcome outcome = Apply(target, plan, check, notes.recoveryPath);
  notes.foundIndex = check.found;
  return outcome;
}

CureOutcome UnopenedOutcome(int virusIndex) {
  return virusIndex == kCurePeAppender ? CureOutcome::NotAttempted : CureOutcome::Failed;
}

CureOutcome RepairFile(const fs::path& path, const VirusTable& table, int virusIndex) {
  if (!HasRepair(virusIndex)) return CureOutcome::Refused;
  CheckedTarget target;
  switch (OpenCheckedTarget(path, true, target)) {
    case CheckedTargetState::Ready: break;
    case CheckedTargetState::Changed:
    case CheckedTargetState::Replaced: return CureOutcome::Changed;
    case CheckedTargetState::UnderMarker: return CureOutcome::Refused;
    case CheckedTargetState::Missing:
    case CheckedTargetState::Unreadable: return UnopenedOutcome(virusIndex);
  }
  if (target.IsLink()) return CureOutcome::Refused;
  RepairNotes notes;
  return Repair(target, table, virusIndex, notes);
}

}  // namespace vsk
