#include "engine/db/Matcher.h"

#include <algorithm>
#include <cstring>

#include "engine/db/Blocks.h"
#include "engine/db/PieceBuffer.h"
#include "engine/os/File.h"

namespace vsk {
using blocks::Block;

SignatureMatcher::SignatureMatcher(const VirusTable& table) : table_(table) {
  oneByte_.fill(-1);
  for (int i = table.count - 1; i >= 0; --i) {
    const size_t length = table.lengths[i];
    maxLength_ = std::max(maxLength_, length);
    if (length == 1) {
      oneByte_[table.signatures[i][0]] = static_cast<int16_t>(i);
      hasOneByte_ = true;
    } else if (length >= 2 && (window_ == 0 || length < window_)) {
      window_ = length;
    }
  }
  if (window_ == 0) return;
  prefixBits_.assign(65536 / 64, 0);
  // Unless the shortest signature is long the skips are too small to pay for
  // their dependent loads. Every occurrence of a signature covers shortest - 1
  // consecutive block positions, so testing every (shortest - 1)-th position
  // against the blocks at those offsets misses none.
  if (window_ >= 3 && window_ < kMinSkipWindow) {
    BuildSampled(table);
    return;
  }
  // Below that a filter on the first two bytes tests every position (a
  // window of 2).
  if (window_ < kMinSkipWindow) window_ = 2;

  // Wu-Manber: a block that ends the window at distance d from the window's
  // end shifts by d; blocks in no signature's window shift by window - 1.
  const size_t m = window_;
  shift_.assign(65536, static_cast<uint8_t>(m - 1));
  std::vector<std::pair<uint16_t, uint8_t>> keyed;  // (last block of the window, index)
  for (int i = 0; i < table.count; ++i) {
    if (table.lengths[i] < 2) continue;
    const uint8_t* sig = table.signatures[i].data();
    for (size_t j = 0; j + 2 <= m; ++j) {
      uint8_t& s = shift_[Block(sig + j)];
      s = std::min<uint8_t>(s, static_cast<uint8_t>(m - 2 - j));
    }
    keyed.emplace_back(static_cast<uint16_t>(Block(sig + m - 2)), static_cast<uint8_t>(i));
  }
  std::stable_sort(keyed.begin(), keyed.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [key, index] : keyed) {
    prefixBits_[key >> 6] |= uint64_t{1} << (key & 63);
    candidates_.push_back(index);
  }
  bucketStart_ = blocks::RunStarts(keyed);
}

MatchHit SignatureMatcher::FindOneByte(const uint8_t* data, size_t from, size_t limit) const {
  for (size_t p = from; p < limit; ++p)
    if (oneByte_[data[p]] >= 0) return {p, oneByte_[data[p]]};
  return {};
}

MatchHit SignatureMatcher::Verify(const uint8_t* data, size_t size, size_t s) const {
  const unsigned key = Block(data + s + window_ - 2);
  for (unsigned k = bucketStart_[key]; k < bucketStart_[key + 1]; ++k) {
    const int i = candidates_[k];
    const size_t length = table_.lengths[i];
    if (s + length <= size && std::memcmp(data + s, table_.signatures[i].data(), length) == 0)
      return {s, i};
  }
  return {};
}

MatchHit SignatureMatcher::Skip(const uint8_t* data, size_t size, size_t s, size_t end) const {
  const uint8_t* shift = shift_.data();
  const size_t last = window_ - 2;
  while (s < end) {
    const uint8_t step = shift[Block(data + s + last)];
    if (step != 0) {
      s += step;
      continue;
    }
    if (const MatchHit hit = Verify(data, size, s); hit.Found()) return hit;
    ++s;
  }
  return {};
}

MatchHit SignatureMatcher::FindLong(const uint8_t* data, size_t size, size_t from,
                                    size_t limit) const {
  const size_t m = window_;
  if (size < m) return {};
  const size_t end = std::min(limit, size - m + 1);  // window starts s < end
  size_t s = from;
  if (m == 2) {
    // Eight positions at a time; most groups hold no candidate at all.
    for (; s + 8 <= end; s += 8) {
      unsigned any = 0;
      for (size_t k = 0; k < 8; ++k) any |= IsPrefix(Block(data + s + k));
      if (!any) continue;
      for (size_t k = 0; k < 8; ++k)
        if (IsPrefix(Block(data + s + k)))
          if (const MatchHit hit = Verify(data, size, s + k); hit.Found()) return hit;
    }
    return Skip(data, size, s, end);
  }
  if (s >= end || end - s < 4096) return Skip(data, size, s, end);

  // Each skip waits for the load before it; two halves searched in step keep
  // two chains in flight. A hit in the first half always wins.
  const uint8_t* shift = shift_.data();
  const size_t last = m - 2;
  const size_t mid = s + (end - s) / 2;
  size_t a = s, b = mid;
  MatchHit second;
  while (a < mid && b < end) {
    const uint8_t sa = shift[Block(data + a + last)];
    const uint8_t sb = shift[Block(data + b + last)];
    if (sa != 0 && sb != 0) {
      a += sa;
      b += sb;
      continue;
    }
    if (sa != 0) {
      a += sa;
    } else if (const MatchHit hit = Verify(data, size, a); hit.Found()) {
      return hit;
    } else {
      ++a;
    }
    if (sb != 0) {
      b += sb;
    } else if (second = Verify(data, size, b); second.Found()) {
      break;
    } else {
      ++b;
    }
  }
  if (const MatchHit hit = Skip(data, size, a, mid); hit.Found()) return hit;
  if (second.Found()) return second;
  return Skip(data, size, b, end);
}

MatchHit SignatureMatcher::Find(const uint8_t* data, size_t size, size_t from,
                                size_t limit) const {
  limit = std::min(limit, size);
  MatchHit best;
  if (hasOneByte_) best = FindOneByte(data, from, limit);
  if (window_ != 0) {
    // Only a longer signature that starts no later than the 1-byte hit can win.
    const size_t longLimit = best.Found() ? best.position + 1 : limit;
    const MatchHit hit = sampled_ ? FindSampled(data, size, from, longLimit)
                                  : FindLong(data, size, from, longLimit);
    if (hit.Found() && (!best.Found() || hit.position < best.position ||
                        (hit.position == best.position && hit.index < best.index)))
      best = hit;
  }
  return best;
}

int SignatureMatcher::MatchBuffer(const uint8_t* data, size_t size) const {
  return Find(data, size, 0, size).index;
}

int SignatureMatcher::MatchFile(const std::filesystem::path& path,
                                const std::atomic<bool>* running) const {
  os::File file;
  if (file.Open(path) != os::Error::None) return kMatchUnreadable;
  return MatchOpenFile(file, running);
}

int SignatureMatcher::MatchOpenFile(const os::File& file, const std::atomic<bool>* running,
                                    Head* head) const {
  if (maxLength_ == 0) return kMatchClean;
  // Up to the size at opening: growth since is not chased.
  const long long size = file.OpenedSize();
  if (size < 0) return kMatchUnreadable;
  // A piece keeps the last maxLength - 1 bytes of the one before, so every
  // start position is decided once with its whole signature in view.
  const size_t keep = maxLength_ - 1;
  const PieceBuffer buffer;
  uint8_t* data = buffer.Data();
  size_t have = 0;
  uint64_t left = static_cast<uint64_t>(size);
  // Before the next hole. A file of one piece is read whole: looking for
  // its holes would cost more than reading them.
  uint64_t dataAhead = left <= kPieceSize ? left : 0;
  while (left > 0) {
    if (running && !running->load(std::memory_order_relaxed)) return kMatchStopped;
    long long n = 0;
    bool read = false;
    if (dataAhead == 0) {
      // A hole reads as zeros; maxLength of them are all any position in
      // it or on its edges can see, so they stand for the whole hole.
      const os::File::Extent extent = file.SkipHole();
      dataAhead = extent.data;
      if (extent.hole > 0) {
        const uint64_t hole = std::min(extent.hole, left);
        const size_t zeros = static_cast<size_t>(std::min<uint64_t>(hole, maxLength_));
        std::memset(data + have, 0, zeros);
        have += zeros;
        left -= hole;
      } else if (dataAhead == 0) {
        dataAhead = os::File::kAllData;
      }
    } else {
      read = true;
      n = file.Read(data + have, static_cast<size_t>(std::min({left, dataAhead, uint64_t{kPieceSize}})));
      if (n > 0) {
        have += static_cast<size_t>(n);
        left -= static_cast<uint64_t>(n);
        dataAhead -= static_cast<uint64_t>(n);
      }
    }
    const bool first = size == static_cast<long long>(left + have);  // nothing passed on yet
    if (head && !head->known && first && have >= sizeof(head->bytes)) {
      std::memcpy(head->bytes, data, sizeof(head->bytes));
      head->known = true;
    }
    // A file cut shorter since opening ends where it ends now.
    const bool atEnd = (read && n <= 0) || left == 0;
    const size_t limit = atEnd ? have : (have > keep ? have - keep : 0);
    const MatchHit hit = Find(data, have, 0, limit);
    if (hit.Found()) return hit.index;
    // A read that fails leaves the rest of the file unseen: not clean.
    if (n < 0) return kMatchUnreadable;
    if (atEnd) return kMatchClean;
    std::memmove(data, data + limit, have - limit);
    have -= limit;
  }
  return Find(data, have, 0, have).index;
}

int SignatureMatcher::MatchRange(const os::File& file, uint64_t from, uint64_t to,
                                 const std::atomic<bool>* running) const {
  if (maxLength_ == 0) return kMatchClean;
  const long long size = file.OpenedSize();
  if (size < 0) return kMatchUnreadable;
  const size_t keep = maxLength_ - 1;
  // The bytes of the starts in the range and of the signatures they begin.
  const uint64_t end = std::min(static_cast<uint64_t>(size), to + keep);
  const PieceBuffer buffer;
  uint8_t* data = buffer.Data();
  size_t have = 0;
  uint64_t base = from;  // the file offset of data[0]
  for (uint64_t at = from;;) {
    if (running && !running->load(std::memory_order_relaxed)) return kMatchStopped;
    const size_t room = std::min<size_t>(kPieceSize, PieceBuffer::kSize - have);
    const long long n = at < end ? file.ReadAt(at, data + have, std::min<uint64_t>(end - at, room)) : 0;
    if (n > 0) {
      have += static_cast<size_t>(n);
      at += static_cast<uint64_t>(n);
    }
    // A file cut shorter since opening ends where it ends now.
    const bool atEnd = n <= 0 || at == end;
    const size_t limit = static_cast<size_t>(
        std::min<uint64_t>(atEnd ? have : (have > keep ? have - keep : 0), to - base));
    const MatchHit hit = Find(data, have, 0, limit);
    if (hit.Found()) return hit.index;
    // A read that fails leaves the rest of the range unseen: not clean.
    if (n < 0) return kMatchUnreadable;
    if (atEnd || base + limit == to) return kMatchClean;
    std::memmove(data, data + limit, have - limit);
    have -= limit;
    base += limit;
  }
}

int MatchFile(const std::filesystem::path& path, const VirusTable& table) {
  return SignatureMatcher(table).MatchFile(path);
}

}  // namespace vsk
