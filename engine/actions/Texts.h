// The texts the actions show the user: their questions and why a file was
// left alone. The result texts a row
// is left with are the scan's (engine/scan/FolderWalk.h, `result::`).
#pragma once

#include <filesystem>
#include <string>

namespace vsk {

// Between the failure and the virus name in the row of a failed action:
// "Ошибка доступа-пропущен: Вирус" (FailedRowText).
inline constexpr wchar_t kFailureMark[] = L": ";

namespace msg {

// Questions: OK and Cancel under this caption.
inline constexpr wchar_t kWarningCaption[] = L"Предупреждение";
inline constexpr wchar_t kConfirmDelete[] = L"Вы действительно хотите удалить эти файлы?";
inline constexpr wchar_t kConfirmReplaceInQuarantine[] =
    L"Файл с таким именем уже имеется в папке !!!Infected.\nЗаместить этот файл?";

// Why an action left a file alone.
std::wstring FileChanged(const std::wstring& virus, const std::filesystem::path& path);
std::wstring VirusNotInDatabase(const std::wstring& virus, const std::filesystem::path& path);
std::wstring CureThroughLink(const std::filesystem::path& path);
std::wstring NoRepair(const std::wstring& virus, const std::filesystem::path& path);
std::wstring RecoveryKept(const std::filesystem::path& path, const std::filesystem::path& copy);
std::wstring QuarantineRefused(const std::filesystem::path& folder);

}  // namespace msg

}  // namespace vsk
