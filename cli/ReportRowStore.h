// The rows of a scan kept for its report in a temporary file rather than in
// memory, so that listing every clean file costs no memory per file. Rows
// are added during the walk and read back once, in order, by the report.
#pragma once

#include <cstdio>
#include <string>

namespace vsk {

class ReportRowStore {
 public:
  ReportRowStore();
  ReportRowStore(const ReportRowStore&) = delete;
  ReportRowStore& operator=(const ReportRowStore&) = delete;
  ~ReportRowStore();

  void Add(const std::wstring& path, const std::wstring& result);
  int Count() const { return count_; }
  // Column 0 (path) or 1 (result) of row `row`; reading goes forward, a
  // row before the last one read starts over from the first.
  std::wstring Text(int row, int column);
  // False once the file could not be made, written or read back: the
  // report would then lack rows.
  bool Ok() const { return ok_; }

 private:
  bool ReadNext();

  std::FILE* file_ = nullptr;
  int count_ = 0;
  int current_ = -1;  // the row held in columns_
  bool reading_ = false;
  bool ok_ = true;
  std::wstring columns_[2];
};

}  // namespace vsk
