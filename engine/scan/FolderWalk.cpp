#include "engine/scan/FolderWalk.h"

#include <algorithm>
#include <deque>

#include "engine/actions/CureMarker.h"
#include "engine/containers/ContentSearch.h"
#include "engine/os/File.h"
#include "engine/os/Folder.h"
#include "engine/os/System.h"
#include "engine/scan/ScanWorkers.h"
#include "engine/text/Encoding.h"

namespace vsk {
namespace fs = std::filesystem;

namespace {

wchar_t FoldCase(wchar_t c) {
  if (c >= L'A' && c <= L'Z') return c + 32;
  if (c >= 0x0410 && c <= 0x042F) return c + 32;
  if (c >= 0x0400 && c <= 0x040F) return c + 80;
  return c;
}

std::wstring NativeText(const os::NativeName& native) {
#ifdef _WIN32
  return native;
#else
  return FromUtf8(native);
#endif
}

// MatchesFileMask on the full path of `name` in `folder`. "*" needs no text
// at all; a longer mask mostly needs the name's alone.
bool Selects(const std::wstring& mask, const os::NativeName& folder, const os::NativeChar* name) {
  if (mask.size() <= 2) return true;
  const std::wstring text = NativeText(name);
  if (text.size() >= mask.size() - 2) return MatchesFileMask(mask, text);
  return MatchesFileMask(mask, NativeText(folder + name));
}

// The row of a file whose cure was cut short, or null when there was none.
const wchar_t* PendingText(PendingCure pending) {
  switch (pending) {
    case PendingCure::None: return nullptr;
    case PendingCure::Restored: return result::kCureUndone;
    case PendingCure::Refused: return result::kCureMarkerRefused;
    case PendingCure::Unresolved: return result::kCureUnresolved;
  }
  return nullptr;
}

// Walks a folder tree depth first in file-system order. The visitor's
// File(chain, name, linked, folderId) and FolderSkipped(path) return false
// to end the whole walk; folderId is known only to visitors that set
// kFolderIds, which scan: they also get Noted(path, text, skipped) for the
// files under a cure's marker.
template <typename Visitor>
class Walker {
 public:
  Walker(const Options& options, Visitor& visitor) : options_(options), visitor_(visitor) {}

  // False when the visitor ended the walk.
  bool Run(const fs::path& root) {
    if (!chain_.OpenRoot(root)) return visitor_.FolderSkipped(chain_.FolderPath());
    return Walk(0);
  }

 private:
  bool Walk(size_t depth) {
    if (listings_.size() <= depth) listings_.emplace_back();
    const os::FolderEntries& entries = listings_[depth];
    if (!chain_.List(listings_[depth]) && !visitor_.FolderSkipped(chain_.FolderPath()))
      return false;
    if constexpr (Visitor::kFolderIds)
      if (!ResolveMarked(listings_[depth])) return false;
    const os::FileId folderId = Visitor::kFolderIds ? chain_.FolderId() : os::FileId{};
    for (const os::FolderEntries::Entry& entry : entries.list) {
      const os::NativeChar* name = entries.Name(entry);
      if (entry.kind == os::Kind::File || entry.kind == os::Kind::FileLink) {
        if (!visitor_.File(chain_, name, entry.kind == os::Kind::FileLink, folderId)) return false;
      } else if (entry.kind == os::Kind::Folder && options_.SubDir) {
        if (!chain_.Enter(name)) {
          if (!visitor_.FolderSkipped(fs::path(chain_.Path() + name))) return false;
          continue;
        }
        const bool goOn = Walk(depth + 1);
        // A folder that cannot be found again on the way back: the rest of
        // it is out of reach.
        if (!chain_.Leave()) return goOn && visitor_.FolderSkipped(chain_.FolderPath());
        if (!goOn) return false;
      } else if (entry.kind == os::Kind::FolderLink && options_.SubDir &&
                 chain_.LeadsOutside(name)) {
        // Never followed: what lies behind it is not scanned, and says so.
        if (!visitor_.FolderSkipped(fs::path(chain_.Path() + name))) return false;
      }
    }
    return true;
  }

