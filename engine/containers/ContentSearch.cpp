#include "engine/containers/ContentSearch.h"

#include "engine/containers/ArchiveSearch.h"
#include "engine/containers/Source.h"

namespace vsk {

int ContentSearch::Search(const os::File& file, const std::atomic<bool>* running,
                          std::wstring& inside) const {
  inside.clear();
  SignatureMatcher::Head head;
  const int match = matcher_.MatchOpenFile(file, running, &head);
  if (match != kMatchClean || limits_.depth <= 0 || matcher_.MaxLength() == 0) return match;
  if (file.OpenedSize() < 4) return match;
  if (!head.known && file.ReadAt(0, head.bytes, sizeof(head.bytes)) != sizeof(head.bytes)) return match;
  const ArchiveKind kind = KindOf(head.bytes, sizeof(head.bytes));
  if (kind == ArchiveKind::None) return match;
  ArchiveSearch search(matcher_, limits_, scanBytes_, running);
  search.Look(kind, FileSource(file), 1, {});
  return search.Result(inside);
}

size_t ContentSearch::Parts(const os::File& file) const {
  const long long size = file.OpenedSize();
  if (size < static_cast<long long>(2 * kPartBytes) || matcher_.MaxLength() == 0) return 1;
  if (limits_.depth > 0) {
    uint8_t head[4];
    if (file.ReadAt(0, head, sizeof head) != sizeof head ||
        KindOf(head, sizeof head) != ArchiveKind::None)
      return 1;
  }
  // From the start: all data up to the size at opening.
  const os::File::Extent extent = file.SkipHole();
  if (extent.hole != 0 || extent.data < static_cast<uint64_t>(size)) return 1;
  return static_cast<size_t>(static_cast<uint64_t>(size) / kPartBytes);
}

int ContentSearch::SearchPart(const os::File& file, size_t part, size_t parts,
                              const std::atomic<bool>* running) const {
  const uint64_t size = static_cast<uint64_t>(std::max(file.OpenedSize(), 0LL));
  return matcher_.MatchRange(file, PartStart(size, part, parts), PartStart(size, part + 1, parts),
                             running);
}

int ContentSearch::SearchMembers(const uint8_t* data, size_t size, std::wstring& inside) const {
  inside.clear();
  const ArchiveKind kind = KindOf(data, size);
  if (kind == ArchiveKind::None || limits_.depth <= 0) return kMatchClean;
  ArchiveSearch search(matcher_, limits_, scanBytes_, nullptr);
  search.Look(kind, MemorySource(data, size), 1, {});
  return search.Result(inside);
}

}  // namespace vsk
