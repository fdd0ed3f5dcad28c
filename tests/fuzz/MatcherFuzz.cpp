// The first bytes describe a table (count, then length and bytes of each
// signature), the rest is the data. The fast search must agree with the
// literal definition.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "engine/db/Matcher.h"
#include "tests/ReferenceMatch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  vsk::VirusTable t;
  size_t at = 1;
  const int count = data[0] % 24;
  for (int i = 0; i < count && at < size; ++i) {
    const size_t length = data[at++] % (vsk::kMaxSignature + 1);
    t.lengths[i] = static_cast<uint8_t>(length);
    for (size_t k = 0; k < length && at < size; ++k) t.signatures[i][k] = data[at++];
    t.count = i + 1;
  }
  const vsk::SignatureMatcher matcher(t);
  const uint8_t* d = data + at;
  const size_t n = size - at;
  if (matcher.MatchBuffer(d, n) != vsk::test::ReferenceMatch(t, d, n)) std::abort();
  // A search window that ends early must agree with the prefix it covers.
  const size_t limit = n / 2;
  const vsk::MatchHit hit = matcher.Find(d, n, 0, limit);
  if (hit.Found() && hit.position >= limit) std::abort();
  // One that starts late must agree with the suffix it covers.
  const size_t from = n / 3;
  if (matcher.Find(d, n, from, n).index != vsk::test::ReferenceMatch(t, d + from, n - from))
    std::abort();
  // Every signature at least 3 to 6 bytes long: the sampled search, with
  // its packed offsets (shortest 3 to 5) and without (6).
  vsk::VirusTable sampled = t;
  for (int i = 0; i < sampled.count; ++i)
    sampled.lengths[i] = std::max<uint8_t>(sampled.lengths[i], static_cast<uint8_t>(3 + data[0] % 4));
  if (vsk::SignatureMatcher(sampled).Find(d, n, from, n).index !=
      vsk::test::ReferenceMatch(sampled, d + from, n - from))
    std::abort();
  // A prefix of the first signature added as the last: a short and a long
  // one that start together.
  if (t.count > 0 && t.count < vsk::kMaxViruses && t.lengths[0] > 1) {
    t.lengths[t.count] = static_cast<uint8_t>(1 + data[0] % (t.lengths[0] - 1));
    t.signatures[t.count] = t.signatures[0];
    ++t.count;
    if (vsk::SignatureMatcher(t).MatchBuffer(d, n) != vsk::test::ReferenceMatch(t, d, n))
      std::abort();
  }
  return 0;
}
