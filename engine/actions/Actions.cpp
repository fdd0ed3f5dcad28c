#include "engine/actions/Actions.h"

#include <vector>

#include "engine/actions/CheckedTarget.h"
#include "engine/actions/Texts.h"
#include "engine/scan/FolderWalk.h"
#include "engine/text/Encoding.h"

namespace vsk {
namespace fs = std::filesystem;

namespace {

void Leave(ActionContext& context, const CapturedRow& row, const std::wstring& text, int waveId) {
  context.rows.SetText(row.index, text);
  PlayIfOn(context.options, context.sound, waveId);
}

void LeaveFailure(ActionContext& context, const CapturedRow& row, const std::wstring& virus) {
  Leave(context, row, FailedRowText(virus), wave::kFailed);
}

// The row's name no longer holds the file; a file with other names is
// still there under them, and the user is told.
void LeaveGone(ActionContext& context, const CapturedRow& row, const CheckedTarget& file,
               const wchar_t* text, int waveId) {
  Leave(context, row, text, waveId);
  if (!file.IsLink() && file.links > 1)
    context.messages.ShowMessage(msg::OtherNamesRemain(row.path, file.links - 1));
}

// Tells of a cure cut short that was met opening the row's file: undone,
// or (for UnderMarker) why the file was left alone.
void TellPending(ActionContext& context, const CapturedRow& row, const CheckedTarget& file) {
  switch (file.pending) {
    case PendingCure::None: return;
    case PendingCure::Restored: context.messages.ShowMessage(msg::CureUndone(row.path)); return;
    case PendingCure::Refused: context.messages.ShowMessage(msg::CureMarkerRefused(row.path)); return;
    case PendingCure::Unresolved: context.messages.ShowMessage(msg::CureUnresolved(row.path)); return;
  }
}

// Opens the row's file and checks that it still holds the row's virus.
// False when the action must end: the user has been told why, or the row
// shows `missing` or the failure.
bool CheckTarget(ActionContext& context, const CapturedRow& row, const wchar_t* missing,
                 CheckedTarget& file, std::wstring& virus) {
  virus = RowVirusName(context.table, row.virusName);
  const int index = FindVirusByName(context.table, virus);
  if (index < 0) {
    context.messages.ShowMessage(msg::VirusNotInDatabase(row.virusName, row.path));
    return false;
  }
  const CheckedTargetState state = OpenCheckedTarget(row.path, false, file, row.identity);
  TellPending(context, row, file);
  switch (state) {
    case CheckedTargetState::UnderMarker: return false;
    case CheckedTargetState::Ready:
      if (HoldsVirus(file.file, context.table, index, !row.identity.inside.empty())) return true;
      [[fallthrough]];
    case CheckedTargetState::Changed:
      context.messages.ShowMessage(msg::FileChanged(virus, row.path));
      return false;
    case CheckedTargetState::Replaced:
      context.messages.ShowMessage(msg::NotTheScannedFile(row.path));
      return false;
    case CheckedTargetState::Missing:
      Leave(context, row, missing, wave::kFailed);
      return false;
    case CheckedTargetState::Unreadable: break;
  }
  LeaveFailure(context, row, virus);
  return false;
}

template <typename Plain>
void CureOr(ActionContext& context, const CapturedRow& row, Plain plain, const wchar_t* success,
            const wchar_t* incurable) {
  const int index = FindVirusByName(context.table, RowVirusName(context.table, row.virusName));
  if (index < 0) return;
  // No repair is made for an archive's bytes: one holding a virus is incurable.
  if (context.table.curable[index] && row.identity.inside.empty()) {
    CureFile(context, row, index);
    return;
  }
  plain(context, row);
  if (context.rows.GetText(row.index) == success) context.rows.SetText(row.index, incurable);
}

}  // namespace

os::NativeName RenamedName(const os::NativeName& name) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < name.size();) {
    starts.push_back(i);
#ifdef _WIN32
    const bool pair = name[i] >= 0xD800 && name[i] < 0xDC00 && i + 1 < name.size() &&
                      name[i + 1] >= 0xDC00 && name[i + 1] < 0xE000;
    i += pair ? 2 : 1;
#else
    const size_t n = Utf8SequenceLength(name, i);
    i += n == 0 ? 1 : n;
#endif
  }
  if (starts.size() < 3) return {};
  const size_t at = starts[starts.size() - 3], end = starts[starts.size() - 2];
  return name.substr(0, at) + os::NativeName(1, '#') + name.substr(end);
}

fs::path RenamedPath(const fs::path& path) {
  const os::NativeName renamed = RenamedName(path.filename().native());
  return renamed.empty() ? fs::path() : path.parent_path() / renamed;
}

