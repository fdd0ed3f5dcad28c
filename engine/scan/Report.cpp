#include "engine/scan/Report.h"

#include <chrono>
#include <string>
#include <thread>

#include "engine/os/File.h"
#include "engine/os/Lock.h"
#include "engine/os/Folder.h"
#include "engine/os/System.h"
#include "engine/text/Encoding.h"

namespace vsk {

ReportStamp CurrentReportStamp() {
  const os::LocalTime t = os::Now();
  return {t.day, t.month, t.year, t.hour, t.minute, os::ComputerName(), os::UserName()};
}

namespace {

// How long a report waits for another scan to finish writing the file.
constexpr int kReportLockWait = 10000;

// Appends `text` in 1251 with every line feed as CR LF.
void Put(std::string& out, const std::wstring& text) {
  for (char c : Encode1251(text)) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
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
  std::wstring year = std::to_wstring(stamp.year);
  year.insert(0, year.size() < 4 ? 4 - year.size() : 0, L'0');
  std::string text;
  Put(text, L"Vireskand 2.2 Файл отчёта:\n");
  Put(text, L"------------------------------------\n\n");
  Put(text, L"Дата: " + TwoDigits(stamp.day) + L"." + TwoDigits(stamp.month) + L"." + year +
                L"\tВремя: " + TwoDigits(stamp.hour) + L":" + TwoDigits(stamp.minute) + L"\n\n");
  Put(text, L"Имя компьютера :\t\t" + stamp.computer + L"\n");
  Put(text, L"Имя пользователя :\t" + stamp.user + L"\n");
  Put(text, L"Путь для проверки:\t" + OnOneLine(folder) + L"\n");
  Put(text, L"Файлов проверено:\t" + std::to_wstring(counters.filesChecked) + L"\n");
  Put(text, L"Вирусов обнаружено:\t" + std::to_wstring(counters.virusesFound) + L"\n");
  Put(text, L"Время проверки:\t\t" + std::to_wstring(counters.scanSeconds) + L"\n");
  Put(text, L"\nСписок проверенных файлов:\n");

  // A link, FIFO, device or folder at the name is refused without being
  // opened; what a failed write added is cut off again.
  const os::NativeName name = reportFile.filename().native();
  os::Folder place;
  os::File file;
  bool created = false;
  if (!rows.Kept() || name.empty() || !place.Open(reportFile.parent_path())) return false;
  // Windows lets one writer open the file at a time: the others wait.
  os::Error opened = file.OpenOrCreate(place, name, created);
  for (int waited = 0; opened == os::Error::Busy && waited < kReportLockWait; waited += 10) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    opened = file.OpenOrCreate(place, name, created);
  }
  if (opened != os::Error::None) return false;
  // The end of the file is read once no other scan is writing it.
  os::FileLock lock;
  const bool locked = lock.Take(file, kReportLockWait);
  const long long before = !locked ? -1 : reportFileMode ? file.Size() : 0;
  bool written = before >= 0 && (reportFileMode || file.Truncate(0));
  // Written in pieces, so that a list of every file needs no more memory.
  uint64_t at = static_cast<uint64_t>(before);
  auto flush = [&] {
    written = written && file.WriteAt(at, text.data(), text.size());
    at += text.size();
    text.clear();
  };
  for (int row = 0; written && row < rows.RowCount(); ++row) {
    Put(text, OnOneLine(rows.RowText(row, 0)) + L"\t\t" + OnOneLine(rows.RowText(row, 1)) + L"\n");
    if (text.size() >= 64 * 1024) flush();
  }
  Put(text, L"\nКонец списка.\n\n\n\n");
  flush();
  written = written && rows.Kept();
  if (written && file.Flush()) return true;
  if (created && locked) {
    const os::FileId id = file.Id();
    file.Close();
    place.Remove(name, id);
  } else if (before >= 0) {
    file.Truncate(static_cast<uint64_t>(before));
  }
  return false;
}

}  // namespace vsk
