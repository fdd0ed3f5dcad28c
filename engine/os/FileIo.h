// C stdio over std::filesystem paths, wide on Windows.
#pragma once

#include <cstdint>
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

// 64-bit positioning, so files past 2 GB work on Windows too.
bool SeekTo(std::FILE* file, uint64_t offset);
// Exactly `size` bytes at `offset`, or false.
bool ReadAtOffset(std::FILE* file, uint64_t offset, void* data, size_t size);
bool WriteAtOffset(std::FILE* file, uint64_t offset, const void* data, size_t size);
// The length of an open file, or -1.
int64_t FileLength(std::FILE* file);

}  // namespace vsk
