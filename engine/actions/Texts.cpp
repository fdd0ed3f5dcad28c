#include "engine/actions/Texts.h"

#include "engine/text/Encoding.h"

namespace vsk::msg {
namespace fs = std::filesystem;

namespace {

std::wstring Quoted(const std::wstring& text) { return L"«" + text + L"»"; }

}  // namespace

std::wstring FileChanged(const std::wstring& virus, const fs::path& path) {
  return L"Файл изменился после проверки и уже не содержит вирус " + Quoted(virus) + L":\n" +
         PathText(path) + L"\nФайл оставлен как есть.";
}

std::wstring VirusNotInDatabase(const std::wstring& virus, const fs::path& path) {
  return L"Вируса " + Quoted(virus) +
         L" нет в загруженной базе, и проверить файл перед действием нельзя:\n" + PathText(path) +
         L"\nФайл оставлен как есть.";
}

std::wstring CureThroughLink(const fs::path& path) {
  return L"Это ссылка на другой файл, и лечение через неё не проводится:\n" + PathText(path) +
         L"\nВылечите сам файл, на который она указывает.";
}

std::wstring NoRepair(const std::wstring& virus, const fs::path& path) {
  return L"Для вируса " + Quoted(virus) + L" нет процедуры лечения:\n" + PathText(path) +
         L"\nФайл оставлен как есть.";
}

std::wstring RecoveryKept(const fs::path& path, const fs::path& copy) {
  return L"Лечение не удалось завершить, и файл не удалось вернуть в прежний вид:\n" +
         PathText(path) + L"\nЕго прежнее содержимое сохранено в файле\n" + PathText(copy);
}

std::wstring QuarantineRefused(const fs::path& folder) {
  return L"Папка карантина является ссылкой или не папкой, и файлы в неё не перемещаются:\n" +
         PathText(folder);
}

}  // namespace vsk::msg
