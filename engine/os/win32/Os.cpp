#include <windows.h>

#include <cwctype>

#include "engine/os/FileOps.h"

namespace vsk::os {

namespace {

// A drive's root or a UNC or device path; "C:name" and "\\name" depend on
// the working folder as much as "name" does.
bool IsFullPath(const std::wstring& path) {
  if (path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) return true;
  return path.size() >= 2 && (path[0] == L'\\' || path[0] == L'/') && (path[1] == L'\\' || path[1] == L'/');
}

}  // namespace

std::wstring FullPath(const std::wstring& path) {
  std::wstring full(32768, L'\0');
  const DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(),
                                   nullptr);
  if (n == 0 || n >= full.size()) return {};
  full.resize(n);
  return full;
}

// Paths past MAX_PATH need the \\?\ form, which takes only absolute paths
// with backslashes. A relative path is measured with the working folder it
// stands in, which may itself be long.
std::wstring LongPath(const std::wstring& path) {
  if (path.rfind(LR"(\\?\)", 0) == 0) return path;
  const bool absolute = IsFullPath(path);
  if (absolute && path.size() < 240) return path;
  const std::wstring full = FullPath(path);
  if (full.empty()) return path;
  if (full.size() < 240 || full.rfind(LR"(\\.\)", 0) == 0) return absolute ? path : full;
  if (full.rfind(LR"(\\)", 0) == 0) return LR"(\\?\UNC\)" + full.substr(2);
  return LR"(\\?\)" + full;
}

Error ErrorOf(int code) {
  switch (static_cast<DWORD>(code)) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
      return Error::Missing;
    case ERROR_ACCESS_DENIED:
      return Error::Denied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return Error::Busy;
    default:
      return Error::Failed;
  }
}

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

bool FolderChain::OpenFile(File& file, const NativeChar* name, bool) {
  const size_t folder = scratch_.size();
  scratch_.append(name);
  const bool opened = file.Open(std::filesystem::path(scratch_)) == Error::None;
  scratch_.resize(folder);
  return opened;
}

std::filesystem::path FolderChain::FolderPath() const {
  if (levels_.size() <= 1) return root_;
  return std::filesystem::path(path_.substr(0, path_.size() - 1));
}

namespace {

// The device namespace, and the names that stand for a device in any folder
// (NUL, CON, COM1...), with or without an extension.
bool NamesDevice(const std::wstring& path) {
  if (path.rfind(LR"(\\.\)", 0) == 0) return true;
  std::wstring stem = std::filesystem::path(path).stem().native();
  for (wchar_t& c : stem) c = static_cast<wchar_t>(::towupper(c));
  for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
    if (stem == device) return true;
  return stem.size() == 4 && (stem.rfind(L"COM", 0) == 0 || stem.rfind(L"LPT", 0) == 0) &&
         stem[3] >= L'1' && stem[3] <= L'9';
}

}  // namespace

Kind KindOfPath(const std::filesystem::path& path) {
  if (NamesDevice(path.native())) return Kind::Other;
  const DWORD attributes = GetFileAttributesW(LongPath(path.native()).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const Error error = ErrorOf(static_cast<int>(GetLastError()));
    return error == Error::Missing ? Kind::Missing : Kind::File;
  }
  return attributes & FILE_ATTRIBUTE_DIRECTORY ? Kind::Folder : Kind::File;
}

LocalTime Now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute};
}

std::wstring ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  return GetComputerNameW(name, &size) ? std::wstring(name, size) : std::wstring();
}

std::wstring UserName() {
  wchar_t name[257] = {};
  DWORD size = 257;
  return GetUserNameW(name, &size) ? std::wstring(name) : std::wstring();
}

uint64_t TickCount() { return GetTickCount64(); }

int UsableProcessors() {
  DWORD_PTR process = 0, system = 0;
  if (!GetProcessAffinityMask(GetCurrentProcess(), &process, &system) || process == 0) return 1;
  int count = 0;
  for (; process; process &= process - 1) ++count;
  return count;
}

int CurrentThreadPriority() { return GetThreadPriority(GetCurrentThread()); }
void SetCurrentThreadPriority(int priority) { ::SetThreadPriority(GetCurrentThread(), priority); }

}  // namespace vsk::os
