#include "Matcher.h"

#include <algorithm>
#include <cstring>

#include "Os.h"

namespace vsk {
namespace {

inline unsigned Block(const uint8_t* p) { return p[0] | (static_cast<unsigned>(p[1]) << 8); }

}  // namespace

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

  // Wu-Manber: a block that ends the window at distance d from the window's
  // end shifts by d; blocks in no signature's window shift by window - 1.
  const size_t m = window_;
  shift_.assign(65536, static_cast<uint8_t>(m - 1));
  std::vector<std::vector<uint8_t>> buckets(65536);
  for (int i = 0; i < table.count; ++i) {
    if (table.lengths[i] < 2) continue;
    const uint8_t* sig = table.signatures[i].data();
    for (size_t j = 0; j + 2 <= m; ++j) {
      uint8_t& s = shift_[Block(sig + j)];
      s = std::min<uint8_t>(s, static_cast<uint8_t>(m - 2 - j));
    }
    buckets[Block(sig + m - 2)].push_back(static_cast<uint8_t>(i));
  }
  bucketStart_.resize(65537);
  for (size_t k = 0; k < 65536; ++k) {
    bucketStart_[k] = static_cast<uint16_t>(candidates_.size());
    candidates_.insert(candidates_.end(), buckets[k].begin(), buckets[k].end());
  }
  bucketStart_[65536] = static_cast<uint16_t>(candidates_.size());
}

MatchHit SignatureMatcher::FindOneByte(const uint8_t* data, size_t from, size_t limit) const {
  for (size_t p = from; p < limit; ++p)
    if (oneByte_[data[p]] >= 0) return {p, oneByte_[data[p]]};
  return {};
}

MatchHit SignatureMatcher::FindLong(const uint8_t* data, size_t size, size_t from,
                                    size_t limit) const {
  const size_t m = window_;
  if (size < m) return {};
  const size_t end = std::min(limit, size - m + 1);  // window starts s < end
  const uint8_t* shift = shift_.data();
  size_t s = from;
  while (s < end) {
    const uint8_t step = shift[Block(data + s + m - 2)];
    if (step != 0) {
      s += step;
      continue;
    }
    const unsigned key = Block(data + s + m - 2);
    for (unsigned k = bucketStart_[key]; k < bucketStart_[key + 1]; ++k) {
      const int i = candidates_[k];
      const size_t length = table_.lengths[i];
      if (s + length <= size && std::memcmp(data + s, table_.signatures[i].data(), length) == 0)
        return {s, i};
    }
    ++s;
  }
  return {};
}

MatchHit SignatureMatcher::Find(const uint8_t* data, size_t size, size_t from,
                                size_t limit) const {
  limit = std::min(limit, size);
  MatchHit best;
  if (hasOneByte_) best = FindOneByte(data, from, limit);
  if (window_ != 0) {
    // Only a longer signature that starts no later than the 1-byte hit can win.
    const size_t longLimit = best.Found() ? best.position + 1 : limit;
    const MatchHit hit = FindLong(data, size, from, longLimit);
    if (hit.Found() && (!best.Found() || hit.position < best.position ||
                        (hit.position == best.position && hit.index < best.index)))
      best = hit;
  }
  return best;
}

int SignatureMatcher::MatchBuffer(const uint8_t* data, size_t size) const {
  return Find(data, size, 0, size).index;
}

int SignatureMatcher::MatchFile(const std::filesystem::path& path) const {
  os::InputFile file;
  if (!file.Open(path)) return kMatchUnreadable;
  if (maxLength_ == 0) return kMatchClean;
  // A piece keeps the last maxLength - 1 bytes of the one before, so every
  // start position is decided once with its whole signature in view.
  const size_t keep = maxLength_ - 1;
  thread_local std::vector<uint8_t> buffer;
  buffer.resize(kPieceSize + kMaxSignature);
  uint8_t* data = buffer.data();
  size_t have = 0;
  long long total = 0;
  for (;;) {
    const long long n = file.Read(data + have, kPieceSize);
    if (n > 0) {
      have += static_cast<size_t>(n);
      total += n;
    }
    const bool atEnd = n <= 0 || total == file.Size();
    const size_t limit = atEnd ? have : (have > keep ? have - keep : 0);
    const MatchHit hit = Find(data, have, 0, limit);
    if (hit.Found()) return hit.index;
    if (atEnd) return kMatchClean;
    std::memmove(data, data + limit, have - limit);
    have -= limit;
  }
}

int MatchFile(const std::filesystem::path& path, const VirusTable& table) {
  return SignatureMatcher(table).MatchFile(path);
}

}  // namespace vsk
