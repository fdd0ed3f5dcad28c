// Room for one piece of a file and the signature that may cross into the
// next, taken from buffers that ended searches gave back, so that a search
// of a small file or member costs no allocation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/db/Matcher.h"

namespace vsk {

class PieceBuffer {
 public:
  static constexpr size_t kSize = SignatureMatcher::kPieceSize + kMaxSignature;
  PieceBuffer();
  ~PieceBuffer();
  PieceBuffer(const PieceBuffer&) = delete;
  PieceBuffer& operator=(const PieceBuffer&) = delete;
  uint8_t* Data() const { return buffer_.get(); }

 private:
  std::unique_ptr<uint8_t[]> buffer_;
};

}  // namespace vsk
