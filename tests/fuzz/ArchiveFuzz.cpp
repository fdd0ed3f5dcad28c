// Any bytes as an archive: the reader ends, within its limits, with a
// truthful result and never reads outside what it was given.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/containers/ContentSearch.h"
#include "tests/TestUtil.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const vsk::VirusTable table = vsk::test::MakeTable({{"Evil", "EVIL"}, {"Z", "\x01\x02"}});
  static const vsk::SignatureMatcher matcher(table);
  vsk::ArchiveLimits limits;
  limits.archiveBytes = 8 << 20;
  const vsk::ContentSearch search(matcher, limits);
  std::wstring inside;
  const int match = search.SearchMembers(data, size, inside);
  if (match < vsk::kMatchUnreadable || match >= table.count) std::abort();
  // A verdict about a member names it; clean says nothing.
  if ((match == vsk::kMatchClean) != inside.empty()) std::abort();
  return 0;
}
