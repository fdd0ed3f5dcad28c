#include "cli/QuarantineCommand.h"

#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/ConsoleText.h"
#include "engine/actions/Quarantine.h"
#include "engine/text/Encoding.h"

namespace vsk {
namespace fs = std::filesystem;

const char kQuarantineUsage[] =
    "\n"
    "Карантин. Каждый файл, перемещённый в !!!Infected, получает запись: откуда\n"
    "он, вирус, время (UTC), размер и SHA-256 (в файле Vireskand-quarantine.txt\n"
    "там же). Файл, чьё имя в !!!Infected уже занято, --action move сохраняет\n"
    "под другим (ИМЯ~2.EXT и так далее), ничего не заменяя. Команды выполняются\n"
    "в папке, где лежит !!!Infected:\n"
    "  vireskand-scan --quarantine list\n"
    "                  по строке на файл: ИМЯ, ИСХОДНЫЙ-ПУТЬ, ВИРУС, ВРЕМЯ,\n"
    "                  РАЗМЕР, SHA256 через табуляцию; имена и пути - как в\n"
    "                  выводе проверки (\\t, \\n, \\r, \\\\, \\xNN), и ИМЯ\n"
    "                  для restore и purge можно взять оттуда\n"
    "  vireskand-scan --quarantine restore ИМЯ\n"
    "                  вернуть файл на исходный путь (недостающие папки\n"
    "                  создаются, существующий файл не заменяется, содержимое\n"
    "                  сверяется с SHA-256) и убрать запись\n"
    "  vireskand-scan --quarantine purge ИМЯ\n"
    "                  удалить файл из карантина навсегда вместе с записью\n"
    "Ошибки: сообщение в stderr и код возврата 2.\n";

namespace {

constexpr int kDone = 0;
constexpr int kError = 2;

int Fail(const std::wstring& text) {
  Print(stderr, "vireskand-scan: " + ConsoleLines(text) + "\n");
  return kError;
}

// A record as the scan prints its rows: one line, names escaped alike.
std::string ListLine(const QuarantineRecord& r) {
  return ConsolePath(fs::path(r.stored)) + "\t" + ConsolePath(r.original) + "\t" +
         ConsoleText(r.virus) + "\t" + EscapeForConsole(r.time) + "\t" + std::to_string(r.size) +
         "\t" + EscapeForConsole(r.sha256) + "\n";
}

// The name as the list shows it, else as given (the record file's %XX form
// or the name itself, which the quarantine takes).
std::wstring StoredText(const Quarantine& quarantine, const std::wstring& given) {
  const std::string shown = ToUtf8(given);
  for (const QuarantineRecord& r : quarantine.Records())
    if (ConsolePath(fs::path(r.stored)) == shown) return FromUtf8(EscapeName(r.stored));
  return given;
}

}  // namespace

int RunQuarantineCommand(const std::vector<std::wstring>& args) {
  const std::wstring command = args.size() > 1 ? args[1] : std::wstring();
  const bool named = command == L"restore" || command == L"purge";
  if ((command != L"list" && !named) || args.size() != (named ? 3u : 2u))
    return Fail(L"нужно --quarantine list, --quarantine restore ИМЯ или --quarantine purge ИМЯ");

  Quarantine quarantine;
  switch (quarantine.Open({}, false)) {
    case Quarantine::Opened::Yes: break;
    case Quarantine::Opened::Missing:
      if (command == L"list") return kDone;
      return Fail(L"в текущей папке нет папки карантина !!!Infected");
    case Quarantine::Opened::Refused:
      return Fail(L"!!!Infected в текущей папке - ссылка или не папка; карантин не открыт");
    case Quarantine::Opened::Failed: return Fail(L"не удалось открыть папку карантина !!!Infected");
  }
  if (command == L"list") {
    for (const QuarantineRecord& record : quarantine.Records()) Print(stdout, ListLine(record));
    return kDone;
  }
  const std::wstring name = StoredText(quarantine, args[2]);
  const std::wstring error =
      command == L"restore" ? quarantine.Restore(name) : quarantine.Purge(name);
  return error.empty() ? kDone : Fail(error);
}

}  // namespace vsk
