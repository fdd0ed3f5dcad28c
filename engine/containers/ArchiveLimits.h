// How far a scan looks into archives. Each limit protects time or memory
// against an archive made to exhaust them; an archive cut off by one is
// told as not fully scanned, never as clean.
#pragma once

#include <cstdint>

namespace vsk {

struct ArchiveLimits {
  // Archive levels looked into: 1 the file's own members, 2 also those of
  // an archive among them, and so on; 0 looks into none.
  int depth = 5;
  // Members of one archive (or of one GZIP file): the most a ZIP holds
  // without ZIP64.
  uint64_t members = 65535;
  // Bytes read out of the members of one file, all levels together: the
  // largest member a ZIP holds without ZIP64.
  uint64_t archiveBytes = uint64_t{4} << 30;
  // The same for all the archives of a scan run.
  uint64_t scanBytes = uint64_t{64} << 30;
  // Bytes a member may expand to per compressed byte, once it has expanded
  // past kRatioFloor: real data rarely passes 100, a bomb of zeros is at
  // about 1000.
  uint64_t ratio = 250;
  static constexpr uint64_t kRatioFloor = uint64_t{1} << 20;
  // A compressed archive inside another is read into memory to be looked
  // into (a ZIP needs its end first); all levels together hold at most this.
  static constexpr uint64_t kNestedMemory = uint64_t{64} << 20;
};

}  // namespace vsk
