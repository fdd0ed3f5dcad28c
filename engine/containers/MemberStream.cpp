#include "engine/containers/MemberStream.h"

#include <algorithm>

#include "engine/containers/Gzip.h"
#include "engine/containers/Source.h"

namespace vsk {

MemberStream::MemberStream(ArchiveSearch& search, int level, std::wstring path,
                           const Source* stored)
    : search_(search), level_(level), path_(std::move(path)), stored_(stored),
      match_(search.matcher) {}

MemberStream::~MemberStream() { Release(); }

bool MemberStream::Commit(size_t size) {
  if (!search_.Running() || !search_.Charge(size, path_)) return false;
  if (size > 0) Nested(space_, size);
  if (!match_.Commit(size)) {
    search_.Found(match_.Finish(), path_);
    return false;
  }
  return !search_.Done();
}

void MemberStream::Nested(const uint8_t* data, size_t size) {
  if (!decided_) {
    const size_t n = std::min(size, sizeof(head_) - headSize_);
    std::copy(data, data + n, head_ + headSize_);
    headSize_ += n;
    if (headSize_ < sizeof(head_)) return;
    Decide();
    // The first bytes go on from the copy, the rest from here.
    if (gzip_) gzip_->Push(head_, headSize_);
    if (holding_) Hold(head_, headSize_);
    data += n;
    size -= n;
  }
  if (size == 0) return;
  if (gzip_) gzip_->Push(data, size);
  if (holding_) Hold(data, size);
}

void MemberStream::Decide() {
  decided_ = true;
  kind_ = KindOf(head_, headSize_);
  if (kind_ == ArchiveKind::None) return;
  if (level_ >= search_.limits.depth) {
    search_.Fail(Problem::Depth, path_);
    kind_ = ArchiveKind::None;
    return;
  }
  const std::wstring prefix = path_ + kLevelSeparator;
  if (kind_ == ArchiveKind::Gzip) gzip_ = std::make_unique<GzipStream>(search_, level_ + 1, prefix);
  // A ZIP is read from its end: held unless it lies stored.
  if (kind_ == ArchiveKind::Zip && !stored_) holding_ = true;
}

void MemberStream::Hold(const uint8_t* data, size_t size) {
  if (!search_.TakeMemory(size)) {
    search_.Fail(Problem::NestedSize, path_);
    Release();
    return;
  }
  held_.insert(held_.end(), data, data + size);
}

void MemberStream::Release() {
  search_.GiveMemory(held_.size());
  std::vector<uint8_t>().swap(held_);
  holding_ = false;
}

void MemberStream::End(bool whole) {
  search_.Found(match_.Finish(), path_);
  if (!decided_ && whole) Decide();
  if (!whole || search_.Done()) return;
  if (gzip_) gzip_->End();
  if (kind_ != ArchiveKind::Zip) return;
  const std::wstring prefix = path_ + kLevelSeparator;
  if (stored_) {
    search_.Look(kind_, *stored_, level_ + 1, prefix);
  } else if (holding_) {
    const MemorySource held(held_.data(), held_.size());
    search_.Look(kind_, held, level_ + 1, prefix);
  }
  Release();
}

}  // namespace vsk
