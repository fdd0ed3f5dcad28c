#include "engine/settings/Texts.h"

#include "engine/text/Encoding.h"

namespace vsk::msg {

std::wstring SettingsNotSaved(const std::vector<std::filesystem::path>& tried) {
  std::wstring text = L"Не удалось сохранить настройки: ";
  if (tried.empty()) {
    text += L"файл настроек недоступен для записи.";
  } else if (tried.size() == 1) {
    text += L"файл настроек недоступен для записи:\n" + PathText(tried.front());
  } else {
    text += L"ни один из файлов настроек недоступен для записи:";
    for (const std::filesystem::path& file : tried) text += L"\n" + PathText(file);
  }
  return text + L"\nИзменения не сохранены.";
}

}  // namespace vsk::msg
