#include "engine/FolderWalk.h"

#include "engine/Os.h"
#include "engine/Text1251.h"

namespace vsk {
namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
constexpr fs::path::value_type kSeparator = L'\\';
#else
constexpr fs::path::value_type kSeparator = '/';
#endif

wchar_t FoldCase(wchar_t c) {
  if (c >= L'A' && c <= L'Z') return c + 32;
  if (c >= 0x0410 && c <= 0x042F) return c + 32;
  if (c >= 0x0400 && c <= 0x040F) return c + 80;
  return c;
}

// Walks `folder` in file-system order, descending into subfolders (not into
// linked ones) when SubDir is on; `onFile` returns false to end this folder.
template <typename OnFile>
void Walk(const Options& options, const fs::path& folder, OnFile& onFile) {
  fs::path::string_type base = folder.native();
  if (base.empty() || base.back() != kSeparator) base += kSeparator;
  bool stopped = false;
  os::ListDirectory(folder, [&](const fs::path::string_type& name, os::EntryKind kind) {
    if (stopped) return;
    if (kind == os::EntryKind::Directory) {
      if (options.SubDir) Walk(options, fs::path(base + name), onFile);
    } else if (kind == os::EntryKind::File) {
      stopped = !onFile(fs::path(base + name));
    }
  });
}

}  // namespace

bool IsResultText(const std::wstring& text) {
  static const wchar_t* const kTexts[] = {
      L"",          result::kOk,        result::kCured,           result::kDeleted,
      result::kMoved, result::kRenamed, result::kIncurableDeleted, result::kIncurableMoved,
      result::kIncurableRenamed, result::kNotFound, result::kAccessError};
  for (const wchar_t* t : kTexts)
    if (text == t) return true;
  return false;
}

bool MatchesFileMask(const std::wstring& mask, const std::wstring& path) {
  const long k = static_cast<long>(mask.size()) - 2;
  if (k <= 0) return true;
  const size_t n = static_cast<size_t>(k);
  const std::wstring_view tail =
      std::wstring_view(path).substr(path.size() > n ? path.size() - n : 0);
  const std::wstring_view maskTail = std::wstring_view(mask).substr(mask.size() - n);
  if (tail.size() != maskTail.size()) return false;
  for (size_t i = 0; i < n; ++i)
    if (FoldCase(tail[i]) != FoldCase(maskTail[i])) return false;
  return true;
}

void CountFiles(ScanContext& context, const fs::path& folder) {
  auto onFile = [&](const fs::path& path) {
    if (MatchesFileMask(context.options.FileMask, PathText(path)))
      ++context.counters.filesChecked;
    return true;
  };
  Walk(context.options, folder, onFile);
}

void ScanFolder(ScanContext& context, const fs::path& folder) {
  const Options& options = context.options;
  ScanCounters& counters = context.counters;
  auto onFile = [&](const fs::path& path) {
    if (!context.control.Continue()) return false;
    context.currentFile = path;
    if (!MatchesFileMask(options.FileMask, PathText(path))) return true;
    context.sink.SetProgress(counters.filesChecked);
    context.sink.SetStatus(path);
    const int match = context.matcher.MatchFile(path, &context.control.RunningFlag());
    // A file cut short by a stop gets no row and is not counted.
    if (match == kMatchStopped) return false;
    if (options.FileOk) counters.nextRow = counters.filesChecked;
    if (match == kMatchUnreadable) {
      context.sink.InsertRow(counters.nextRow++, path, result::kAccessError);
    } else if (match == kMatchClean) {
      if (options.FileOk) context.sink.InsertRow(counters.nextRow, path, result::kOk);
    } else {
      context.sink.InsertRow(counters.nextRow++, path, context.table.Name(match));
      PlayIfOn(options, context.sound, wave::kVirusFound);
      ++counters.virusesFound;
    }
    ++counters.filesChecked;
    return true;
  };
  Walk(options, folder, onFile);
}

}  // namespace vsk
