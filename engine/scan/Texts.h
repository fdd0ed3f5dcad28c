// What a scan shows the user: the results list's result texts, the status
// line, and why a target cannot be scanned.
#pragma once

#include <string>

namespace vsk {

// Result texts of the second column; a row whose text is none of these
// carries a virus name.
namespace result {
inline constexpr wchar_t kOk[] = L"OK";
inline constexpr wchar_t kCured[] = L"Вылечен";
inline constexpr wchar_t kDeleted[] = L"Удалён";
inline constexpr wchar_t kMoved[] = L"Перемещён";
inline constexpr wchar_t kRenamed[] = L"Переименован";
inline constexpr wchar_t kIncurableDeleted[] = L"Неизлечим, удалён";
inline constexpr wchar_t kIncurableMoved[] = L"Неизлечим, перемещён";
inline constexpr wchar_t kIncurableRenamed[] = L"Неизлечим, переименован";
inline constexpr wchar_t kNotFound[] = L"Файл не найден";
inline constexpr wchar_t kAccessError[] = L"Ошибка доступа-пропущен";
// A file whose cure was cut short (engine/actions/CureMarker.h): put back
// as it was before it is scanned, or not scanned as its marker is not
// trusted or cannot be resolved now.
inline constexpr wchar_t kCureUndone[] = L"Восстановлен после прерванного лечения";
inline constexpr wchar_t kCureMarkerRefused[] = L"Метка лечения не принята";
inline constexpr wchar_t kCureUnresolved[] = L"Лечение не завершено";
}  // namespace result

bool IsResultText(const std::wstring& text);

inline constexpr wchar_t kPreparingStatus[] = L"Идёт подготовка к проверке...";
inline constexpr wchar_t kFinishedStatus[] = L"Проверка завершена";
// A run the user stopped, and the files it checked in the status after it.
inline constexpr wchar_t kStoppedStatus[] = L"Проверка прервана";
inline constexpr wchar_t kCheckedLabel[] = L"проверено файлов: ";
inline constexpr wchar_t kIdleStatus[] = L"Для начала проверки нажмите кнопку \"Проверить\"";
// Followed by the number of files and folders that could not be scanned.
inline constexpr wchar_t kSkippedLabel[] = L"Пропущено (нет доступа): ";
inline constexpr wchar_t kNothingChecked[] = L"Не проверено ни одного файла";

namespace msg {
// Each followed by the path named for scanning, on a line of its own.
inline constexpr wchar_t kScanTargetMissing[] = L"Папка или файл для проверки не найдены:";
inline constexpr wchar_t kScanTargetNotAFile[] =
    L"Проверяются только папки и файлы, а это устройство или канал:";
}  // namespace msg

}  // namespace vsk
