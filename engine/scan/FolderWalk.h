// The two walks of a scan run: CountFiles sizes the progress bar, ScanFolder
// matches every selected file and reports rows through an IScanSink.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "engine/containers/ArchiveLimits.h"
#include "engine/db/Matcher.h"
#include "engine/settings/Options.h"
#include "engine/os/FolderChain.h"
#include "engine/scan/RowIdentity.h"
#include "engine/scan/ScanControl.h"
#include "engine/scan/Texts.h"
#include "engine/scan/Waves.h"

namespace vsk {

struct ScanCounters {
  int filesChecked = 0;
  int virusesFound = 0;
  int nextRow = 0;
  long scanSeconds = 0;
  // Places not scanned: files that could not be opened or read to their
  // end, folders that could not be opened or listed. Each has its row.
  int skipped = 0;
  // The run was stopped before its end.
  bool stopped = false;
};


class IScanSink {
 public:
  virtual ~IScanSink() = default;
  // A new row at `row` (always the row after the last) with its two
  // columns, and which file it is about.
  virtual void InsertRow(int row, const std::filesystem::path& path, const std::wstring& result,
                         const RowIdentity& identity) = 0;
  virtual void SetProgress(int position) = 0;
  virtual void SetStatus(const std::filesystem::path& current) = 0;
  // The file about to be scanned, as its folder's path (ending in a
  // separator) and its name; a sink that shows no status overrides it to
  // spare the walk building the path.
  virtual void SetStatusEntry(const os::NativeName& folder, const os::NativeChar* name) {
    SetStatus(std::filesystem::path(folder + name));
  }
};

struct WalkContext {
  const Options& options;
  const VirusTable& table;
  const SignatureMatcher& matcher;
  ScanControl& control;
  ScanCounters& counters;
  IScanSink& sink;
  ISoundPlayer& sound;
  // Threads that match files; above 1, jobs - 1 helpers match while the
  // walk goes on, and rows, counters, progress and sounds come exactly as
  // with one.
  int jobs = 1;
  // How far files whose content is an archive are looked into.
  ArchiveLimits archive{};
};

// Scan threads by default: one per processor the process may use, at most
// this many, as the reading of files gains little beyond.
inline constexpr int kMaxDefaultScanJobs = 4;
int DefaultScanJobs();

// "*" and masks of up to two characters select every file; otherwise the
// last (length - 2) characters of path and mask are compared ignoring case,
// so "*.exe" selects SETUP.EXE and README.NOTEXE and "*.*" selects nothing.
bool MatchesFileMask(std::wstring_view mask, std::wstring_view path);

// Both walks descend into subfolders when SubDir is on, never into linked
// ones: a link or junction to a folder inside the tree is passed over (its
// files are scanned where they are), one that leads out of the tree is a
// skipped folder. A link to a file is scanned like the file.
void CountFiles(WalkContext& context, const std::filesystem::path& folder);
// A folder that cannot be opened or listed, and a file that cannot be opened
// or read to its end, or an archive with a member not read (unless a virus
// was found in what was read), get a row "Ошибка доступа-пропущен" and
// count as skipped; a virus in a member makes the archive's row infected,
// the member named in the row's identity; such a file counts as
// checked too, a folder does not. Once the running flag is cleared no
// further file is scanned and no row is added.
void ScanFolder(WalkContext& context, const std::filesystem::path& folder);
// One file the user named, whatever the mask says: its row, counters,
// progress and status as the walk gives them for a file. A link is
// followed, as the user chose it; anything but a regular file is not read
// and gets the row "Ошибка доступа-пропущен", as does a file that cannot be
// opened.
void ScanFile(WalkContext& context, const std::filesystem::path& file);

}  // namespace vsk
