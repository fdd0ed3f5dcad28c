#include "engine/os/File.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace vsk::os {

File::File(File&& other) noexcept { *this = std::move(other); }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    id_ = other.id_;
    links_ = other.links_;
    size_ = other.size_;
    error_ = other.error_;
    code_ = other.code_;
    other.handle_ = -1;
  }
  return *this;
}

File::~File() { Close(); }

bool File::ReadExactAt(uint64_t offset, void* data, size_t size) const {
  auto* p = static_cast<char*>(data);
  while (size > 0) {
    const long long n = ReadAt(offset, p, size);
    if (n <= 0) return false;
    p += n;
    offset += static_cast<uint64_t>(n);
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool CopyBytes(const File& from, File& to, uint64_t size) {
  std::vector<uint8_t> buffer(1 << 20);
  for (uint64_t at = 0; at < size;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(size - at, buffer.size()));
    if (!from.ReadExactAt(at, buffer.data(), n) || !to.WriteAt(at, buffer.data(), n)) return false;
    at += n;
  }
  return true;
}

}  // namespace vsk::os
