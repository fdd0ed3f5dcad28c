// The matcher's search for short signatures: a sample every (shortest - 1)
// positions, tested in groups against the blocks of the signatures, then
// each candidate start against their first bytes.
#include <algorithm>
#include <bit>
#include <cstring>

#include "engine/db/Blocks.h"
#include "engine/db/Matcher.h"

namespace vsk {
namespace {
using blocks::Block;
using blocks::Load32;
using blocks::Load64;

// The first bytes of a start hashed to one of 2^15 bits: 4 KiB that stay
// in the first cache, and with 200 signatures few false candidates.
constexpr unsigned kHeadHashBits = 15;

inline uint32_t HeadHash(uint32_t head) { return (head * 0x9E3779B1u) >> (32 - kHeadHashBits); }

}  // namespace

void SignatureMatcher::BuildSampled(const VirusTable& table) {
  sampled_ = true;
  words_.resize(static_cast<size_t>(table.count));
  heads_.assign((size_t{1} << kHeadHashBits) / 64, 0);
  const size_t headLength = std::min<size_t>(window_, 4);
  headMask_ = headLength == 4 ? ~uint32_t{0} : (uint32_t{1} << (8 * headLength)) - 1;
  std::vector<std::pair<uint16_t, GramEntry>> keyed;
  for (int i = 0; i < table.count; ++i) {
    const size_t length = table.lengths[i];
    uint8_t bytes[32] = {}, mask[32] = {};
    std::memcpy(bytes, table.signatures[i].data(), kMaxSignature);
    std::memset(mask, 0xFF, length);
    std::memcpy(words_[i].bytes, bytes + 8, 24);
    std::memcpy(words_[i].mask, mask + 8, 24);
    if (length < 2) continue;
    const uint32_t h = HeadHash(Load32(bytes) & headMask_);
    heads_[h >> 6] |= uint64_t{1} << (h & 63);
    GramEntry e{Load64(bytes), Load64(mask), static_cast<uint8_t>(i), 0,
                static_cast<uint8_t>(length)};
    for (size_t j = 0; j + 2 <= window_; ++j) {
      e.offset = static_cast<uint8_t>(j);
      keyed.push_back({static_cast<uint16_t>(Block(bytes + j)), e});
    }
  }
  std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
    if (a.first != b.first) return a.first < b.first;
    if (a.second.offset != b.second.offset) return a.second.offset > b.second.offset;
    return a.second.index < b.second.index;
  });
  offsets_.assign(65536, 0);
  for (const auto& [key, entry] : keyed) {
    prefixBits_[key >> 6] |= uint64_t{1} << (key & 63);
    offsets_[key] |= static_cast<uint8_t>(1u << std::min<unsigned>(entry.offset, 7));
    gramEntries_.push_back(entry);
  }
  bucketStart_ = blocks::RunStarts(keyed);
}

// Whether a signature may start at `at`, by its first bytes; 4 readable.
inline bool SignatureMatcher::HeadMayStart(const uint8_t* at) const {
  const uint32_t h = HeadHash(Load32(at) & headMask_);
  return (heads_[h >> 6] >> (h & 63)) & 1;
}

// The same for any start the sample at `at` may belong to, given the
// offsets its block has.
inline bool SignatureMatcher::SampleMayStart(const uint8_t* at, unsigned offsets) const {
  if (offsets & 0x80) return true;
  for (; offsets != 0; offsets &= offsets - 1)
    if (HeadMayStart(at - std::countr_zero(offsets))) return true;
  return false;
}

uint64_t SignatureMatcher::RestDiff(const uint8_t* data, int index) const {
  const Words& w = words_[static_cast<size_t>(index)];
  uint64_t diff = 0;
  for (int k = 0; k < 3; ++k) diff |= (Load64(data + 8 + 8 * k) ^ w.bytes[k]) & w.mask[k];
  return diff;
}

// The entry of the earliest match among the starts the block at `at` may
// belong to, when all of them lie in the search and have 32 bytes readable.
inline const SignatureMatcher::GramEntry* SignatureMatcher::FirstEqual(const uint8_t* at) const {
  const unsigned key = Block(at);
  const GramEntry* e = gramEntries_.data() + bucketStart_[key];
  const GramEntry* last = gramEntries_.data() + bucketStart_[key + 1];
  for (; e != last; ++e) {
    const uint8_t* start = at - e->offset;
    // Whole, without a branch on the length: near-misses of all lengths mix.
    if ((((Load64(start) ^ e->first) & e->mask) | RestDiff(start, e->index)) == 0) return e;
  }
  return nullptr;
}

