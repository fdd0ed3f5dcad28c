// C stdio over std::filesystem paths, wide on Windows.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>

namespace vsk {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// `mode` is plain ASCII such as "r+b".
std::FILE* OpenFile(const std::filesystem::path& path, const char* mode);

}  // namespace vsk
