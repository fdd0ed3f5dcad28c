// SHA-256 (FIPS 180-4), for the quarantine's records.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/os/File.h"
#include "engine/os/Folder.h"

namespace vsk {

class Sha256 {
 public:
  Sha256();
  void Add(const void* data, size_t size);
  // The digest as 64 lowercase hex digits; the object is spent.
  std::string HexDigest();

 private:
  void Block(const uint8_t* block);

  std::array<uint32_t, 8> state_;
  std::array<uint8_t, 64> pending_{};
  size_t pendingSize_ = 0;
  uint64_t totalBytes_ = 0;
};

// The SHA-256 of a file's first `size` bytes; empty when it cannot be read.
std::string HashContent(const os::File& file, uint64_t size);

}  // namespace vsk
