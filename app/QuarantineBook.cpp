#include "app/QuarantineBook.h"

#include <iterator>
#include <system_error>

#include "engine/actions/Quarantine.h"
#include "engine/text/Encoding.h"

namespace vsk {
namespace fs = std::filesystem;

namespace {

// More failures than this are counted, not listed: the box must fit.
constexpr size_t kListedFailures = 10;

std::wstring CannotOpen(const fs::path& folder) {
  return L"Не удалось открыть папку карантина:\n" + PathText(folder);
}

}  // namespace

fs::path QuarantineBook::FolderPath() const {
  std::error_code ec;
  const fs::path folder = fs::absolute(m_dataFolder / kQuarantineFolder, ec);
  return ec ? m_dataFolder / kQuarantineFolder : folder;
}

std::wstring QuarantineBook::Load() {
  m_rows.clear();
  Quarantine quarantine;
  switch (quarantine.Open(m_dataFolder, false)) {
    case Quarantine::Opened::Yes: break;
    case Quarantine::Opened::Missing: return {};
    case Quarantine::Opened::Refused: return quarantine.Refusal();
    case Quarantine::Opened::Failed: return CannotOpen(FolderPath());
  }
  for (const QuarantineRecord& r : quarantine.Records())
    m_rows.push_back({r.stored, PathText(r.original), r.virus, QuarantineDateText(r.time),
                      QuarantineSizeText(r.size)});
  return quarantine.Problem();
}

std::wstring QuarantineBook::Restore(const std::vector<size_t>& rows) { return Apply(rows, true); }
std::wstring QuarantineBook::Purge(const std::vector<size_t>& rows) { return Apply(rows, false); }

std::wstring QuarantineBook::Apply(const std::vector<size_t>& rows, bool restore) {
  std::vector<os::NativeName> names;
  for (size_t row : rows)
    if (row < m_rows.size()) names.push_back(m_rows[row].stored);
  if (names.empty()) return {};
  std::vector<std::wstring> failures;
  Quarantine quarantine;
  switch (quarantine.Open(m_dataFolder, false)) {
    case Quarantine::Opened::Yes:
      for (const os::NativeName& name : names) {
        std::wstring error = restore ? quarantine.Restore(name) : quarantine.Purge(name);
        if (!error.empty()) failures.push_back(std::move(error));
      }
      break;
    case Quarantine::Opened::Refused: failures.push_back(quarantine.Refusal()); break;
    case Quarantine::Opened::Missing:
    case Quarantine::Opened::Failed: failures.push_back(CannotOpen(FolderPath())); break;
  }
  // The list shows what is there now, whatever went wrong.
  const std::wstring problem = Load();
  if (failures.empty()) return problem;
  std::wstring text = restore ? L"Не все файлы удалось восстановить:" : L"Не все файлы удалось удалить:";
  for (size_t i = 0; i < failures.size() && i < kListedFailures; ++i) text += L"\n\n" + failures[i];
  if (failures.size() > kListedFailures)
    text += L"\n\nИ ещё файлов: " + std::to_wstring(failures.size() - kListedFailures) + L".";
  return text;
}

std::wstring QuarantineDateText(const std::string& utc) {
  const std::wstring text = FromUtf8(utc);
  // 2024-05-06T07:08:09Z
  if (text.size() != 20 || text[4] != L'-' || text[7] != L'-' || text[10] != L'T' ||
      text[19] != L'Z')
    return text;
  return text.substr(8, 2) + L"." + text.substr(5, 2) + L"." + text.substr(0, 4) + L" " +
         text.substr(11, 8);
}

std::wstring QuarantineSizeText(uint64_t bytes) {
  if (bytes < 1024) return std::to_wstring(bytes) + L" байт";
  static const wchar_t* const units[] = {L"КБ", L"МБ", L"ГБ", L"ТБ"};
  // Tenths of the unit, rounded down, so 1023.99 KB never reads "1024,0 КБ".
  uint64_t whole = bytes;
  size_t unit = 0;
  uint64_t tenths = 0;
  do {
    tenths = whole % 1024 * 10 / 1024;
    whole /= 1024;
    ++unit;
  } while (whole >= 1024 && unit < std::size(units));
  return std::to_wstring(whole) + L"," + std::to_wstring(tenths) + L" " + units[unit - 1];
}

std::wstring PurgeQuestion(size_t count, const std::wstring& first) {
  if (count == 1) return L"Удалить файл навсегда? Его нельзя будет восстановить.\n" + first;
  return L"Удалить навсегда выбранные файлы (" + std::to_wstring(count) +
         L")? Их нельзя будет восстановить.";
}

std::wstring QuarantineCountText(size_t count) {
  if (count == 0) return L"Карантин пуст.";
  return L"Файлов в карантине: " + std::to_wstring(count);
}

}  // namespace vsk
