// The six actions of the results list's context menu on one infected file:
// delete, rename, move into the quarantine folder, or try the cure first and
// do one of those when the virus is incurable. Each leaves its result text in
// the row and plays its wave; failures are never messages.
#pragma once

#include <filesystem>
#include <string>

#include "engine/CureEngine.h"
#include "engine/Options.h"
#include "engine/Sound.h"
#include "engine/VirusDatabase.h"

namespace vsk {

inline constexpr wchar_t kQuarantineFolder[] = L"!!!Infected";

namespace msg {
inline constexpr wchar_t kWarningCaption[] = L"Предупреждение";
inline constexpr wchar_t kConfirmDelete[] = L"Вы действительно хотите удалить эти файлы?";
inline constexpr wchar_t kConfirmReplaceInQuarantine[] =
    L"Файл с таким именем уже имеется в папке !!!Infected.\nЗаместить этот файл?";
}  // namespace msg

// Questions about files: OK and Cancel with the exclamation icon and the
// caption "Предупреждение". Returns true for OK.
class IQuestions {
 public:
  virtual ~IQuestions() = default;
  virtual bool AskOkCancel(const std::wstring& text, const std::wstring& caption) = 0;
};

// The row captured when the context menu opened; it stays apart from the
// file a running scan is at.
struct CapturedRow {
  int index = -1;
  std::filesystem::path path;
  std::wstring virusName;
};

struct ActionContext {
  const VirusTable& table;
  const Options& options;
  IResultRows& rows;
  ISoundPlayer& sound;
  IQuestions& questions;
  // The folder that holds "!!!Infected": the process's working folder when
  // empty.
  std::filesystem::path workFolder;
};

void DeleteInfected(ActionContext& context, const CapturedRow& row);
void RenameInfected(ActionContext& context, const CapturedRow& row);
void MoveToQuarantine(ActionContext& context, const CapturedRow& row);
void CureOrDelete(ActionContext& context, const CapturedRow& row);
void CureOrRename(ActionContext& context, const CapturedRow& row);
void CureOrMove(ActionContext& context, const CapturedRow& row);

// The name RenameInfected gives: the third character from the end becomes
// '#' (SETUP.EXE gives SETUP.#XE). Empty when the file name is shorter than
// three characters, since the change would then fall into the folder part.
std::filesystem::path RenamedPath(const std::filesystem::path& path);

// A move to another volume: copy, compare the copy with the original, then
// remove the original. On failure `to` is gone again and `from` stays.
bool CopyVerifyRemove(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace vsk