// The earliest match (lowest index at one position) among the starts
// q - (shortest - 2) ... q that the block at q may belong to, near the ends
// (the entries are in that order).
MatchHit SignatureMatcher::VerifySample(const uint8_t* data, size_t size, size_t q,
                                        size_t end) const {
  const unsigned key = Block(data + q);
  for (unsigned k = bucketStart_[key]; k < bucketStart_[key + 1]; ++k) {
    const GramEntry& e = gramEntries_[k];
    const size_t p = q - e.offset;
    if (p >= end || p + e.length > size) continue;
    if (std::memcmp(data + p, table_.signatures[e.index].data(), e.length) == 0) return {p, e.index};
  }
  return {};
}

template <size_t kStep>
MatchHit SignatureMatcher::FindSampledStep(const uint8_t* data, size_t size, size_t from,
                                           size_t limit) const {
  constexpr size_t m = kStep + 1;
  if (size < m) return {};
  const size_t end = std::min(limit, size - m + 1);  // starts p < end
  if (from >= end) return {};
  constexpr size_t lead = m - 2;
  // The sample at q answers for the starts q - lead ... q; the samples go on
  // while those reach below `end`. Windows follow each other in order, so
  // the first sample with a match holds the earliest one.
  const size_t stop = end + lead;
  // Below `safe` a sample's starts all lie in [from, end) with 32 bytes
  // readable at each.
  const size_t safe = size >= 32 ? std::min(end, size - 31) : 0;
  const uint8_t* offsets = offsets_.data();
  size_t q = from + lead;
  constexpr size_t kGroup = kSampleGroup;
  for (; q + (kGroup - 1) * kStep < safe; q += kGroup * kStep) {
    // The blocks of a group merged: one test for the group, which mostly
    // has none. A byte per block costs a load and an or; a bit per block
    // kept the table in the first cache but cost more instructions, and
    // was slower, as was gathering with AVX2.
    const uint8_t* at = data + q;
    if constexpr (kStep * kGroup <= 64) {
      // The offsets of all samples side by side: bit k * kStep + j is a
      // start at sample k, offset j.
      uint64_t starts = 0;
      for (size_t k = 0; k < kGroup; ++k)
        starts |= uint64_t{offsets[Block(at + k * kStep)]} << (k * kStep);
      while (starts != 0) {
        const unsigned bit = static_cast<unsigned>(std::countr_zero(starts));
        const size_t k = bit / kStep;
        if (!HeadMayStart(at + k * kStep - bit % kStep)) {
          starts &= starts - 1;
          continue;
        }
        if (const GramEntry* e = FirstEqual(at + k * kStep))
          return {q + k * kStep - e->offset, e->index};
        starts &= ~(((uint64_t{1} << kStep) - 1) << (k * kStep));  // all its starts seen
      }
    } else {
      unsigned any = 0;
      for (size_t k = 0; k < kGroup; ++k) any |= offsets[Block(at + k * kStep)];
      if (any == 0) continue;
      unsigned hits = 0;
      for (size_t k = 0; k < kGroup; ++k)
        hits |= unsigned{offsets[Block(at + k * kStep)] != 0} << k;
      for (; hits != 0; hits &= hits - 1) {
        const size_t k = static_cast<size_t>(std::countr_zero(hits));
        const uint8_t* sample = at + k * kStep;
        if (!SampleMayStart(sample, offsets[Block(sample)])) continue;
        if (const GramEntry* e = FirstEqual(sample)) return {q + k * kStep - e->offset, e->index};
      }
    }
  }
  for (; q < stop; q += kStep)
    if (IsPrefix(Block(data + q)))
      if (const MatchHit hit = VerifySample(data, size, q, end); hit.Found()) return hit;
  return {};
}

// The instance for the shortest length, chosen from 3 up.
template <size_t kStep>
MatchHit SignatureMatcher::FindSampledOf(const uint8_t* data, size_t size, size_t from,
                                         size_t limit) const {
  if constexpr (kStep + 2 < kMinSkipWindow)
    if (window_ != kStep + 1) return FindSampledOf<kStep + 1>(data, size, from, limit);
  return FindSampledStep<kStep>(data, size, from, limit);
}

MatchHit SignatureMatcher::FindSampled(const uint8_t* data, size_t size, size_t from,
                                       size_t limit) const {
  return FindSampledOf<2>(data, size, from, limit);
}

}  // namespace vsk
