#include "cli/QuarantineCommand.h"

#include <cstdio>

#include "engine/Quarantine.h"
#include "engine/Text1251.h"

namespace vsk {

const char kQuarantineUsage[] =
    "\n"
    "Карантин. Каждый файл, перемещённый в !!!Infected, получает запись: откуда\n"
    "он, вирус, время (UTC), размер и SHA-256 (в файле Vireskand-quarantine.txt\n"
    "там же). Файл, чьё имя в !!!Infected уже занято, --action move сохраняет\n"
    "под другим (ИМЯ~2.EXT и так далее), ничего не заменяя. Команды выполняются\n"
    "в папке, где лежит !!!Infected:\n"
    "  vireskand-scan --quarantine list\n"
    "                  по строке на файл: ИМЯ, ИСХОДНЫЙ-ПУТЬ, ВИРУС, ВРЕМЯ,\n"
    "                  РАЗМЕР, SHA256 через табуляцию (UTF-8; байты, которые\n"
    "                  не текст, управляющие символы и % записаны как %XX)\n"
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
  const std::string bytes = ToUtf8(L"vireskand-scan: " + text + L"\n");
  std::fwrite(bytes.data(), 1, bytes.size(), stderr);
  return kError;
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
    for (const QuarantineRecord& record : quarantine.Records()) {
      const std::string line = FormatRecord(record) + "\n";
      std::fwrite(line.data(), 1, line.size(), stdout);
    }
    return kDone;
  }
  const std::wstring error =
      command == L"restore" ? quarantine.Restore(args[2]) : quarantine.Purge(args[2]);
  return error.empty() ? kDone : Fail(error);
}

}  // namespace vsk
