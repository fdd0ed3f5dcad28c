// What the user is told about the virus database.
#pragma once

namespace vsk::msg {
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
// Followed by a line per record.
inline constexpr wchar_t kBadSignatureLengths[] =
    L"В базе данных вирусов есть записи с недопустимой длиной сигнатуры (0 или больше 30), такие вирусы не обнаруживаются:";
}  // namespace vsk::msg
