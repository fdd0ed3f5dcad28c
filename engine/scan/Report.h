// The report file of a scan run: Russian lines in Windows-1251 with CR LF
// line ends, appended or replaced as ReportFileMode says.
#pragma once

#include <filesystem>
#include <string>

#include "engine/scan/FolderWalk.h"

namespace vsk {

// The results list as the report reads it; the row count is asked again
// before every row.
class IRowSource {
 public:
  virtual ~IRowSource() = default;
  virtual int RowCount() = 0;
  virtual std::wstring RowText(int row, int column) = 0;
  // False once rows were lost: a report without them is not written.
  virtual bool Kept() { return true; }
};

struct ReportStamp {
  int day = 1, month = 1, year = 2000, hour = 0, minute = 0;
  std::wstring computer, user;
};

// The local time and the computer and user names, taken now.
ReportStamp CurrentReportStamp();

// Best effort: false when the file cannot be written, or when its name holds
// a link, a FIFO, a device or a folder (refused without being opened), or
// when `rows` lost rows; a failed write leaves the file as it was (empty in
// mode 0). Each report goes in whole under a lock that other scans writing
// the file take too, so that appended reports never mix.
bool WriteReport(const std::filesystem::path& reportFile, const std::wstring& folder,
                 const ScanCounters& counters, int reportFileMode, IRowSource& rows,
                 const ReportStamp& stamp);

}  // namespace vsk
