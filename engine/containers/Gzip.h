// GZIP: one member after another, each a stream of its own, fed with the
// compressed bytes as they come (from a file or from a member above).
// What follows the last member is no member: it was searched as bytes of
// whatever holds it.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <memory>
#include <string>

#include "engine/containers/ArchiveSearch.h"

namespace vsk {

class MemberStream;

class GzipStream {
 public:
  GzipStream(ArchiveSearch& search, int level, std::wstring prefix);
  ~GzipStream();
  GzipStream(const GzipStream&) = delete;
  GzipStream& operator=(const GzipStream&) = delete;

  // More compressed bytes.
  void Push(const uint8_t* data, size_t size);
  // No more: a member cut short is damaged.
  void End();

 private:
  bool StartMember();
  void Stop(Problem problem);
  void NameMember();

  ArchiveSearch& search_;
  int level_;
  std::wstring prefix_;
  z_stream z_{};
  bool ready_ = false;
  gz_header header_{};
  Bytef name_[256] = {};
  std::unique_ptr<MemberStream> member_;
  bool named_ = false;
  uint64_t members_ = 0;
  uint64_t in_ = 0, out_ = 0;  // of the member
  bool over_ = false;          // nothing more is read
};

void LookIntoGzip(ArchiveSearch& search, const Source& source, int level, const std::wstring& prefix);

}  // namespace vsk
