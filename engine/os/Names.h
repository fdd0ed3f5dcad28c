// Names as the system spells them: UTF-8 bytes on POSIX, UTF-16 on Windows.
#pragma once

#include <filesystem>
#include <string>

namespace vsk::os {

using NativeName = std::filesystem::path::string_type;
using NativeChar = std::filesystem::path::value_type;

#ifdef _WIN32
// The \\?\ form of a path long enough to need it (absolute, backslashes);
// other paths come back as they are.
std::wstring LongPath(const std::wstring& path);
// `path` made full as the working folder and drive make it, "." and ".."
// resolved and links not looked at; empty when the system cannot.
std::wstring FullPath(const std::wstring& path);
#endif

// Random hex digits for the names of new files.
NativeName RandomHex(int digits);
NativeName FromAscii(const char* text);
// New files beside `name` start with (a part of) it, so that a user sees
// whose they are.
NativeName NewNamePrefix(const NativeName& name);

}  // namespace vsk::os
