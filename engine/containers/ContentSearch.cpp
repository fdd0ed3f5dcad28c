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

int ContentSearch::SearchMembers(const uint8_t* data, size_t size, std::wstring& inside) const {
  inside.clear();
  const ArchiveKind kind = KindOf(data, size);
  if (kind == ArchiveKind::None || limits_.depth <= 0) return kMatchClean;
  ArchiveSearch search(matcher_, limits_, scanBytes_, nullptr);
  search.Look(kind, MemorySource(data, size), 1, {});
  return search.Result(inside);
}

}  // namespace vsk
