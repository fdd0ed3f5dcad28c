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
    "под другим (ИМЯ~2.EXT и так далее), ничего не заменяя. Папка !!!Infected\n"
    "используется, только если она ваша (или администратора) и другие не могут\n"
    "в неё писать. Команды выполняются в папке, где лежит !!!Infected:\n"
    "  vireskand-scan --quarantine list\n"
    "                  по строке на файл: ИМЯ, ИСХОДНЫЙ-ПУТЬ, ВИРУС, ВРЕМЯ,\n"
    "                  РАЗМЕР, SHA256 через табуляцию; имена и пути - как в\n"
    "                  выводе проверки (\\t, \\n, \\r, \\\\, \\xNN), и ИМЯ\n"
    "                  для restore и purge можно взять оттуда\n"
    "  vireskand-scan --quarantine restore ИМЯ\n"
    "                  вернуть файл на исходный путь (недостающие папки\n"
    "                  создаются закрытыми, ссылки на пути не проходятся,\n"
    "                  существующий файл не заменяется, содержимое сверяется\n"
    "                  с SHA-256) и убрать запись\n"
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

// The stored name `given` stands for: itself, else the record's whose name
// the list or the record file shows so.
os::NativeName StoredName(const Quarantine& quarantine, const os::NativeName& given) {
  const std::vector<QuarantineRecord> records = quarantine.Records();
  for (const QuarantineRecord& r : records)
    if (r.stored == given) return given;
  const std::string text = NativeBytes(given);
  for (const QuarantineRecord& r : records)
    if (ConsolePath(fs::path(r.stored)) == text || EscapeName(r.stored) == text) return r.stored;
  return given;
}

}  // namespace

int RunQuarantineCommand(const os::CommandLine& args) {
  const os::NativeName command = args.size() > 1 ? args[1] : os::NativeName();
  const bool list = command == os::FromAscii("list");
  const bool restore = command == os::FromAscii("restore");
  const bool named = restore || command == os::FromAscii("purge");
  if ((!list && !named) || args.size() != (named ? 3u : 2u))
    return Fail(L"нужно --quarantine list, --quarantine restore ИМЯ или --quarantine purge ИМЯ");

  Quarantine quarantine;
  switch (quarantine.Open({}, false)) {
    case Quarantine::Opened::Yes: break;
    case Quarantine::Opened::Missing:
      if (list) return kDone;
      return Fail(L"в текущей папке нет папки карантина !!!Infected");
    case Quarantine::Opened::Refused: return Fail(quarantine.Refusal());
    case Quarantine::Opened::Failed: return Fail(L"не удалось открыть папку карантина !!!Infected");
  }
  if (list) {
    for (const QuarantineRecord& record : quarantine.Records()) Print(stdout, ListLine(record));
    return quarantine.Problem().empty() ? kDone : Fail(quarantine.Problem());
  }
  const os::NativeName name = StoredName(quarantine, args[2]);
  const std::wstring error = restore ? quarantine.Restore(name) : quarantine.Purge(name);
  return error.empty() ? kDone : Fail(error);
}

}  // namespace vsk
