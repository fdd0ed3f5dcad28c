// The engine shows no windows: what it has to tell the user goes through
// IMessageSink, which the program turns into message boxes and the
// command-line scanner into lines on stderr.
#pragma once

#include <string>

namespace vsk {

class IMessageSink {
 public:
  virtual ~IMessageSink() = default;
  virtual void ShowMessage(const std::wstring& text) = 0;
};

namespace msg {
inline constexpr wchar_t kDatabaseMissing[] = L"Вирусная база данных не найдена!!!";
inline constexpr wchar_t kDatabaseMissingLoad[] = L"База данных вирусов не найдена!!!";
inline constexpr wchar_t kDatabaseDamaged[] =
    L"Нарушена структура база данных вирусов!!!\nПереустановите приложение или обратитесь к разработчику.";
inline constexpr wchar_t kDatabaseEmpty[] = L"В базе данных вирусов нет ни одного распознаваемого вируса!!!";
inline constexpr wchar_t kDatabaseTooBig[] = L"База данных вирусов слишком большая!!!";
inline constexpr wchar_t kFileOpenError[] = L"Ошибка открытия файла!!!";
// Followed by the reason on a line of its own.
inline constexpr wchar_t kDatabaseUnreadable[] = L"База данных вирусов не читается!!!";
inline constexpr wchar_t kBadVirusNames[] =
    L"В базе данных вирусов есть записи без названия или с названием, совпадающим с результатом проверки:";
// Each followed by the path named for scanning, on a line of its own.
inline constexpr wchar_t kScanTargetMissing[] = L"Папка или файл для проверки не найдены:";
inline constexpr wchar_t kScanTargetNotAFile[] =
    L"Проверяются только папки и файлы, а это устройство или канал:";
inline constexpr wchar_t kSettingsNotSaved[] =
    L"Не удалось сохранить настройки: файл настроек недоступен для записи ни в папке Windows, "
    L"ни в папке данных пользователя.\nИзменения не сохранены.";
}  // namespace msg

}  // namespace vsk
