#include "engine/actions/CureTransaction.h"

#include <algorithm>
#include <cstdint>

#include "engine/os/AtomicWrite.h"

namespace vsk {
namespace fs = std::filesystem;

namespace {

// Writes `image` of `source` into `out` from its start and cuts `out` to
// its length. `out` may be the source, whose kept bytes are then in place.
bool WriteImage(const os::File& source, const RepairImage& image, os::File& out) {
  if (&source != &out && !os::CopyBytes(source, out, image.keep)) return false;
  for (const Patch& p : image.patches) {
    if (p.offset >= image.keep) continue;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(p.bytes.size(), image.keep - p.offset));
    if (!out.WriteAt(p.offset, p.bytes.data(), n)) return false;
  }
  return out.Truncate(image.keep) && out.Flush();
}

// The image is written into the file itself, so that all its names see it;
// a private copy of the original stays beside it until that is done, and
// puts the original back when the write fails.
CureOutcome WriteInPlace(CheckedTarget& target, const os::File& source, const RepairImage& image,
                         fs::path& recoveryPath) {
  const long long size = target.file.Size();
  os::File recovery;
  os::NativeName recoveryName;
  if (size < 0 || !recovery.CreateNew(target.folder, os::NewNamePrefix(target.name),
                                      os::FromAscii(kRecoverySuffix), recoveryName))
    return CureOutcome::Failed;
  const os::FileId recoveryId = recovery.Id();
  const RepairImage whole{static_cast<uint64_t>(size), {}};
  CureOutcome outcome = CureOutcome::Failed;
  if (WriteImage(target.file, whole, recovery) && target.folder.Sync()) {
    if (WriteImage(source, image, target.file)) {
      outcome = CureOutcome::Cured;
    } else if (!WriteImage(recovery, whole, target.file)) {
      recoveryPath = target.folder.PathOf(recoveryName);
      return CureOutcome::Damaged;
    }
  }
  recovery.Close();
  target.folder.Remove(recoveryName, recoveryId);
  return outcome;
}

// The image goes into a new private file, which is given the original's
// owner and mode and then takes its place in one step. A copy whose owner
// could not be set is dropped for a write in place; so is the copy of a
// file with several names, which all must see the cure.
CureOutcome Commit(CheckedTarget& target, const os::File& source, const RepairImage& image,
                   fs::path& recoveryPath) {
  if (target.file.Links() <= 1) {
    const auto write = [&](os::File& copy) { return WriteImage(source, image, copy); };
    switch (os::ReplaceAtomically(target.folder, target.name, target.file, write)) {
      case os::AtomicResult::Written: return CureOutcome::Cured;
      case os::AtomicResult::MetadataNotGiven: break;
      case os::AtomicResult::Exists:
      case os::AtomicResult::Failed: return CureOutcome::Failed;
    }
  }
  return WriteInPlace(target, source, image, recoveryPath);
}

CureOutcome DeleteIncurable(CheckedTarget& target) {
  target.file.Close();
  return target.folder.Remove(target.name, target.info.id) ? CureOutcome::IncurableDeleted
                                                           : CureOutcome::IncurableDeleteFailed;
}

// The companion goes only once the program is back in the infected file's
// place, so an interruption leaves both files.
CureOutcome Apply(CheckedTarget& target, RepairPlan& plan, fs::path& recoveryPath) {
  switch (plan.step) {
    case RepairPlan::Step::Write: break;
    case RepairPlan::Step::DeleteIncurable: return DeleteIncurable(target);
    case RepairPlan::Step::NotAttempted: return CureOutcome::NotAttempted;
    case RepairPlan::Step::Failed: return CureOutcome::Failed;
    case RepairPlan::Step::NoRepair: return CureOutcome::Refused;
  }
  if (!plan.companion.IsOpen()) return Commit(target, target.file, plan.image, recoveryPath);
  const CureOutcome outcome = Commit(target, plan.companion, plan.image, recoveryPath);
  const os::FileId companionId = plan.companion.Id();
  plan.companion.Close();
  if (outcome == CureOutcome::Cured) target.folder.Remove(plan.companionName, companionId);
  return outcome;
}

}  // namespace

CureOutcome Repair(CheckedTarget& target, int virusIndex, fs::path& recoveryPath) {
  RepairPlan plan = PlanRepair(target, virusIndex);
  return Apply(target, plan, recoveryPath);
}

CureOutcome UnopenedOutcome(int virusIndex) {
  return virusIndex == kCurePeAppender ? CureOutcome::NotAttempted : CureOutcome::Failed;
}

CureOutcome RepairFile(const fs::path& path, int virusIndex) {
  if (!HasRepair(virusIndex)) return CureOutcome::Refused;
  CheckedTarget target;
  switch (OpenCheckedTarget(path, true, target)) {
    case CheckedTargetState::Ready: break;
    case CheckedTargetState::Changed: return CureOutcome::Changed;
    case CheckedTargetState::Missing:
    case CheckedTargetState::Unreadable: return UnopenedOutcome(virusIndex);
  }
  if (target.IsLink()) return CureOutcome::Refused;
  fs::path recoveryPath;
  return Repair(target, virusIndex, recoveryPath);
}

}  // namespace vsk
