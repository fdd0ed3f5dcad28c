// What the user is told about the settings file.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace vsk::msg {

// The settings could not be written to any of `tried` (the files the
// profile tried, in order; none when it could not tell).
std::wstring SettingsNotSaved(const std::vector<std::filesystem::path>& tried);

}  // namespace vsk::msg
