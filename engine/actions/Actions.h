// The actions of the results list's context menu on one infected file:
// cure, delete, rename, move into the quarantine folder, or try the cure
// first and do one of those when the virus is incurable. Each first checks
// that the file still holds the row's virus and, for a row the scan
// identified, that its folder and file are still the ones the scan read; a
// file that changed is left alone with a message. A file with other names
// loses only the row's name, and the user is told the others remain. A
// cure the checks refuse changes nothing, even for the cure-or-X commands. Each leaves its result text in the row and plays
// its wave; a failure on a file that is still infected keeps the virus name
// in the row. A link is deleted, renamed or moved as a link, never what it
// leads to.
#pragma once

#include <filesystem>

#include "engine/actions/ActionContext.h"
#include "engine/actions/CureTransaction.h"
#include "engine/actions/Quarantine.h"
#include "engine/actions/RowTexts.h"
#include "engine/os/File.h"
#include "engine/os/Folder.h"

namespace vsk {

// Checks that the row's file still holds virus `virusIndex`, repairs it and
// leaves the outcome in the row: "Вылечен" (wave 177), "Неизлечим, удалён"
// (178), a failure with the virus name (no wave). A changed file, a link and
// a virus without a repair leave the row as it was, with a message.
CureOutcome CureFile(ActionContext& context, const CapturedRow& row, int virusIndex);

void DeleteInfected(ActionContext& context, const CapturedRow& row);
void RenameInfected(ActionContext& context, const CapturedRow& row);
void MoveToQuarantine(ActionContext& context, const CapturedRow& row);
void CureOrDelete(ActionContext& context, const CapturedRow& row);
void CureOrRename(ActionContext& context, const CapturedRow& row);
void CureOrMove(ActionContext& context, const CapturedRow& row);

// The name RenameInfected gives: the third character from the end becomes
// '#' (SETUP.EXE gives SETUP.#XE), in the name's native form: on POSIX a
// character is a UTF-8 sequence or a byte outside one, on Windows a UTF-16
// unit or a surrogate pair. Empty for a name of fewer than three.
os::NativeName RenamedName(const os::NativeName& name);
std::filesystem::path RenamedPath(const std::filesystem::path& path);

}  // namespace vsk
