// A file's content searched for viruses: its bytes as they are (as the
// matcher reads any file), then, when the content is a ZIP or a GZIP
// archive whatever its name, each member as a stream of its own, nested
// archives too, within the limits. One object serves a whole scan run; the
// limit on the bytes of a run is shared by the threads that use it.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>

#include "engine/containers/ArchiveLimits.h"
#include "engine/db/Matcher.h"
#include "engine/os/File.h"

namespace vsk {

class ContentSearch {
 public:
  explicit ContentSearch(const SignatureMatcher& matcher, const ArchiveLimits& limits = {})
      : matcher_(matcher), limits_(limits) {}

  // The match as MatchOpenFile gives it, where a virus in a member counts
  // as the file's and a member not read (encrypted, an unknown method,
  // damaged, cut off by a limit) as a read that failed: -2. `inside` then
  // tells the member ("a/b.zip::c.exe": the levels joined by "::") and,
  // for one not read, why; it is empty for the file's own bytes.
  int Search(const os::File& file, const std::atomic<bool>* running, std::wstring& inside) const;
  // The members of an archive held in memory (the file's own bytes are
  // not searched).
  int SearchMembers(const uint8_t* data, size_t size, std::wstring& inside) const;

  // The parts a file can be searched in, by several threads at once: more
  // than one only for a file of at least two kPartBytes with no holes whose
  // content is no archive. SearchPart gives a part's earliest match; the
  // first part with a result other than clean has the file's result.
  size_t Parts(const os::File& file) const;
  int SearchPart(const os::File& file, size_t part, size_t parts,
                 const std::atomic<bool>* running) const;
  // The bytes of a part (of size bytes in all).
  static uint64_t PartStart(uint64_t size, size_t part, size_t parts) {
    return size / parts * part + std::min<uint64_t>(part, size % parts);
  }
  static constexpr uint64_t kPartBytes = uint64_t{1} << 20;

  const SignatureMatcher& Matcher() const { return matcher_; }

 private:
  const SignatureMatcher& matcher_;
  ArchiveLimits limits_;
  mutable std::atomic<uint64_t> scanBytes_{0};
};

}  // namespace vsk
