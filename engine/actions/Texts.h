// The texts the actions show the user: their questions, why a file was left
// alone, and the errors of the quarantine commands. The result texts a row
// is left with are the scan's (engine/scan/FolderWalk.h, `result::`).
#pragma once

#include <cstddef>
#include <cstdint>
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
std::wstring NotTheScannedFile(const std::filesystem::path& path);
std::wstring OtherNamesRemain(const std::filesystem::path& path, uint32_t others);
std::wstring ForeignCompanion(const std::wstring& virus, const std::filesystem::path& path);
std::wstring CureDoesNotFit(const std::wstring& virus, const std::filesystem::path& path);
std::wstring CureLeavesVirus(const std::wstring& virus, const std::filesystem::path& path);
// A cure cut short: undone, or its marker not trusted, or not to be
// resolved now (CureMarker.h).
std::wstring CureUndone(const std::filesystem::path& path);
std::wstring CureMarkerRefused(const std::filesystem::path& path);
std::wstring CureUnresolved(const std::filesystem::path& path);
std::wstring RecoveryKept(const std::filesystem::path& path, const std::filesystem::path& copy);
std::wstring QuarantineRefused(const std::filesystem::path& folder);
// The quarantine folder is not trusted: another user owns it, or others
// may write to it, or its owner could not be told.
std::wstring QuarantineForeign(const std::filesystem::path& folder);
std::wstring QuarantineOpenToOthers(const std::filesystem::path& folder);
std::wstring QuarantineTrustUnknown(const std::filesystem::path& folder);
// The record file: lines refused, too large to be a record, locked too long.
std::wstring RecordsDamaged(const std::filesystem::path& records, size_t lines);
std::wstring RecordsTooLarge(const std::filesystem::path& records);
std::wstring RecordsBusy(const std::filesystem::path& records);

// The errors of Quarantine::Restore and Quarantine::Purge. `stored` is a
// name as the user gave it; the paths are the stored file's, the original
// path's or the record file's.
std::wstring NotInQuarantine(const std::wstring& stored);
std::wstring GoneFromQuarantine(const std::filesystem::path& storedPath);
std::wstring QuarantineFileUnreadable(const std::filesystem::path& storedPath);
std::wstring QuarantineFileDiffers(const std::filesystem::path& storedPath);
std::wstring RestoreFolderNotMade(const std::filesystem::path& original);
std::wstring RestoreThroughLink(const std::filesystem::path& original);
std::wstring RestorePlaceTaken(const std::filesystem::path& original);
std::wstring NotRestored(const std::filesystem::path& original);
std::wstring RestoredCopyKept(const std::filesystem::path& storedPath);
std::wstring RestoredRecordKept(const std::filesystem::path& records);
std::wstring NotPurged(const std::filesystem::path& storedPath);
std::wstring PurgedRecordKept(const std::filesystem::path& records);

}  // namespace msg

}  // namespace vsk
