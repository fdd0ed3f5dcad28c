// One member's bytes as they are read out: searched as a stream of their
// own, counted against the limits, and, when they are an archive, looked
// into at the next level.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/containers/ArchiveSearch.h"
#include "engine/db/MatchStream.h"

namespace vsk {

class GzipStream;
class Source;

class MemberStream {
 public:
  // `stored`: the member's bytes as they lie in the archive, when they do,
  // so a nested archive need not be held in memory.
  MemberStream(ArchiveSearch& search, int level, std::wstring path, const Source* stored = nullptr);
  ~MemberStream();

  void SetPath(std::wstring path) { path_ = std::move(path); }
  const std::wstring& Path() const { return path_; }
  // Where the next bytes go, and how many fit.
  uint8_t* Space(size_t& room) {
    space_ = match_.Space(room);
    return space_;
  }
  // `size` bytes written at Space(); false once nothing more is wanted.
  bool Commit(size_t size);
  // The member ends: what came is searched to its end; when `whole`, a
  // nested archive in it is looked into.
  void End(bool whole);

 private:
  void Nested(const uint8_t* data, size_t size);
  void Decide();
  void Hold(const uint8_t* data, size_t size);
  void Release();

  ArchiveSearch& search_;
  int level_;
  std::wstring path_;
  const Source* stored_;
  MatchStream match_;
  uint8_t* space_ = nullptr;
  uint8_t head_[4] = {};
  size_t headSize_ = 0;
  bool decided_ = false;
  ArchiveKind kind_ = ArchiveKind::None;
  std::unique_ptr<GzipStream> gzip_;
  bool holding_ = false;  // a compressed ZIP, read into memory
  std::vector<uint8_t> held_;
};

// The archive named `prefix` (its path and the separator), for a problem
// of the archive as a whole.
inline std::wstring ArchivePath(const std::wstring& prefix) {
  const size_t n = sizeof(kLevelSeparator) / sizeof(wchar_t) - 1;
  return prefix.size() >= n ? prefix.substr(0, prefix.size() - n) : prefix;
}

}  // namespace vsk
