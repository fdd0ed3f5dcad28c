// Finds the earliest signature of the virus table in a file; at one position
// the lowest virus index wins. Signatures of length 1 are looked up per
// byte; the others go through a Wu-Manber search over 2-byte blocks with a
// window of the shortest such signature when that is long, or else a
// filter that samples every (shortest - 1)-th position against the 2-byte
// blocks each signature has at its first (shortest - 1) offsets, and each
// start a sample may belong to against the signatures' first bytes. Files
// are read in pieces with constant memory; a match across two pieces is
// found.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "engine/os/File.h"
#include "engine/db/VirusDatabase.h"

namespace vsk {

inline constexpr int kMatchStopped = -3;
inline constexpr int kMatchUnreadable = -2;
inline constexpr int kMatchClean = -1;

struct MatchHit {
  size_t position = 0;
  int index = kMatchClean;
  bool Found() const { return index >= 0; }
};

class SignatureMatcher {
 public:
  explicit SignatureMatcher(const VirusTable& table);

  // The first match that starts in [from, limit) and ends within size.
  MatchHit Find(const uint8_t* data, size_t size, size_t from, size_t limit) const;
  int MatchBuffer(const uint8_t* data, size_t size) const;
  // -2 when the file cannot be opened, or a read fails before a virus is
  // found; -1 when clean, else the virus index. With `running`, the flag is
  // checked before every piece: -3 once it is cleared, so a stop ends within
  // one piece even in a huge file.
  int MatchFile(const std::filesystem::path& path,
                const std::atomic<bool>* running = nullptr) const;
  // The same over a file already open, read from its current position up
  // to the size it had when opened (growth is not chased, a file cut
  // shorter ends where it ends now; a size-0 file is read not at all). Its
  // holes are not read: each is searched as a run of zeros as long as the
  // longest signature, which finds the match the whole run would.
  // With `head`, the first bytes read (known is false when the first piece
  // held fewer): what a caller that looks at the content next needs,
  // without another read.
  struct Head {
    uint8_t bytes[4] = {};
    bool known = false;
  };
  int MatchOpenFile(const os::File& file, const std::atomic<bool>* running = nullptr,
                    Head* head = nullptr) const;

  // The earliest match among the starts in [from, to) of a file already
  // open, read at offsets only (so several threads may share the file), up
  // to the size it had when opened; a file cut shorter ends where it ends
  // now. Holes are read as they are: for files that have none.
  int MatchRange(const os::File& file, uint64_t from, uint64_t to,
                 const std::atomic<bool>* running = nullptr) const;

  // The longest signature: how much of a piece the next one must repeat.
  size_t MaxLength() const { return maxLength_; }

  // Size of the pieces MatchFile reads.
  static constexpr size_t kPieceSize = 256 * 1024;
  // Below this shortest length the search samples positions instead of
  // skipping: shorter skips pay less than the samples, near-misses included.
  static constexpr size_t kMinSkipWindow = 26;
  // Samples tested together by the sampled filter.
  static constexpr size_t kSampleGroup = 16;

 private:
  MatchHit FindOneByte(const uint8_t* data, size_t from, size_t limit) const;
  MatchHit Verify(const uint8_t* data, size_t size, size_t s) const;
  MatchHit Skip(const uint8_t* data, size_t size, size_t s, size_t end) const;
  MatchHit FindLong(const uint8_t* data, size_t size, size_t from, size_t limit) const;

  // The sampled filter (SampledFilter.cpp), for a shortest length of 3 up
  // to kMinSkipWindow - 1: every (shortest - 1)-th position is tested
  // against the 2-byte blocks of every signature at its offsets
  // 0 ... shortest - 2, a candidate start then against the hashed first
  // bytes of the signatures, and only then compared.
  void BuildSampled(const VirusTable& table);
  MatchHit FindSampled(const uint8_t* data, size_t size, size_t from, size_t limit) const;
  template <size_t kStep>
  MatchHit FindSampledStep(const uint8_t* data, size_t size, size_t from, size_t limit) const;
  template <size_t kStep>
  MatchHit FindSampledOf(const uint8_t* data, size_t size, size_t from, size_t limit) const;
  MatchHit VerifySample(const uint8_t* data, size_t size, size_t q, size_t end) const;

  const VirusTable& table_;
  size_t maxLength_ = 0;
  bool hasOneByte_ = false;
  std::array<int16_t, 256> oneByte_{};  // lowest index of each 1-byte signature
  size_t window_ = 0;                   // shortest signature of length >= 2; 0 when none
  std::vector<uint8_t> shift_;          // per 2-byte block, little-endian key
  bool IsPrefix(unsigned block) const { return (prefixBits_[block >> 6] >> (block & 63)) & 1; }
  std::vector<uint64_t> prefixBits_;    // blocks with candidates: window 2, and the samples
  std::vector<uint16_t> bucketStart_;   // candidates or sampled entries of a block
  std::vector<uint8_t> candidates_;     // virus indices, ascending within a block

  struct GramEntry {
    uint64_t first;     // the signature's first eight bytes, and the mask of
    uint64_t mask;      // those within its length
    uint8_t index;
    uint8_t offset;     // of the block in the signature
    uint8_t length;
  };
  bool sampled_ = false;
  // Per block, bit j (j < 7) when a signature has it at offset j, bit 7 for
  // the offsets from 7 up: a byte per block, read as one load.
  std::vector<uint8_t> offsets_;
  // The entries of a block are gramEntries_[bucketStart_[block]] up to the
  // next block's, the earliest start (largest offset) first, then the
  // lowest index.
  std::vector<GramEntry> gramEntries_;
  // Bytes 8 ... 31 of each signature as little-endian words with the masks
  // of its length, for a compare without a call.
  struct Words {
    uint64_t bytes[3];
    uint64_t mask[3];
  };
  std::vector<Words> words_;
  // A bit per hash of the first min(shortest, 4) bytes of every signature.
  std::vector<uint64_t> heads_;
  uint32_t headMask_ = 0;
  bool HeadMayStart(const uint8_t* at) const;
  bool SampleMayStart(const uint8_t* at, unsigned offsets) const;
  const GramEntry* FirstEqual(const uint8_t* at) const;
  // Zero when bytes 8 ... length - 1 of a signature follow at `data`, which
  // has 32 bytes readable.
  uint64_t RestDiff(const uint8_t* data, int index) const;
};

int MatchFile(const std::filesystem::path& path, const VirusTable& table);

}  // namespace vsk
