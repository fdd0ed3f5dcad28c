// Text for the console, where one line must always be one file: control
// characters, the backslash and bytes that are not UTF-8 are escaped, so a
// name can neither end a line, pose as a column nor drive the terminal.
//   TAB \t   LF \n   CR \r   \ \\   other controls (C0, DEL, C1), the
//   bidirectional controls, U+2028, U+2029 and invalid bytes \xNN, one
//   escape per byte
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace vsk {

std::string EscapeForConsole(std::string_view utf8);
// The path's own bytes on POSIX, its UTF-8 on Windows, escaped.
std::string ConsolePath(const std::filesystem::path& path);
std::string ConsoleText(std::wstring_view text);
// Each line of `text` escaped, the line feeds between them kept: for
// messages of our own that may carry a name.
std::string ConsoleLines(std::wstring_view text);

// stdout or stderr is a console (on Windows, one GetConsoleMode accepts).
bool IsConsole(std::FILE* stream);
// What takes the progress line of `shown` characters off the screen.
std::string ClearLine(size_t shown);
// Writes UTF-8 `bytes` to `to`; a Windows console gets them as one
// WriteConsoleW, so any text shows whatever its code page.
void Print(std::FILE* to, const std::string& bytes);

}  // namespace vsk
