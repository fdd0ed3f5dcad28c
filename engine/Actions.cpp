#include "engine/Actions.h"

#include <algorithm>
#include <cstdio>
#include <system_error>
#include <vector>

#include "engine/FileIo.h"
#include "engine/FolderWalk.h"
#include "engine/Os.h"
#include "engine/Text1251.h"

namespace vsk {
namespace fs = std::filesystem;

namespace {

bool Exists(const fs::path& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

void Leave(ActionContext& context, const CapturedRow& row, const wchar_t* text, int waveId) {
  context.rows.SetText(row.index, text);
  PlayIfOn(context.options, context.sound, waveId);
}

void LeaveFailure(ActionContext& context, const CapturedRow& row) {
  Leave(context, row, result::kAccessError, wave::kFailed);
}

bool SameContents(const fs::path& a, const fs::path& b) {
  FilePtr fa(OpenFile(a, "rb"));
  FilePtr fb(OpenFile(b, "rb"));
  if (!fa || !fb) return false;
  std::vector<char> ba(64 * 1024), bb(64 * 1024);
  for (;;) {
    const size_t na = std::fread(ba.data(), 1, ba.size(), fa.get());
    const size_t nb = std::fread(bb.data(), 1, bb.size(), fb.get());
    if (na != nb || !std::equal(ba.begin(), ba.begin() + static_cast<long>(na), bb.begin()))
      return false;
    if (na < ba.size()) return !std::ferror(fa.get()) && !std::ferror(fb.get());
  }
}

template <typename Plain>
void CureOr(ActionContext& context, const CapturedRow& row, Plain plain, const wchar_t* success,
            const wchar_t* incurable) {
  const int index = FindVirusByName(context.table, row.virusName);
  if (index < 0) return;
  if (context.table.curable[index]) {
    CureFile(row.path, index, row.index, context.rows, context.options, context.sound);
    return;
  }
  plain(context, row);
  if (context.rows.GetText(row.index) == success) context.rows.SetText(row.index, incurable);
}

}  // namespace

fs::path RenamedPath(const fs::path& path) {
  std::wstring text = PathText(path);
  if (PathText(path.filename()).size() < 3) return {};
  text[text.size() - 3] = L'#';
  return PathFromText(text);
}

bool CopyVerifyRemove(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  if (!fs::copy_file(from, to, fs::copy_options::none, ec)) return false;
  if (SameContents(from, to) && fs::remove(from, ec)) return true;
  fs::remove(to, ec);
  return false;
}

void DeleteInfected(ActionContext& context, const CapturedRow& row) {
  if (!context.questions.AskOkCancel(msg::kConfirmDelete, msg::kWarningCaption)) return;
  std::error_code ec;
  if (!fs::is_directory(fs::symlink_status(row.path, ec)) && fs::remove(row.path, ec))
    Leave(context, row, result::kDeleted, wave::kDeleted);
  else
    LeaveFailure(context, row);
}

void RenameInfected(ActionContext& context, const CapturedRow& row) {
  if (!Exists(row.path)) {
    Leave(context, row, result::kNotFound, wave::kFailed);
    return;
  }
  const fs::path renamed = RenamedPath(row.path);
  if (!renamed.empty() && os::MoveNoReplace(row.path, renamed) == os::MoveResult::Moved)
    Leave(context, row, result::kRenamed, wave::kRenamed);
  else
    LeaveFailure(context, row);
}

void MoveToQuarantine(ActionContext& context, const CapturedRow& row) {
  const fs::path folder = context.workFolder.empty() ? fs::path(kQuarantineFolder)
                                                     : context.workFolder / kQuarantineFolder;
  std::error_code ec;
  fs::create_directory(folder, ec);
  if (!Exists(row.path)) {
    Leave(context, row, result::kNotFound, wave::kFailed);
    return;
  }
  const fs::path target = folder / row.path.filename();
  if (Exists(target)) {
    // A file scanned inside the quarantine folder is already in its place;
    // replacing it would delete it.
    if (fs::equivalent(row.path, target, ec)) {
      Leave(context, row, result::kMoved, wave::kMoved);
      return;
    }
    if (!context.questions.AskOkCancel(msg::kConfirmReplaceInQuarantine, msg::kWarningCaption))
      return;
    fs::remove(target, ec);
  }
  bool moved = false;
  switch (os::MoveNoReplace(row.path, target)) {
    case os::MoveResult::Moved: moved = true; break;
    case os::MoveResult::OtherDevice: moved = CopyVerifyRemove(row.path, target); break;
    case os::MoveResult::Failed: break;
  }
  if (moved)
    Leave(context, row, result::kMoved, wave::kMoved);
  else
    LeaveFailure(context, row);
}

void CureOrDelete(ActionContext& context, const CapturedRow& row) {
  CureOr(context, row, DeleteInfected, result::kDeleted, result::kIncurableDeleted);
}

void CureOrRename(ActionContext& context, const CapturedRow& row) {
  CureOr(context, row, RenameInfected, result::kRenamed, result::kIncurableRenamed);
}

void CureOrMove(ActionContext& context, const CapturedRow& row) {
  CureOr(context, row, MoveToQuarantine, result::kMoved, result::kIncurableMoved);
}

}  // namespace vsk
