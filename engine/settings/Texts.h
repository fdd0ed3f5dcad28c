// What the user is told about the settings file.
#pragma once

namespace vsk::msg {
inline constexpr wchar_t kSettingsNotSaved[] =
    L"Не удалось сохранить настройки: файл настроек недоступен для записи ни в папке Windows, "
    L"ни в папке данных пользователя.\nИзменения не сохранены.";
}  // namespace vsk::msg
