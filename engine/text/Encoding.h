// Windows-1251 <-> Unicode, used where files hold 1251 bytes (the virus
// database's names and the report file), and UTF-8 for the console.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vsk {

std::wstring Decode1251(std::string_view bytes);
// Characters that 1251 cannot spell become '?'.
std::string Encode1251(std::wstring_view text);

std::string ToUtf8(std::wstring_view text);
// Invalid sequences become U+FFFD. With `surrogates`, an encoded UTF-16
// half (as ToUtf8 writes an unpaired one) is kept.
std::wstring FromUtf8(std::string_view bytes, bool surrogates = false);
// The length of the UTF-8 sequence that starts at bytes[i], or 0 when none
// does.
size_t Utf8SequenceLength(std::string_view bytes, size_t i, bool surrogates = false);

// The path as the user sees it: wide on Windows; the UTF-8 name decoded on
// POSIX.
std::wstring PathText(const std::filesystem::path& path);
std::filesystem::path PathFromText(const std::wstring& text);

}  // namespace vsk
