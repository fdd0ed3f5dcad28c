// What a folder walk reports, recorded, and the two walks run as a scan
// run runs them: the fixture of the walk's tests.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/scan/FolderWalk.h"
#include "engine/text/Encoding.h"
#include "tests/TestUtil.h"

namespace vsk::test {
namespace fs = std::filesystem;

struct Row {
  int index;
  fs::path path;
  std::wstring result;
  RowIdentity identity;
};

class Recorder : public IScanSink, public ISoundPlayer {
 public:
  std::vector<Row> rows;
  std::vector<int> progress;
  std::vector<int> waves;
  // Every call in order, as text.
  std::vector<std::string> calls;
  std::function<void()> onRow;
  void InsertRow(int row, const fs::path& path, const std::wstring& result,
                 const RowIdentity& identity) override {
    EXPECT_EQ(row, static_cast<int>(rows.size()));
    rows.push_back({row, path, result, identity});
    calls.push_back("row " + std::to_string(row) + " " + ToUtf8(PathText(path)) + " " + ToUtf8(result));
    if (onRow) onRow();
  }
  void SetProgress(int position) override {
    progress.push_back(position);
    calls.push_back("progress " + std::to_string(position));
  }
  void SetStatus(const fs::path& path) override { calls.push_back("status " + ToUtf8(PathText(path))); }
  int PlayWave(int id, SoundMode) override {
    waves.push_back(id);
    calls.push_back("wave " + std::to_string(id));
    return 1;
  }
  std::map<std::wstring, int> Results() const {
    std::map<std::wstring, int> r;
    for (const Row& row : rows) ++r[row.result];
    return r;
  }
};

// Runs both walks as a scan run does.
struct Scan {
  Options options = DefaultOptions();
  VirusTable table = MakeTable({{"Evil", "EVIL-SIGNATURE"}, {"Вирус", "\x01\x02\x03\x04"}});
  ScanControl control;
  ScanCounters counters;
  Recorder rec;
  int counted = 0;
  int jobs = 1;

  void Run(const fs::path& folder) {
    SignatureMatcher matcher(table);
    WalkContext context{options, table, matcher, control, counters, rec, rec, jobs};
    if (!control.IsRunning()) control.Start();
    CountFiles(context, folder);
    counted = counters.filesChecked;
    counters = {};
    ScanFolder(context, folder);
  }
};

}  // namespace vsk::test