  // Files of the listing under the marker of a cure cut short
  // (engine/actions/CureMarker.h) are put back as they were before they
  // are scanned, and the folder is listed again without marker and copy;
  // one that cannot be is not scanned. Each gets a row of its own.
  bool ResolveMarked(os::FolderEntries& entries) {
    std::vector<std::pair<os::NativeName, PendingCure>> marked;
    for (const os::FolderEntries::Entry& entry : entries.list)
      if (entry.kind == os::Kind::File && IsCureMarkerName(entries.Name(entry)))
        marked.emplace_back(MarkedName(entries.Name(entry)), PendingCure::Unresolved);
    if (marked.empty()) return true;
    os::Folder folder;
    if (folder.Open(chain_.FolderPath()) && folder.Id() == chain_.FolderId())
      for (auto& [target, pending] : marked) pending = ResolvePendingCure(folder, target);
    chain_.List(entries);
    for (const auto& [target, pending] : marked) {
      if (pending == PendingCure::None) continue;
      const bool restored = pending == PendingCure::Restored;
      for (os::FolderEntries::Entry& entry : entries.list)
        if (!restored && target == entries.Name(entry)) entry.kind = os::Kind::Other;
      if (!visitor_.Noted(fs::path(chain_.Path() + target), PendingText(pending), !restored))
        return false;
    }
    return true;
  }

  const Options& options_;
  Visitor& visitor_;
  os::FolderChain chain_;
  std::deque<os::FolderEntries> listings_;  // one per depth, kept for reuse
};

struct Counter {
  static constexpr bool kFolderIds = false;
  WalkContext& context;

  bool File(os::FolderChain& chain, const os::NativeChar* name, bool, const os::FileId&) {
    if (Selects(context.options.FileMask, chain.Path(), name)) ++context.counters.filesChecked;
    return true;
  }
  bool FolderSkipped(const fs::path&) { return true; }
};

// What one scanned file or skipped folder turns into: counters, progress,
// status, rows and sounds, in walk order, on the walk's own thread.
struct Reporter {
  WalkContext& context;
  int folderRows = 0;

  // The file about to be matched, as the current one.
  void Announce(const os::NativeName& folder, const os::NativeChar* name) {
    context.sink.SetProgress(context.counters.filesChecked);
    context.sink.SetStatusEntry(folder, name);
  }

  void FileDone(const os::NativeName& folder, const os::NativeChar* name, int match,
                const RowIdentity& identity) {
    const Options& options = context.options;
    ScanCounters& counters = context.counters;
    if (options.FileOk) counters.nextRow = counters.filesChecked + folderRows;
    if (match == kMatchUnreadable) {
      // Not the file's identity: nothing in it is known to the actions.
      RowIdentity unread;
      unread.inside = identity.inside;
      context.sink.InsertRow(counters.nextRow++, fs::path(folder + name), result::kAccessError, unread);
      ++counters.skipped;
    } else if (match == kMatchClean) {
      if (options.FileOk)
        context.sink.InsertRow(counters.nextRow, fs::path(folder + name), result::kOk, identity);
    } else {
      context.sink.InsertRow(counters.nextRow++, fs::path(folder + name), context.table.Name(match),
                             identity);
      PlayIfOn(options, context.sound, wave::kVirusFound);
      ++counters.virusesFound;
    }
    ++counters.filesChecked;
  }

  void FolderDone(const fs::path& folder) { Note(folder, result::kAccessError, true); }

