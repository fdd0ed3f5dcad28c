// The bytes an archive is read from: a file by its handle, memory, or a
// stored member of another archive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/os/File.h"

namespace vsk {

class Source {
 public:
  virtual ~Source() = default;
  virtual uint64_t Size() const = 0;
  // All `size` bytes at `offset`, or false.
  virtual bool Read(uint64_t offset, void* data, size_t size) const = 0;
};

// Up to the size the file had when it was opened.
class FileSource : public Source {
 public:
  explicit FileSource(const os::File& file)
      : file_(file), size_(file.OpenedSize() > 0 ? static_cast<uint64_t>(file.OpenedSize()) : 0) {}
  uint64_t Size() const override { return size_; }
  bool Read(uint64_t offset, void* data, size_t size) const override {
    return offset <= size_ && size <= size_ - offset && file_.ReadExactAt(offset, data, size);
  }

 private:
  const os::File& file_;
  uint64_t size_;
};

class MemorySource : public Source {
 public:
  MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint64_t Size() const override { return size_; }
  bool Read(uint64_t offset, void* data, size_t size) const override {
    if (offset > size_ || size > size_ - offset) return false;
    if (size > 0) std::memcpy(data, data_ + offset, size);
    return true;
  }

 private:
  const uint8_t* data_;
  uint64_t size_;
};

class SliceSource : public Source {
 public:
  SliceSource(const Source& whole, uint64_t offset, uint64_t size)
      : whole_(whole), offset_(offset), size_(size) {}
  uint64_t Size() const override { return size_; }
  bool Read(uint64_t offset, void* data, size_t size) const override {
    return offset <= size_ && size <= size_ - offset && whole_.Read(offset_ + offset, data, size);
  }

 private:
  const Source& whole_;
  uint64_t offset_;
  uint64_t size_;
};

}  // namespace vsk
