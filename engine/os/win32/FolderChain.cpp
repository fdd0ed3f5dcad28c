#include <windows.h>

#include <cwchar>

#include "engine/os/FolderChain.h"
#include "engine/os/File.h"
#include "engine/os/Names.h"

namespace vsk::os {

struct FolderChain::Level {
  size_t pathLength = 0;  // of path_, with this folder's separator
  size_t longLength = 0;  // of scratch_, likewise
};

FolderChain::FolderChain() = default;
FolderChain::~FolderChain() = default;

bool FolderChain::OpenRoot(const std::filesystem::path& root) {
  levels_.clear();
  root_ = root;
  path_ = root.native();
  if (path_.empty() || (path_.back() != L'\\' && path_.back() != L'/')) path_ += L'\\';
  // Every folder and file below is reached by its \\?\ form, which takes
  // only a full path with backslashes.
  const std::wstring full = FullPath(path_);
  if (full.rfind(LR"(\\?\)", 0) == 0)
    scratch_ = full;
  else if (full.rfind(LR"(\\)", 0) == 0)
    scratch_ = LR"(\\?\UNC\)" + full.substr(2);
  else
    scratch_ = LR"(\\?\)" + full;
  if (scratch_.back() != L'\\') scratch_ += L'\\';
  levels_.push_back({path_.size(), scratch_.size()});
  const DWORD attributes = GetFileAttributesW(scratch_.c_str());
  return !full.empty() && attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderChain::Enter(const NativeChar* name) {
  path_.append(name);
  path_ += L'\\';
  scratch_.append(name);
  scratch_ += L'\\';
  levels_.push_back({path_.size(), scratch_.size()});
  return true;
}

bool FolderChain::Leave() {
  levels_.pop_back();
  path_.resize(levels_.back().pathLength);
  scratch_.resize(levels_.back().longLength);
  return true;
}

bool FolderChain::List(FolderEntries& entries) {
  entries.names.clear();
  entries.list.clear();
  const size_t folder = scratch_.size();
  scratch_ += L'*';
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileExW(scratch_.c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch,
                              nullptr, FIND_FIRST_EX_LARGE_FETCH);
  scratch_.resize(folder);
  if (h == INVALID_HANDLE_VALUE) {
    // Nothing matched: an empty drive root, when the folder itself is there.
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    const DWORD attributes = GetFileAttributesW(scratch_.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  do {
    const wchar_t* name = fd.cFileName;
    if (name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0))) continue;
    const bool linked = fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
    Kind kind = linked ? Kind::FileLink : Kind::File;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      kind = linked ? Kind::FolderLink : Kind::Folder;
    entries.list.push_back({entries.names.size(), kind});
    entries.names.insert(entries.names.end(), name, name + wcslen(name) + 1);
  } while (FindNextFileW(h, &fd));
  const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
  FindClose(h);
  return complete;
}

namespace {

// The final path of a folder, links resolved, with a closing backslash;
// empty when it cannot be opened as a folder.
std::wstring FinalFolderPath(const std::wstring& path) {
  const HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  std::wstring final(32768, L'\0');
  BY_HANDLE_FILE_INFORMATION info;
  const DWORD n = GetFileInformationByHandle(h, &info) &&
                          (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                      ? GetFinalPathNameByHandleW(h, final.data(), static_cast<DWORD>(final.size()),
                                                  FILE_NAME_NORMALIZED)
                      : 0;
  CloseHandle(h);
  if (n == 0 || n >= final.size()) return {};
  final.resize(n);
  if (final.back() != L'\\') final += L'\\';
  return final;
}

}  // namespace

bool FolderChain::LeadsOutside(const NativeChar* name) {
  const std::wstring root = FinalFolderPath(scratch_.substr(0, levels_.front().longLength));
  const std::wstring target = FinalFolderPath(scratch_ + name);
  if (root.empty() || target.empty() || target.size() < root.size()) return true;
  return CompareStringOrdinal(target.data(), static_cast<int>(root.size()), root.data(),
                              static_cast<int>(root.size()), TRUE) != CSTR_EQUAL;
}

bool FolderChain::OpenFile(File& file, const NativeChar* name, bool followLink) {
  const size_t folder = scratch_.size();
  scratch_.append(name);
  const bool opened = file.OpenPath(scratch_.c_str(), false, followLink) == Error::None;
  scratch_.resize(folder);
  return opened;
}

FileId FolderChain::FolderId() const {
  // A drive's root keeps its separator; other folders are named without.
  const bool root = scratch_.size() >= 2 && scratch_[scratch_.size() - 2] == L':';
  const std::wstring folder = root ? scratch_ : scratch_.substr(0, scratch_.size() - 1);
  HANDLE h = CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  BY_HANDLE_FILE_INFORMATION info;
  const bool known = GetFileInformationByHandle(h, &info);
  CloseHandle(h);
  if (!known) return {};
  return {info.dwVolumeSerialNumber,
          (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

std::filesystem::path FolderChain::FolderPath() const {
  if (levels_.size() <= 1) return root_;
  return std::filesystem::path(path_.substr(0, path_.size() - 1));
}

}  // namespace vsk::os