  // A row of its own, for a place not scanned (`skipped`) or a note.
  void Note(const fs::path& path, const wchar_t* text, bool skipped) {
    ScanCounters& counters = context.counters;
    if (context.options.FileOk) counters.nextRow = counters.filesChecked + folderRows;
    context.sink.InsertRow(counters.nextRow++, path, text, {});
    ++folderRows;
    counters.skipped += skipped;
  }
};

// Which file was opened, in which folder.
RowIdentity IdentityOf(const os::File& file, const os::FileId& folder) {
  RowIdentity identity{file.Identity(), folder, false, {}};
  identity.known = identity.file != os::FileId{} && folder != os::FileId{};
  return identity;
}

// One thread: each file is matched as the walk meets it.
struct Scanner {
  static constexpr bool kFolderIds = true;
  WalkContext& context;
  const ContentSearch& content;
  Reporter reporter{context};

  bool File(os::FolderChain& chain, const os::NativeChar* name, bool linked,
            const os::FileId& folderId) {
    if (!context.control.Continue()) return false;
    if (!Selects(context.options.FileMask, chain.Path(), name)) return true;
    reporter.Announce(chain.Path(), name);
    os::File file;
    const bool opened = chain.OpenFile(file, name, linked);
    std::wstring inside;
    const int match = opened ? content.Search(file, &context.control.RunningFlag(), inside) : kMatchUnreadable;
    // A file cut short by a stop gets no row and is not counted.
    if (match == kMatchStopped) return false;
    RowIdentity identity = opened ? IdentityOf(file, folderId) : RowIdentity{};
    identity.inside = std::move(inside);
    reporter.FileDone(chain.Path(), name, match, identity);
    return true;
  }

  bool FolderSkipped(const fs::path& folder) { return Noted(folder, result::kAccessError, true); }

  bool Noted(const fs::path& path, const wchar_t* text, bool skipped) {
    if (!context.control.Continue()) return false;
    reporter.Note(path, text, skipped);
    return true;
  }
};

// Helper threads match, and so does the walk's thread while it waits; the
// walk opens each file (its folder may be open only by handle) and reports
// the results in its own order. A stop or a pause is seen before every
// result, so no row follows a stop.
struct QueuedScanner {
  static constexpr bool kFolderIds = true;
  WalkContext& context;
  ScanWorkers& workers;
  Reporter reporter{context};

  bool File(os::FolderChain& chain, const os::NativeChar* name, bool linked,
            const os::FileId& folderId) {
    if (!context.control.Continue()) return false;
    if (!Selects(context.options.FileMask, chain.Path(), name)) return true;
    if (!MakeRoom()) return false;
    ScanWorkers::Job& job = workers.Next();
    job.folder = false;
    job.folderPath = chain.Path();
    job.name = name;
    job.file.emplace();
    job.identity = {};
    if (!chain.OpenFile(*job.file, name, linked)) {
      job.file.reset();
      job.match = kMatchUnreadable;
    } else {
      job.identity = IdentityOf(*job.file, folderId);
    }
    workers.Add();
    return Report(false);
  }

  bool FolderSkipped(const fs::path& folder) { return Noted(folder, result::kAccessError, true); }

  bool Noted(const fs::path& path, const wchar_t* text, bool skipped) {
    if (!context.control.Continue() || !MakeRoom()) return false;
    ScanWorkers::Job& job = workers.Next();
    job.folder = true;
    job.folderPath = path.native();
    job.note = text;
    job.skipped = skipped;
    job.file.reset();
    workers.Add();
    return Report(false);
  }

  // After the walk: the results still due.
  void Finish() {
    while (!workers.Empty())
      if (!Report(true)) return;
  }

 private:
  bool MakeRoom() {
    while (workers.Full())
      if (!Report(true)) return false;
    return true;
  }

