// One byte stream searched as its pieces come, in constant memory: a match
// across two pieces is found, and each stream has its own state, so a
// signature never spans two streams. The caller writes straight into the
// stream's buffer (Space, then Commit).
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/db/Matcher.h"
#include "engine/db/PieceBuffer.h"

namespace vsk {

class MatchStream {
 public:
  explicit MatchStream(const SignatureMatcher& matcher);
  MatchStream(const MatchStream&) = delete;
  MatchStream& operator=(const MatchStream&) = delete;

  // Where the next bytes go, and how many fit (never 0).
  uint8_t* Space(size_t& room);
  // `size` bytes written at Space(). False once a virus is found: the rest
  // of the stream need not come.
  bool Commit(size_t size);
  // The same for bytes held elsewhere.
  bool Feed(const uint8_t* data, size_t size);
  // The virus index or kMatchClean for all committed; the stream is then
  // empty again, for a stream of its own.
  int Finish();

 private:
  const SignatureMatcher& matcher_;
  size_t keep_;
  PieceBuffer buffer_;
  size_t have_ = 0;
  int found_ = kMatchClean;
};

}  // namespace vsk