CureOutcome CureFile(ActionContext& context, const CapturedRow& row, int virusIndex) {
  const std::wstring virus = context.table.Name(virusIndex);
  CureOutcome outcome = CureOutcome::Refused;
  bool present = true;
  RepairNotes notes;
  CheckedTarget target;
  if (!HasRepair(virusIndex)) {
    context.messages.ShowMessage(msg::NoRepair(virus, row.path));
  } else {
    const CheckedTargetState state = OpenCheckedTarget(row.path, true, target, row.identity);
    TellPending(context, row, target);
    switch (state) {
      case CheckedTargetState::UnderMarker: break;
      case CheckedTargetState::Ready:
        if (target.IsLink()) {
          context.messages.ShowMessage(msg::CureThroughLink(row.path));
        } else if (!HoldsVirus(target.file, context.table, virusIndex)) {
          outcome = CureOutcome::Changed;
        } else {
          outcome = Repair(target, context.table, virusIndex, notes);
        }
        break;
      case CheckedTargetState::Changed: outcome = CureOutcome::Changed; break;
      case CheckedTargetState::Replaced:
        context.messages.ShowMessage(msg::NotTheScannedFile(row.path));
        break;
      case CheckedTargetState::Missing:
        present = false;
        outcome = UnopenedOutcome(virusIndex);
        break;
      case CheckedTargetState::Unreadable: outcome = UnopenedOutcome(virusIndex); break;
    }
  }
  const int index = row.index;
  switch (outcome) {
    case CureOutcome::Cured:
      context.rows.SetText(index, result::kCured);
      PlayIfOn(context.options, context.sound, wave::kCured);
      break;
    case CureOutcome::IncurableDeleted:
      context.rows.SetText(index, result::kIncurableDeleted);
      PlayIfOn(context.options, context.sound, wave::kDeleted);
      if (target.links > 1)
        context.messages.ShowMessage(msg::OtherNamesRemain(row.path, target.links - 1));
      break;
    case CureOutcome::Damaged:
      context.messages.ShowMessage(msg::RecoveryKept(row.path, notes.recoveryPath));
      [[fallthrough]];
    case CureOutcome::IncurableDeleteFailed:
    case CureOutcome::Failed:
      context.rows.SetText(index, present ? FailedRowText(virus) : result::kAccessError);
      break;
    case CureOutcome::Changed:
      context.messages.ShowMessage(msg::FileChanged(virus, row.path));
      break;
    case CureOutcome::ForeignCompanion:
      context.messages.ShowMessage(msg::ForeignCompanion(virus, row.path));
      break;
    case CureOutcome::Mismatch:
      context.messages.ShowMessage(msg::CureDoesNotFit(virus, row.path));
      break;
    case CureOutcome::StillInfected:
      context.messages.ShowMessage(
          msg::CureLeavesVirus(context.table.Name(notes.foundIndex), row.path));
      break;
    case CureOutcome::NotAttempted:
    case CureOutcome::Refused: break;
  }
  return outcome;
}

void DeleteInfected(ActionContext& context, const CapturedRow& row) {
  if (!context.questions.AskOkCancel(msg::kConfirmDelete, msg::kWarningCaption)) return;
  CheckedTarget file;
  std::wstring virus;
  // A file gone meanwhile is an access error here, as a failed delete.
  if (!CheckTarget(context, row, result::kAccessError, file, virus)) return;
  file.file.Close();
  if (file.folder.Remove(file.name, file.info.id))
    LeaveGone(context, row, file, result::kDeleted, wave::kDeleted);
  else
    LeaveFailure(context, row, virus);
}

void RenameInfected(ActionContext& context, const CapturedRow& row) {
  CheckedTarget file;
  std::wstring virus;
  if (!CheckTarget(context, row, result::kNotFound, file, virus)) return;
  const os::NativeName renamed = RenamedName(file.name);
  if (!renamed.empty() && file.folder.Move(file.name, file.info.id, file.folder, renamed, false) ==
                              os::MoveResult::Moved)
    LeaveGone(context, row, file, result::kRenamed, wave::kRenamed);
  else
    LeaveFailure(context, row, virus);
}

void MoveToQuarantine(ActionContext& context, const CapturedRow& row) {
  Quarantine quarantine;
  const Quarantine::Opened opened = quarantine.Open(context.workFolder, true);
  if (opened == Quarantine::Opened::Refused) {
    context.messages.ShowMessage(quarantine.Refusal());
    return;
  }
  CheckedTarget file;
  std::wstring virus;
  if (!CheckTarget(context, row, result::kNotFound, file, virus)) return;
  if (opened != Quarantine::Opened::Yes) {
    LeaveFailure(context, row, virus);
    return;
  }
  os::NativeName stored = file.name;
  bool replace = false;
  if (quarantine.Taken(stored)) {
    const os::NameInfo there = quarantine.Folder().Inspect(stored);
    // A file scanned inside the quarantine folder is already in its place;
    // replacing it would delete it.
    if (there.kind != os::Kind::Missing && there.id == file.info.id) {
      Leave(context, row, result::kMoved, wave::kMoved);
      return;
    }
    if (context.sameName == QuarantineNaming::AskToReplace &&
        there.kind != os::Kind::Missing && !Quarantine::IsRecordsName(stored)) {
      if (!context.questions.AskOkCancel(msg::kConfirmReplaceInQuarantine, msg::kWarningCaption))
        return;
      replace = true;
    } else {
      stored = quarantine.FreeName(stored);
    }
  }
  if (quarantine.Store(file, stored, replace, virus))
    LeaveGone(context, row, file, result::kMoved, wave::kMoved);
  else
    LeaveFailure(context, row, virus);
}

void CureOrDelete(ActionContext& context, const CapturedRow& row) {
  CureOr(context, row, DeleteInfected, result::kDeleted, result::kIncurableDeleted);
}

void CureOrRename(ActionContext& context, const CapturedRow& row) {
  CureOr(context, row, RenameInfected, result::kRenamed, result::kIncurableRenamed);
}

void CureOrMove(ActionContext& context, const CapturedRow& row) {
  CureOr(context, row, MoveToQuarantine, result::kMoved, result::kIncurableMoved);
}

}  // namespace vsk