  // Reports the results that are done, oldest first; with `wait`, waits for
  // the oldest. False once the run is stopped.
  bool Report(bool wait) {
    while (!workers.Empty()) {
      if (!context.control.Continue()) return false;
      ScanWorkers::Job& job = workers.Oldest();
      if (!job.folder && !job.announced) {
        reporter.Announce(job.folderPath, job.name.c_str());
        job.announced = true;
      }
      if (!workers.OldestDone(wait)) return true;
      wait = false;
      if (job.match == kMatchStopped) return false;
      if (job.folder)
        reporter.Note(fs::path(job.folderPath), job.note, job.skipped);
      else
        reporter.FileDone(job.folderPath, job.name.c_str(), job.match, job.identity);
      workers.Take();
    }
    return true;
  }
};

}  // namespace

bool IsResultText(const std::wstring& text) {
  static const wchar_t* const kTexts[] = {
      L"",          result::kOk,        result::kCured,           result::kDeleted,
      result::kMoved, result::kRenamed, result::kIncurableDeleted, result::kIncurableMoved,
      result::kIncurableRenamed, result::kNotFound, result::kAccessError, result::kCureUndone,
      result::kCureMarkerRefused, result::kCureUnresolved};
  for (const wchar_t* t : kTexts)
    if (text == t) return true;
  return false;
}

bool MatchesFileMask(std::wstring_view mask, std::wstring_view path) {
  const long k = static_cast<long>(mask.size()) - 2;
  if (k <= 0) return true;
  const size_t n = static_cast<size_t>(k);
  const std::wstring_view tail = path.substr(path.size() > n ? path.size() - n : 0);
  const std::wstring_view maskTail = mask.substr(mask.size() - n);
  if (tail.size() != maskTail.size()) return false;
  for (size_t i = 0; i < n; ++i)
    if (FoldCase(tail[i]) != FoldCase(maskTail[i])) return false;
  return true;
}

void CountFiles(WalkContext& context, const fs::path& folder) {
  Counter counter{context};
  Walker<Counter>(context.options, counter).Run(folder);
}

void ScanFolder(WalkContext& context, const fs::path& folder) {
  const ContentSearch content(context.matcher, context.archive);
  if (context.jobs > 1) {
    ScanWorkers workers(content, context.control.RunningFlag(), context.jobs - 1);
    if (workers.Helpers() > 0) {
      QueuedScanner scanner{context, workers};
      if (Walker<QueuedScanner>(context.options, scanner).Run(folder)) scanner.Finish();
      return;
    }
  }
  Scanner scanner{context, content};
  Walker<Scanner>(context.options, scanner).Run(folder);
}

void ScanFile(WalkContext& context, const fs::path& file) {
  if (!context.control.Continue()) return;
  // The whole path as the name, in no folder: the row shows it as given.
  const os::NativeName none;
  Reporter reporter{context};
  reporter.Announce(none, file.c_str());
  // The folder that holds the name, as an action will open it.
  os::Folder folder;
  const bool inFolder = folder.Open(file.parent_path());
  const PendingCure pending =
      inFolder ? ResolvePendingCure(folder, file.filename().native()) : PendingCure::None;
  if (pending != PendingCure::None)
    reporter.Note(file, PendingText(pending), pending != PendingCure::Restored);
  if (pending != PendingCure::None && pending != PendingCure::Restored) return;
  // Through the folder held above, so that the row's folder and file are
  // the ones read even when a parent is swapped meanwhile.
  os::File input;
  const os::Error open =
      inFolder ? input.OpenTarget(folder, file.filename().native()) : input.Open(file);
  const bool opened = open == os::Error::None;
  const ContentSearch content(context.matcher, context.archive);
  std::wstring inside;
  const int match = opened ? content.Search(input, &context.control.RunningFlag(), inside) : kMatchUnreadable;
  if (match == kMatchStopped) return;
  const os::FileId folderId = opened && inFolder ? folder.Id() : os::FileId{};
  RowIdentity identity = opened ? IdentityOf(input, folderId) : RowIdentity{};
  identity.inside = std::move(inside);
  reporter.FileDone(none, file.c_str(), match, identity);
}

int DefaultScanJobs() { return std::min(os::UsableProcessors(), kMaxDefaultScanJobs); }

}  // namespace vsk
