// The scan as the console shows it: a line per row on stdout, progress on
// stderr when that is a terminal.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/ReportRowStore.h"
#include "engine/actions/ActionContext.h"
#include "engine/scan/ScanRun.h"

namespace vsk {

// Prints each row as it comes. Only infected rows stay in memory, for the
// actions; with a report every row also goes to a temporary file, from
// which the report reads them back.
class ConsoleView : public IScanView, public IResultRows {
 public:
  struct Infected {
    std::filesystem::path path;
    std::wstring result;
    RowIdentity identity;
  };

  ConsoleView(bool progress, bool report);

  void InsertRow(int, const std::filesystem::path& path, const std::wstring& result,
                 const RowIdentity& identity) override;
  void SetProgress(int position) override { done_ = position; }
  void SetStatus(const std::filesystem::path& current) override;
  void SetStatusEntry(const std::filesystem::path::string_type& folder,
                      const std::filesystem::path::value_type* name) override;
  void ShowStatusText(const std::wstring&) override { ClearProgress(); }
  void SetProgressRange(int files) override { total_ = files; }
  void ShowIdleLook() override {}
  void ShowSummary(const ScanCounters& counters) override;
  // Printed after the report, so that a report failure comes first.
  const std::wstring& Summary() const { return summary_; }
  // False when the report's rows could not be kept.
  bool RowsKept() const { return !reportRows_ || reportRows_->Ok(); }

  int RowCount() override { return rows_; }
  std::wstring RowText(int row, int column) override;
  bool Kept() override { return RowsKept(); }

  const std::vector<Infected>& InfectedRows() const { return infected_; }
  std::wstring GetText(int row) override { return infected_[row].result; }
  void SetText(int row, const std::wstring& text) override { infected_[row].result = text; }

 private:
  void ShowProgress(const std::filesystem::path& current);
  bool ProgressDue();
  void ClearProgress();

  int rows_ = 0;
  std::vector<Infected> infected_;
  int total_ = 0;
  int done_ = 0;
  bool progress_;
  size_t shown_ = 0;  // characters of the progress line on screen
  bool everShown_ = false;
  uint64_t lastShown_ = 0;
  std::unique_ptr<ReportRowStore> reportRows_;
  std::wstring summary_;
};

}  // namespace vsk
