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

std::wstring NotTheScannedFile(const fs::path& path) {
  return L"Файл или папка, в которой он лежит, заменены другими после проверки:\n" +
         PathText(path) + L"\nФайл оставлен как есть.";
}

std::wstring OtherNamesRemain(const fs::path& path, uint32_t others) {
  return L"Это лишь одно из имён файла: под другими его именами (" + std::to_wstring(others) +
         L") он остаётся заражённым:\n" + PathText(path) +
         L"\nНайдите их повторной проверкой.";
}

std::wstring ForeignCompanion(const std::wstring& virus, const fs::path& path) {
  return L"Файл .OVL рядом с программой, заражённой вирусом " + Quoted(virus) +
         L", принадлежит другому владельцу, доступен для записи другим или слишком велик, и "
         L"программа из него не восстанавливается:\n" +
         PathText(path) + L"\nОба файла оставлены как есть.";
}

std::wstring CureDoesNotFit(const std::wstring& virus, const fs::path& path) {
  return L"Файл заражён не так, как его лечит процедура лечения вируса " + Quoted(virus) +
         L", и лечение не проводится:\n" + PathText(path) + L"\nФайл оставлен как есть.";
}

std::wstring CureLeavesVirus(const std::wstring& virus, const fs::path& path) {
  return L"После лечения в файле остался бы вирус " + Quoted(virus) +
         L", и лечение не проводится:\n" + PathText(path) + L"\nФайл оставлен как есть.";
}

std::wstring CureUndone(const fs::path& path) {
  return L"Лечение файла было прервано, и файл возвращён в прежний вид из резервной копии:\n" +
         PathText(path);
}

std::wstring CureMarkerRefused(const fs::path& path) {
  return L"Рядом с файлом лежит метка прерванного лечения, которой нельзя доверять: её мог "
         L"записать другой пользователь, или резервная копия не совпадает с ней:\n" +
         PathText(path) + L"\nФайл оставлен как есть.";
}

std::wstring CureUnresolved(const fs::path& path) {
  return L"Файл сейчас лечится, или его прежний вид после прерванного лечения не удалось "
         L"восстановить:\n" +
         PathText(path) + L"\nФайл оставлен как есть.";
}

std::wstring RecoveryKept(const fs::path& path, const fs::path& copy) {
  return L"Лечение не удалось завершить, и файл не удалось вернуть в прежний вид:\n" +
         PathText(path) + L"\nЕго прежнее содержимое сохранено в файле\n" + PathText(copy);
}

std::wstring QuarantineRefused(const fs::path& folder) {
  return L"Папка карантина является ссылкой или не папкой, и файлы в неё не перемещаются:\n" +
         PathText(folder);
}

std::wstring QuarantineForeign(const fs::path& folder) {
  return L"Папка карантина принадлежит другому пользователю, и ей нельзя доверять:\n" +
         PathText(folder);
}

std::wstring QuarantineOpenToOthers(const fs::path& folder) {
  return L"В папку карантина могут писать другие пользователи, и ей нельзя доверять:\n" +
         PathText(folder);
}

std::wstring QuarantineTrustUnknown(const fs::path& folder) {
  return L"Не удалось узнать владельца папки карантина, и ей нельзя доверять:\n" +
         PathText(folder);
}

std::wstring RecordsDamaged(const fs::path& records, size_t lines) {
  return L"Файл записей карантина повреждён, строк пропущено: " + std::to_wstring(lines) +
         L"\n" + PathText(records);
}

std::wstring RecordsTooLarge(const fs::path& records) {
  return L"Файл записей карантина повреждён: он слишком велик и не читается\n" +
         PathText(records);
}

std::wstring RecordsBusy(const fs::path& records) {
  return L"Файл записей карантина занят другой программой: " + PathText(records);
}

std::wstring NotInQuarantine(const std::wstring& stored) {
  return L"В карантине нет файла " + stored;
}

std::wstring GoneFromQuarantine(const fs::path& storedPath) {
  return L"Файл пропал из карантина: " + PathText(storedPath);
}

std::wstring QuarantineFileUnreadable(const fs::path& storedPath) {
  return L"Не удалось прочитать файл карантина: " + PathText(storedPath);
}

std::wstring QuarantineFileDiffers(const fs::path& storedPath) {
  return L"Содержимое файла в карантине не совпадает с записью о нём; файл не возвращён: " +
         PathText(storedPath);
}

std::wstring RestoreFolderNotMade(const fs::path& original) {
  return L"Не удалось создать папку для файла: " + PathText(original);
}

std::wstring RestoreThroughLink(const fs::path& original) {
  return L"На пути к файлу есть ссылка, и файл через неё не возвращается: " + PathText(original);
}

std::wstring RestorePlaceTaken(const fs::path& original) {
  return L"На месте файла уже что-то есть, и оно не заменяется: " + PathText(original);
}

std::wstring NotRestored(const fs::path& original) {
  return L"Не удалось вернуть файл: " + PathText(original);
}

std::wstring RestoredCopyKept(const fs::path& storedPath) {
  return L"Файл возвращён, но его копию в карантине удалить не удалось: " + PathText(storedPath);
}

std::wstring RestoredRecordKept(const fs::path& records) {
  return L"Файл возвращён, но запись о нём осталась в " + PathText(records);
}

std::wstring NotPurged(const fs::path& storedPath) {
  return L"Не удалось удалить файл карантина: " + PathText(storedPath);
}

std::wstring PurgedRecordKept(const fs::path& records) {
  return L"Файл удалён, но запись о нём осталась в " + PathText(records);
}

}  // namespace vsk::msg
