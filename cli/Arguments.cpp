#include "cli/Arguments.h"

#include <functional>
#include <utility>

#include "engine/actions/Actions.h"
#include "engine/text/Encoding.h"

namespace vsk {

const char kUsage[] =
    "Использование: vireskand-scan [параметры] [--] ПАПКА|ФАЙЛ\n"
    "\n"
    "Проверяет файлы папки (или один файл) по сигнатурам вирусной базы и\n"
    "печатает по строке на каждый найденный файл: путь, табуляция, результат\n"
    "или имя вируса. Названный файл проверяется, какой бы ни была маска.\n"
    "\n"
    "  --db ФАЙЛ       вирусная база (по умолчанию VirusBase.vbf в текущей папке)\n"
    "  --subdirs       проверять и вложенные папки\n"
    "  --mask МАСКА    маска файлов, например *.exe (по умолчанию * - все файлы)\n"
    "  --ok            выводить и чистые файлы (результат OK)\n"
    "  --report ФАЙЛ   записать протокол проверки в ФАЙЛ (Windows-1251)\n"
    "  --append        дописывать протокол в конец файла (по умолчанию)\n"
    "  --overwrite     заменять протокол\n"
    "  --action ДЕЙСТВИЕ  после проверки применить к каждому заражённому файлу:\n"
    "                  delete, rename, move (в папку !!!Infected текущей папки),\n"
    "                  cure-or-delete, cure-or-rename, cure-or-move (сначала\n"
    "                  лечить, неизлечимые удалить, переименовать, переместить);\n"
    "                  печатается новый результат каждого файла\n"
    "  --yes           отвечать OK на вопросы действий (иначе - Отмена)\n"
    "  --jobs N        проверять файлы в N потоков (по умолчанию по числу\n"
    "                  ядер, не больше 4); строки и итоги те же, что при 1\n"
    "  --archive-depth N    уровней вложенности архивов (по умолчанию 5;\n"
    "                  0 - в архивы не заглядывать)\n"
    "  --archive-members N  файлов в одном архиве (по умолчанию 65535)\n"
    "  --archive-size МБ    распаковывать из одного файла не больше (по\n"
    "                  умолчанию 4096 МБ)\n"
    "  --scan-archive-size МБ  распаковывать за всю проверку не больше (по\n"
    "                  умолчанию 65536 МБ)\n"
    "  --archive-ratio N    степень сжатия файла в архиве, выше которой он\n"
    "                  не распаковывается дальше (по умолчанию 250; после\n"
    "                  первого МБ)\n"
    "  --help          эта справка\n"
    "  --              дальше только путь для проверки, даже если он\n"
    "                  начинается с -\n"
    "\n"
    "Ссылка на файл проверяется как сам файл. В папки по ссылкам (и точкам\n"
    "соединения) проверка не заходит: ссылка на папку внутри проверяемой\n"
    "пропускается (её файлы проверяются на своём месте), ссылка за её\n"
    "пределы выводится с результатом Ошибка доступа-пропущен и считается\n"
    "пропущенной. Каналы и устройства не открываются.\n"
    "\n"
    "Архивы ZIP (без сжатия и Deflate, ZIP64) и GZIP узнаются по\n"
    "содержимому, а не по имени; каждый файл в архиве (и во вложенных\n"
    "архивах) проверяется отдельно, а весь архив - ещё и как байты. Строка\n"
    "архива с вирусом внутри: путь, табуляция, имя вируса, табуляция, путь\n"
    "файла в архиве (уровни вложенности через ::, например\n"
    "inner.zip::setup.exe). Если файл в архиве не прочитан\n"
    "(зашифрован, метод сжатия не поддерживается - bzip2, LZMA, Deflate64 и\n"
    "др., архив повреждён, записи перекрываются, превышен предел), строка\n"
    "архива - Ошибка доступа-пропущен, в третьем столбце - файл и причина;\n"
    "архив считается пропущенным. Действия применяются ко всему архиву;\n"
    "лечение архива не выполняется - он неизлечим.\n"
    "\n"
    "Пути и имена выводятся так, что каждая строка - ровно один файл:\n"
    "табуляция - \\t, перевод строки - \\n, возврат каретки - \\r, обратная\n"
    "косая черта - \\\\, прочие управляющие символы (и меняющие направление\n"
    "текста, и разделители строк U+2028, U+2029) и байты, не составляющие\n"
    "UTF-8, - \\xNN (по байту). Так же выводятся ход проверки и ошибки.\n"
    "\n"
    "Код возврата: 1 - найден вирус (и после --action); иначе 2 - что-то\n"
    "не проверено (папка или файл без доступа, файл не прочитан до конца)\n"
    "или ошибка (база, папка, параметры, протокол не записан); иначе 0.\n";

namespace {

// A whole number from `low` to `high`, written in decimal.
bool ReadNumber(const std::wstring& text, uint64_t low, uint64_t high, uint64_t& out) {
  if (text.empty() || text.size() > 12 || text.find_first_not_of(L"0123456789") != std::wstring::npos)
    return false;
  out = std::stoull(text);
  return out >= low && out <= high;
}

// The archive limits' options: false when `a` is none of them, else
// `error` tells what is wrong with its value.
bool ArchiveOption(const std::wstring& a, const std::function<bool(std::wstring&)>& value,
                   ArchiveLimits& limits, std::wstring& error) {
  constexpr uint64_t kMiB = uint64_t{1} << 20, kMaxMiB = uint64_t{1} << 40;
  struct Limit {
    const wchar_t* name;
    uint64_t low, high, unit;
    uint64_t* into;
  };
  uint64_t depth = 0;
  const Limit kLimits[] = {{L"--archive-depth", 0, 64, 1, &depth},
                           {L"--archive-members", 1, uint64_t{1} << 32, 1, &limits.members},
                           {L"--archive-size", 1, kMaxMiB, kMiB, &limits.archiveBytes},
                           {L"--scan-archive-size", 1, kMaxMiB, kMiB, &limits.scanBytes},
                           {L"--archive-ratio", 1, 1u << 20, 1, &limits.ratio}};
  for (const Limit& l : kLimits) {
    if (a != l.name) continue;
    std::wstring v;
    uint64_t n = 0;
    if (!value(v) || !ReadNumber(v, l.low, l.high, n)) {
      error = L"после " + a + L" нужно число от " + std::to_wstring(l.low) + L" до " +
              std::to_wstring(l.high);
    } else {
      *l.into = n * l.unit;
      if (l.into == &depth) limits.depth = static_cast<int>(depth);
    }
    return true;
  }
  return false;
}

Action FindAction(const std::wstring& name) {
  static const std::pair<const wchar_t*, Action> kActions[] = {
      {L"delete", DeleteInfected},        {L"rename", RenameInfected},
      {L"move", MoveToQuarantine},        {L"cure-or-delete", CureOrDelete},
      {L"cure-or-rename", CureOrRename},  {L"cure-or-move", CureOrMove}};
  for (const auto& [n, action] : kActions)
    if (name == n) return action;
  return nullptr;
}

}  // namespace

std::wstring ParseArguments(const os::CommandLine& args, Arguments& out) {
  out.options.Sound = 0;
  out.options.ReportToFile = 0;
  out.options.Report = 1;
  bool haveTarget = false;
  bool options = true;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::wstring a = PathText(std::filesystem::path(args[i]));
    // A value that names a file keeps its own bytes; one that names
    // nothing may go through text.
    auto name = [&](std::filesystem::path& into) {
      if (i + 1 >= args.size()) return false;
      into = std::filesystem::path(args[++i]);
      return true;
    };
    auto value = [&](std::wstring& into) {
      if (i + 1 >= args.size()) return false;
      into = PathText(std::filesystem::path(args[++i]));
      return true;
    };
    std::wstring v;
    if (!options || a.empty() || a[0] != L'-' || a == L"-") {
      if (haveTarget) return L"путь для проверки указан дважды: " + a;
      out.targetText = a;
      out.target = std::filesystem::path(args[i]);
      haveTarget = true;
    } else if (a == L"--") {
      options = false;
    } else if (a == L"--help" || a == L"-h") {
      out.help = true;
    } else if (a == L"--subdirs") {
      out.options.SubDir = 1;
    } else if (a == L"--ok") {
      out.options.FileOk = 1;
    } else if (a == L"--append") {
      out.options.ReportFileMode = 1;
    } else if (a == L"--overwrite") {
      out.options.ReportFileMode = 0;
    } else if (a == L"--mask") {
      if (!value(out.options.FileMask)) return L"после --mask нужна маска";
    } else if (a == L"--db") {
      if (!name(out.database)) return L"после --db нужно имя файла";
    } else if (a == L"--jobs") {
      if (!value(v) || v.empty() || v.size() > 2 ||
          v.find_first_not_of(L"0123456789") != std::wstring::npos ||
          (out.jobs = std::stoi(v)) < 1 || out.jobs > kMaxJobs)
        return L"после --jobs нужно число потоков от 1 до " + std::to_wstring(kMaxJobs);
    } else if (a == L"--yes") {
      out.yes = true;
    } else if (a == L"--action") {
      if (!value(v)) return L"после --action нужно действие";
      out.action = FindAction(v);
      if (!out.action) return L"неизвестное действие " + v;
    } else if (std::wstring e; ArchiveOption(a, value, out.archive, e)) {
      if (!e.empty()) return e;
    } else if (a == L"--report") {
      if (!name(out.reportPath)) return L"после --report нужно имя файла";
      out.reportFile = PathText(out.reportPath);
      out.options.ReportFileName = out.reportFile;
      out.options.ReportToFile = 1;
    } else {
      return L"неизвестный параметр " + a;
    }
  }
  if (!out.help && !haveTarget) return L"не указана папка или файл для проверки";
  return {};
}

#ifndef _WIN32
std::wstring ParseArguments(const std::vector<std::wstring>& args, Arguments& out) {
  os::CommandLine native;
  for (const std::wstring& a : args) native.push_back(PathFromText(a).native());
  return ParseArguments(native, out);
}
#endif

}  // namespace vsk
