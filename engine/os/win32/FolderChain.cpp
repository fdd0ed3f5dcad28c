#include <windows.h>

#include <cwchar>
#include <vector>

#include "engine/os/FolderChain.h"
#include "engine/os/File.h"
#include "engine/os/Names.h"
#include "engine/os/win32/Win32.h"

namespace vsk::os {

using win32::H;
using win32::Handle;

namespace {

// A walk lists its folders and opens what they hold; their security it
// never reads.
constexpr DWORD kWalkAccess = win32::kListAccess;

bool Identify(HANDLE h, FileId& id) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h, &info)) return false;
  id = win32::IdOf(info);
  return true;
}

}  // namespace

// Every level stays open: a process has handles for any depth a path of
// 32,767 characters allows.
struct FolderChain::Level {
  intptr_t handle = -1;  // -1 when the root could not be opened
  FileId id;
  size_t pathLength = 0;  // of path_, with this folder's separator
};

FolderChain::FolderChain() = default;

FolderChain::~FolderChain() {
  for (const Level& level : levels_)
    if (level.handle != -1) CloseHandle(H(level.handle));
}

bool FolderChain::OpenRoot(const std::filesystem::path& root) {
  for (const Level& level : levels_)
    if (level.handle != -1) CloseHandle(H(level.handle));
  levels_.clear();
  root_ = root;
  path_ = root.native();
  if (path_.empty() || (path_.back() != L'\\' && path_.back() != L'/')) path_ += L'\\';
  Level level;
  level.pathLength = path_.size();
  // Named without its closing separator, but for a drive's root.
  std::wstring folder = path_;
  if (folder.size() > 1 && folder[folder.size() - 2] != L':') folder.pop_back();
  const HANDLE h = win32::OpenFolderPath(LongPath(folder), true, kWalkAccess);
  if (h != INVALID_HANDLE_VALUE && Identify(h, level.id)) level.handle = Handle(h);
  else if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  levels_.push_back(level);
  return level.handle != -1;
}

bool FolderChain::Enter(const NativeChar* name) {
  const Level& parent = levels_.back();
  if (parent.handle == -1) return false;
  win32::Child why;
  const HANDLE h = win32::OpenChildFolder(H(parent.handle), name, why, kWalkAccess);
  if (h == INVALID_HANDLE_VALUE) return false;
  Level level;
  if (!Identify(h, level.id)) {
    CloseHandle(h);
    return false;
  }
  level.handle = Handle(h);
  path_.append(name);
  path_ += L'\\';
  level.pathLength = path_.size();
  levels_.push_back(level);
  return true;
}

bool FolderChain::Leave() {
  CloseHandle(H(levels_.back().handle));
  levels_.pop_back();
  path_.resize(levels_.back().pathLength);
  return true;
}

bool FolderChain::List(FolderEntries& entries) {
  entries.names.clear();
  entries.list.clear();
  if (levels_.back().handle == -1) return false;
  const HANDLE h = H(levels_.back().handle);
  // Read from the folder's own handle, so a folder put in its place (or a
  // junction) after it was opened is never what is listed.
  // The chain's own buffer (new's alignment suits the records).
  listing_.resize(64 * 1024);
  const DWORD size = static_cast<DWORD>(listing_.size());
  for (bool first = true;; first = false) {
    if (!GetFileInformationByHandleEx(h, first ? FileFullDirectoryRestartInfo : FileFullDirectoryInfo,
                                      listing_.data(), size)) {
      const DWORD error = GetLastError();
      // An empty drive root has not even "." to list.
      return error == ERROR_NO_MORE_FILES || (first && error == ERROR_FILE_NOT_FOUND);
    }
    const auto* at = reinterpret_cast<const BYTE*>(listing_.data());
    for (;;) {
      const auto* e = reinterpret_cast<const FILE_FULL_DIR_INFO*>(at);
      const wchar_t* name = e->FileName;
      const size_t length = e->FileNameLength / sizeof(wchar_t);
      const bool dots = name[0] == L'.' && (length == 1 || (length == 2 && name[1] == L'.'));
      if (!dots && length > 0) {
        entries.list.push_back({entries.names.size(), win32::KindOf(e->FileAttributes)});
        entries.names.insert(entries.names.end(), name, name + length);
        entries.names.push_back(L'\0');
      }
      if (e->NextEntryOffset == 0) break;
      at += e->NextEntryOffset;
    }
  }
}

bool FolderChain::LeadsOutside(const NativeChar* name) {
  const Level& deepest = levels_.back();
  if (deepest.handle == -1 || levels_.front().handle == -1) return true;
  // The target is opened as a folder to be named, never listed; the
  // tree's root as its handle finds it now must begin that name.
  const HANDLE target =
      win32::OpenIn(H(deepest.handle), name, 0, win32::kOpen, win32::kFolderOnly);
  if (target == INVALID_HANDLE_VALUE) return true;
  const std::wstring to = win32::FinalPath(target);
  CloseHandle(target);
  const std::wstring root = win32::FinalPath(H(levels_.front().handle));
  if (root.empty() || to.empty() || to.size() < root.size()) return true;
  return CompareStringOrdinal(to.data(), static_cast<int>(root.size()), root.data(),
                              static_cast<int>(root.size()), TRUE) != CSTR_EQUAL;
}

bool FolderChain::OpenFile(File& file, const NativeChar* name, bool followLink) {
  if (levels_.back().handle == -1) return false;
  // A plain file of the listing is opened at once: as itself, it can be
  // no more than the reparse point or folder its handle is refused as.
  return file.OpenIn(levels_.back().handle, name, false, followLink, !followLink) == Error::None;
}

FileId FolderChain::FolderId() const { return levels_.back().id; }

std::filesystem::path FolderChain::FolderPath() const {
  if (levels_.size() <= 1) return root_;
  return std::filesystem::path(path_.substr(0, path_.size() - 1));
}

}  // namespace vsk::os
