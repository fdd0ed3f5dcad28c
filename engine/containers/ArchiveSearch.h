// The search of the members of one file, all levels of nesting together:
// the first virus found, or the first part that could not be read and why,
// and the limits on what is read out.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "engine/containers/ArchiveLimits.h"
#include "engine/db/Matcher.h"

namespace vsk {

class Source;

enum class ArchiveKind { None, Zip, Gzip };
// By the first bytes (at least 4 are needed to tell).
ArchiveKind KindOf(const uint8_t* head, size_t size);

// Why a part of an archive was not read (texts in archive/Texts.h).
enum class Problem {
  None, Encrypted, Method, Damaged, ReadError, Overlap, Depth, Members, Ratio, NestedSize,
  ArchiveBytes, ScanBytes
};

class ArchiveSearch {
 public:
  ArchiveSearch(const SignatureMatcher& matcher, const ArchiveLimits& limits,
                std::atomic<uint64_t>& scanBytes, const std::atomic<bool>* running)
      : matcher(matcher), limits(limits), scanBytes_(scanBytes), running_(running) {}

  // The archive `source` holds at `level` (1 for the file's own members),
  // its members named after `prefix`.
  void Look(ArchiveKind kind, const Source& source, int level, const std::wstring& prefix);

  // A virus found, the run stopped, or a limit on the whole reached: no
  // more is read.
  bool Done() const { return found_ >= 0 || stopped_ || over_; }
  // Checks the running flag; false once it is cleared.
  bool Running();
  // `size` more bytes read out of `path`; false once a limit is passed.
  bool Charge(size_t size, const std::wstring& path);
  void Found(int index, const std::wstring& path);
  // The first problem is kept; the search goes on with the other members.
  void Fail(Problem problem, const std::wstring& path);
  // Memory for a nested archive read into it, all levels together.
  bool TakeMemory(size_t size);
  void GiveMemory(size_t size) { memory_ -= size; }

  // The virus index, kMatchStopped, kMatchUnreadable (a part not read) or
  // kMatchClean; `inside` names the member (and, unread, why).
  int Result(std::wstring& inside) const;

  const SignatureMatcher& matcher;
  const ArchiveLimits& limits;

 private:
  std::atomic<uint64_t>& scanBytes_;
  const std::atomic<bool>* running_;
  uint64_t archiveBytes_ = 0;
  uint64_t memory_ = 0;
  int found_ = kMatchClean;
  std::wstring foundIn_;
  Problem problem_ = Problem::None;
  std::wstring problemIn_;
  bool stopped_ = false;
  bool over_ = false;
};

// Between the levels of a member's path.
inline constexpr wchar_t kLevelSeparator[] = L"::";

}  // namespace vsk
