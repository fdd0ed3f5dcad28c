// What an action on a row of the results list works with: the row, the
// list's second column, the questions and messages, and the settings.
#pragma once

#include <filesystem>
#include <string>

#include "engine/text/MessageSink.h"
#include "engine/settings/Options.h"
#include "engine/scan/Waves.h"
#include "engine/db/VirusDatabase.h"

namespace vsk {

// Column 1 of the results list's rows: the Win32 list view, the
// command-line scanner's rows and the tests.
class IResultRows {
 public:
  virtual ~IResultRows() = default;
  virtual std::wstring GetText(int row) = 0;
  virtual void SetText(int row, const std::wstring& text) = 0;
};

// Questions about files: OK and Cancel with the exclamation icon and the
// caption "Предупреждение". Returns true for OK.
class IQuestions {
 public:
  virtual ~IQuestions() = default;
  virtual bool AskOkCancel(const std::wstring& text, const std::wstring& caption) = 0;
};

// The row captured when the context menu opened; it stays apart from the
// file a running scan is at. `virusName` is the row's text as it was.
struct CapturedRow {
  int index = -1;
  std::filesystem::path path;
  std::wstring virusName;
};

// What "Переместить" does when "!!!Infected" already holds the name: the
// window asks whether to replace it; a batch keeps both, the second under a
// name of its own.
enum class QuarantineNaming { AskToReplace, KeepBoth };

struct ActionContext {
  const VirusTable& table;
  const Options& options;
  IResultRows& rows;
  ISoundPlayer& sound;
  IQuestions& questions;
  // Why a file was left alone: a message box in the window, a line on
  // stderr in the command-line scanner.
  IMessageSink& messages;
  // The folder that holds "!!!Infected": the process's working folder when
  // empty.
  std::filesystem::path workFolder;
  QuarantineNaming sameName = QuarantineNaming::AskToReplace;
};

// The text of a row whose action failed on a file that is still there and
// still infected: the failure, then the virus name, so that the row is no
// result text and its menu still opens.
std::wstring FailedRowText(const std::wstring& virusName);
// The virus a row's text names: the text itself, or the name after a
// failure; empty when the table has no such virus.
std::wstring RowVirusName(const VirusTable& table, const std::wstring& rowText);

namespace msg {
inline constexpr wchar_t kWarningCaption[] = L"Предупреждение";
inline constexpr wchar_t kConfirmDelete[] = L"Вы действительно хотите удалить эти файлы?";
inline constexpr wchar_t kConfirmReplaceInQuarantine[] =
    L"Файл с таким именем уже имеется в папке !!!Infected.\nЗаместить этот файл?";

std::wstring FileChanged(const std::wstring& virus, const std::filesystem::path& path);
std::wstring VirusNotInDatabase(const std::wstring& virus, const std::filesystem::path& path);
std::wstring CureThroughLink(const std::filesystem::path& path);
std::wstring NoRepair(const std::wstring& virus, const std::filesystem::path& path);
std::wstring RecoveryKept(const std::filesystem::path& path, const std::filesystem::path& copy);
std::wstring QuarantineRefused(const std::filesystem::path& folder);
}  // namespace msg

}  // namespace vsk
