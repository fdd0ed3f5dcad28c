#include "engine/containers/Gzip.h"

#include <algorithm>
#include <vector>

#include "engine/containers/MemberNames.h"
#include "engine/containers/MemberStream.h"
#include "engine/containers/Source.h"

namespace vsk {

// Compressed bytes read at a time.
constexpr size_t kInputPiece = 64 * 1024;

GzipStream::GzipStream(ArchiveSearch& search, int level, std::wstring prefix)
    : search_(search), level_(level), prefix_(std::move(prefix)) {}

GzipStream::~GzipStream() {
  if (ready_) inflateEnd(&z_);
}

bool GzipStream::StartMember() {
  if (members_ >= search_.limits.members) {
    search_.Fail(Problem::Members, ArchivePath(prefix_));
    over_ = true;
    return false;
  }
  // 16 + 15: a GZIP header and trailer around raw deflate.
  if (!ready_) {
    if (inflateInit2(&z_, 16 + MAX_WBITS) != Z_OK) {
      search_.Fail(Problem::ReadError, ArchivePath(prefix_));
      over_ = true;
      return false;
    }
    ready_ = true;
  } else {
    inflateReset(&z_);
  }
  header_ = {};
  header_.name = name_;
  header_.name_max = sizeof(name_) - 1;
  inflateGetHeader(&z_, &header_);
  in_ = out_ = 0;
  named_ = false;
  member_ = std::make_unique<MemberStream>(search_, level_,
                                           prefix_ + L"#" + std::to_wstring(members_ + 1));
  return true;
}

void GzipStream::NameMember() {
  named_ = true;
  if (header_.name == Z_NULL || name_[0] == 0) return;
  name_[sizeof(name_) - 1] = 0;
  const std::string name(reinterpret_cast<const char*>(name_));
  member_->SetPath(prefix_ + GzipMemberName(name));
}

void GzipStream::Stop(Problem problem) {
  search_.Fail(problem, member_ ? member_->Path() : ArchivePath(prefix_));
  if (member_) member_->End(false);
  member_.reset();
  over_ = true;
}

void GzipStream::Push(const uint8_t* data, size_t size) {
  bool full = false;  // output may be waiting in the stream
  while (!over_ && !search_.Done() && (size > 0 || (member_ && full))) {
    if (!member_) {
      // After a member, anything but the next one's start ends the file.
      if (members_ > 0 && data[0] != 0x1F) {
        over_ = true;
        return;
      }
      if (!StartMember()) return;
    }
    z_.next_in = const_cast<Bytef*>(data);
    z_.avail_in = static_cast<uInt>(std::min<size_t>(size, kInputPiece));
    size_t room;
    uint8_t* to = member_->Space(room);
    z_.next_out = to;
    z_.avail_out = static_cast<uInt>(room);
    const uInt offered = z_.avail_in;
    const int ret = inflate(&z_, Z_NO_FLUSH);
    const size_t used = offered - z_.avail_in;
    const size_t made = room - z_.avail_out;
    data += used;
    size -= used;
    in_ += used;
    out_ += made;
    full = z_.avail_out == 0;
    if (!named_ && header_.done == 1) NameMember();
    if (made > 0 && !member_->Commit(made)) {
      member_->End(false);
      member_.reset();
      return;
    }
    if (out_ > ArchiveLimits::kRatioFloor && out_ / std::max<uint64_t>(in_, 1) > search_.limits.ratio)
      return Stop(Problem::Ratio);
    if (ret == Z_STREAM_END) {
      ++members_;
      member_->End(true);
      member_.reset();
    } else if (ret == Z_DATA_ERROR && members_ > 0 && out_ == 0 && header_.done != 1) {
      // Not a member after all: bytes after the last one.
      member_.reset();
      over_ = true;
    } else if (ret != Z_OK && !(ret == Z_BUF_ERROR && used == 0 && made == 0)) {
      return Stop(Problem::Damaged);
    } else if (used == 0 && made == 0) {
      return;  // more input is needed
    }
  }
}

void GzipStream::End() {
  if (member_ && !over_ && !search_.Done()) Stop(Problem::Damaged);
  if (members_ == 0 && !over_ && !search_.Done()) search_.Fail(Problem::Damaged, ArchivePath(prefix_));
}

void LookIntoGzip(ArchiveSearch& search, const Source& source, int level, const std::wstring& prefix) {
  GzipStream gzip(search, level, prefix);
  std::vector<uint8_t> piece(kInputPiece);
  const uint64_t size = source.Size();
  for (uint64_t at = 0; at < size && !search.Done();) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(piece.size(), size - at));
    if (!source.Read(at, piece.data(), n)) {
      search.Fail(Problem::ReadError, ArchivePath(prefix));
      return;
    }
    gzip.Push(piece.data(), n);
    at += n;
  }
  if (!search.Done()) gzip.End();
}

}  // namespace vsk
