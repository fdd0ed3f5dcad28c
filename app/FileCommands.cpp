#include "app/FileCommands.h"

#include <shlobj.h>

#include <cstring>

namespace vsk {

std::vector<std::wstring> TakeDroppedPaths(HDROP drop) {
  std::vector<std::wstring> paths;
  const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = ::DragQueryFileW(drop, i, nullptr, 0);
    std::wstring path(length + 1, L'\0');
    if (::DragQueryFileW(drop, i, path.data(), length + 1) != length) continue;
    path.resize(length);
    if (!path.empty()) paths.push_back(std::move(path));
  }
  ::DragFinish(drop);
  return paths;
}

bool ShowInFolder(const std::filesystem::path& file) {
  PIDLIST_ABSOLUTE item = ::ILCreateFromPathW(file.c_str());
  const bool shown = item && SUCCEEDED(::SHOpenFolderAndSelectItems(item, 0, nullptr, 0));
  if (item) ::ILFree(item);
  if (shown) return true;
  // The file is gone or the shell cannot select: its folder at least.
  const std::wstring folder = file.parent_path().wstring();
  return reinterpret_cast<INT_PTR>(::ShellExecuteW(nullptr, L"open", folder.c_str(), nullptr,
                                                   nullptr, SW_SHOWNORMAL)) > 32;
}

bool CopyToClipboard(HWND owner, const std::wstring& text) {
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!memory) return false;
  void* target = ::GlobalLock(memory);
  if (!target) {
    ::GlobalFree(memory);
    return false;
  }
  std::memcpy(target, text.c_str(), bytes);
  ::GlobalUnlock(memory);
  if (!::OpenClipboard(owner)) {
    ::GlobalFree(memory);
    return false;
  }
  ::EmptyClipboard();
  // The clipboard owns the memory once it took it.
  const bool set = ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  ::CloseClipboard();
  if (!set) ::GlobalFree(memory);
  return set;
}

}  // namespace vsk
