#include "engine/db/MatchStream.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vsk {
namespace {

// Buffers given back, for the next search of any thread, each marked with
// the thread that used it: a thread takes its own first, still in its
// cache. Not one pool per thread: a thread_local with a destructor can crash
// at a thread's end where the toolchain frees thread storage before running
// destructors.
struct Spare {
  std::unique_ptr<uint8_t[]> buffer;
  std::thread::id user;
};
std::mutex spareLock;
std::vector<Spare> spares;
constexpr size_t kMostSpares = 16;

}  // namespace

PieceBuffer::PieceBuffer() {
  {
    const std::thread::id self = std::this_thread::get_id();
    std::lock_guard lock(spareLock);
    if (!spares.empty()) {
      auto pick = std::find_if(spares.rbegin(), spares.rend(), [&](const Spare& s) { return s.user == self; });
      if (pick == spares.rend()) pick = spares.rbegin();
      buffer_ = std::move(pick->buffer);
      spares.erase(std::next(pick).base());
    }
  }
  if (!buffer_) buffer_.reset(new uint8_t[kSize]);
}

PieceBuffer::~PieceBuffer() {
  const std::thread::id self = std::this_thread::get_id();
  std::lock_guard lock(spareLock);
  if (spares.size() < kMostSpares) spares.push_back({std::move(buffer_), self});
}

MatchStream::MatchStream(const SignatureMatcher& matcher)
    : matcher_(matcher), keep_(matcher.MaxLength() > 0 ? matcher.MaxLength() - 1 : 0) {}

uint8_t* MatchStream::Space(size_t& room) {
  room = PieceBuffer::kSize - have_;
  return buffer_.Data() + have_;
}

bool MatchStream::Commit(size_t size) {
  have_ += size;
  if (found_ >= 0 || matcher_.MaxLength() == 0) {
    have_ = 0;
    return found_ < 0;
  }
  if (have_ < PieceBuffer::kSize) return true;
  // Every start below `limit` has its whole signature in view; the last
  // keep_ bytes wait for the next piece.
  const size_t limit = have_ - keep_;
  const MatchHit hit = matcher_.Find(buffer_.Data(), have_, 0, limit);
  if (hit.Found()) {
    found_ = hit.index;
    have_ = 0;
    return false;
  }
  std::memmove(buffer_.Data(), buffer_.Data() + limit, keep_);
  have_ = keep_;
  return true;
}

bool MatchStream::Feed(const uint8_t* data, size_t size) {
  while (size > 0) {
    size_t room;
    uint8_t* to = Space(room);
    const size_t n = std::min(room, size);
    std::memcpy(to, data, n);
    data += n;
    size -= n;
    if (!Commit(n)) return false;
  }
  return true;
}

int MatchStream::Finish() {
  if (found_ < 0 && have_ > 0) found_ = matcher_.Find(buffer_.Data(), have_, 0, have_).index;
  const int found = found_;
  found_ = kMatchClean;
  have_ = 0;
  return found;
}

}  // namespace vsk
