#include "cli/ConsoleView.h"

#include <cstdio>

#include "cli/ConsoleText.h"
#include "engine/os/System.h"
#include "engine/scan/FolderWalk.h"
#include "engine/text/Encoding.h"

namespace vsk {
namespace fs = std::filesystem;

namespace {

// Progress is redrawn at most this often.
constexpr uint64_t kProgressMilliseconds = 100;

// A UTF-8 continuation byte, or the second half of a UTF-16 pair.
template <typename Char>
bool IsInsideCharacter(Char c) {
  if constexpr (sizeof(Char) == 1) return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
  return c >= 0xDC00 && c < 0xE000;
}

// The last characters of a long path, for the one-line progress.
std::string ProgressName(const fs::path& path) {
  constexpr size_t kShown = 57;
  const fs::path::string_type& native = path.native();
  if (native.size() <= kShown + 3) return ConsolePath(path);
  size_t cut = native.size() - kShown;
  while (cut < native.size() && IsInsideCharacter(native[cut])) ++cut;
  return "..." + ConsolePath(fs::path(native.substr(cut)));
}

}  // namespace

ConsoleView::ConsoleView(bool progress, bool report)
    : progress_(progress), reportRows_(report ? std::make_unique<ReportRowStore>() : nullptr) {}

void ConsoleView::InsertRow(int, const fs::path& path, const std::wstring& result,
                            const RowIdentity& identity) {
  ClearProgress();
  // An archive's row names the member after a third tab.
  const std::string inside = identity.inside.empty() ? "" : "\t" + ConsoleText(identity.inside);
  Print(stdout, ConsolePath(path) + "\t" + ConsoleText(result) + inside + "\n");
  std::fflush(stdout);
  ++rows_;
  if (reportRows_) reportRows_->Add(PathText(path), result);
  if (!IsResultText(result)) infected_.push_back({path, result, identity});
}

void ConsoleView::SetStatus(const fs::path& current) {
  if (ProgressDue()) ShowProgress(current);
}

void ConsoleView::SetStatusEntry(const fs::path::string_type& folder,
                                 const fs::path::value_type* name) {
  if (ProgressDue()) ShowProgress(fs::path(folder + name));
}

void ConsoleView::ShowSummary(const ScanCounters& counters) {
  summary_ = L"\nФайлов проверено: " + std::to_wstring(counters.filesChecked) +
             L"\nВирусов обнаружено: " + std::to_wstring(counters.virusesFound) +
             L"\n" + kSkippedLabel + std::to_wstring(counters.skipped) +
             L"\nВремя проверки: " + std::to_wstring(counters.scanSeconds) + L" с\n";
}

std::wstring ConsoleView::RowText(int row, int column) {
  return reportRows_ ? reportRows_->Text(row, column) : L"";
}

void ConsoleView::ShowProgress(const fs::path& current) {
  ClearProgress();
  std::string line = "[";
  line += std::to_string(done_) + "/" + std::to_string(total_) + "] " + ProgressName(current);
  Print(stderr, line);
  shown_ = FromUtf8(line).size();
}

bool ConsoleView::ProgressDue() {
  if (!progress_) return false;
  const uint64_t now = os::TickCount();
  if (everShown_ && now - lastShown_ < kProgressMilliseconds) return false;
  everShown_ = true;
  lastShown_ = now;
  return true;
}

void ConsoleView::ClearProgress() {
  if (shown_) Print(stderr, ClearLine(shown_));
  shown_ = 0;
}

}  // namespace vsk
