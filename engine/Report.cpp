#include "engine/Report.h"

#include <cstdio>

#include "engine/FileIo.h"
#include "engine/Os.h"
#include "engine/Text1251.h"

namespace vsk {

ReportStamp CurrentReportStamp() {
  const os::LocalTime t = os::Now();
  return {t.day, t.month, t.year, t.hour, t.minute, os::ComputerName(), os::UserName()};
}

namespace {

// Writes `text` in 1251 with every line feed as CR LF.
bool Put(std::FILE* f, const std::wstring& text) {
  std::string bytes;
  for (char c : Encode1251(text)) {
    if (c == '\n') bytes.push_back('\r');
    bytes.push_back(c);
  }
  return std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
}

std::wstring TwoDigits(int v) { return (v < 10 ? L"0" : L"") + std::to_wstring(v); }

// A path or name on one line of the report: control characters, CR and LF
// among them, become '?', as do characters 1251 cannot spell.
std::wstring OnOneLine(std::wstring text) {
  for (wchar_t& c : text)
    if (c < L' ' || c == 0x7F) c = L'?';
  return text;
}

}  // namespace

bool WriteReport(const std::filesystem::path& reportFile, const std::wstring& folder,
                 const ScanCounters& counters, int reportFileMode, IRowSource& rows,
                 const ReportStamp& stamp) {
  FilePtr f(OpenFile(reportFile, reportFileMode ? "ab" : "wb"));
  if (!f) return false;
  std::wstring year = std::to_wstring(stamp.year);
  year.insert(0, year.size() < 4 ? 4 - year.size() : 0, L'0');
  bool ok = Put(f.get(), L"Vireskand 2.2 Файл отчёта:\n") &&
            Put(f.get(), L"------------------------------------\n\n") &&
            Put(f.get(), L"Дата: " + TwoDigits(stamp.day) + L"." + TwoDigits(stamp.month) +
                             L"." + year + L"\tВремя: " + TwoDigits(stamp.hour) + L":" +
                             TwoDigits(stamp.minute) + L"\n\n") &&
            Put(f.get(), L"Имя компьютера :\t\t" + stamp.computer + L"\n") &&
            Put(f.get(), L"Имя пользователя :\t" + stamp.user + L"\n") &&
            Put(f.get(), L"Путь для проверки:\t" + OnOneLine(folder) + L"\n") &&
            Put(f.get(), L"Файлов проверено:\t" + std::to_wstring(counters.filesChecked) + L"\n") &&
            Put(f.get(), L"Вирусов обнаружено:\t" + std::to_wstring(counters.virusesFound) + L"\n") &&
            Put(f.get(), L"Время проверки:\t\t" + std::to_wstring(counters.scanSeconds) + L"\n") &&
            Put(f.get(), L"\nСписок проверенных файлов:\n");
  for (int row = 0; ok && row < rows.RowCount(); ++row)
    ok = Put(f.get(), OnOneLine(rows.RowText(row, 0)) + L"\t\t" + OnOneLine(rows.RowText(row, 1)) + L"\n");
  ok = ok && Put(f.get(), L"\nКонец списка.\n\n\n\n");
  return std::fclose(f.release()) == 0 && ok;
}

}  // namespace vsk
