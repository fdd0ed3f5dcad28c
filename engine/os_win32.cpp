#include <windows.h>

#include "engine/Os.h"

namespace vsk::os {

// Paths past MAX_PATH need the \\?\ form, which takes only absolute paths
// with backslashes.
std::wstring LongPath(const std::wstring& path) {
  if (path.size() < 240 || path.rfind(LR"(\\?\)", 0) == 0) return path;
  std::wstring full(32768, L'\0');
  const DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(),
                                   nullptr);
  if (n == 0 || n >= full.size()) return path;
  full.resize(n);
  if (full.rfind(LR"(\\)", 0) == 0) return LR"(\\?\UNC\)" + full.substr(2);
  return LR"(\\?\)" + full;
}

InputFile::~InputFile() {
  if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

bool InputFile::Open(const std::filesystem::path& path) {
  HANDLE h = CreateFileW(LongPath(path.native()).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    return false;
  }
  LARGE_INTEGER size;
  size_ = GetFileSizeEx(h, &size) ? size.QuadPart : -1;
  handle_ = reinterpret_cast<intptr_t>(h);
  return true;
}

long long InputFile::Read(void* buffer, size_t size) {
  DWORD got = 0;
  const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
  if (!ReadFile(reinterpret_cast<HANDLE>(handle_), buffer, want, &got, nullptr)) return -1;
  return got;
}

bool ListDirectory(const std::filesystem::path& dir,
                   const std::function<void(const std::filesystem::path::string_type&,
                                            EntryKind)>& visit) {
  std::wstring pattern = dir.native();
  if (pattern.empty() || (pattern.back() != L'\\' && pattern.back() != L'/')) pattern += L'\\';
  pattern += L"*.*";
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileExW(LongPath(pattern).c_str(), FindExInfoBasic, &fd,
                              FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (h == INVALID_HANDLE_VALUE) return false;
  do {
    const std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    EntryKind kind = EntryKind::File;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      kind = (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? EntryKind::LinkedDirectory
                                                                 : EntryKind::Directory;
    visit(name, kind);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return true;
}

MoveResult MoveNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
  // Without MOVEFILE_COPY_ALLOWED a move to another volume fails with
  // ERROR_NOT_SAME_DEVICE instead of copying behind our back.
  if (MoveFileExW(LongPath(from.native()).c_str(), LongPath(to.native()).c_str(), 0))
    return MoveResult::Moved;
  return GetLastError() == ERROR_NOT_SAME_DEVICE ? MoveResult::OtherDevice : MoveResult::Failed;
}

bool ReplaceExisting(const std::filesystem::path& from, const std::filesystem::path& to) {
  return MoveFileExW(LongPath(from.native()).c_str(), LongPath(to.native()).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool CopyAttributes(const std::filesystem::path& from, const std::filesystem::path& to) {
  const DWORD attributes = GetFileAttributesW(LongPath(from.native()).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  return SetFileAttributesW(LongPath(to.native()).c_str(), attributes) != FALSE;
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

}  // namespace vsk::os
