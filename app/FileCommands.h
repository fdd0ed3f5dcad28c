// What the window does with a file's path for the user: the paths dropped
// on it, the folder that holds a file shown with the file selected, and
// the path on the clipboard.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <filesystem>
#include <string>
#include <vector>

namespace vsk {

inline constexpr wchar_t kDropOneItem[] = L"Перетащите на окно одну папку или один файл.";

// The paths of a drop, in order; the drop's memory is freed.
std::vector<std::wstring> TakeDroppedPaths(HDROP drop);

// Opens the folder that holds `file` with the file selected; false when
// the shell could do neither that nor open the folder.
bool ShowInFolder(const std::filesystem::path& file);

// `text` as the clipboard's Unicode text, owned by `owner`.
bool CopyToClipboard(HWND owner, const std::wstring& text);

}  // namespace vsk
