#include "engine/containers/Zip.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "engine/containers/MemberNames.h"
#include "engine/containers/MemberStream.h"
#include "engine/containers/Source.h"
#include "engine/text/LittleEndian.h"

namespace vsk {
namespace {

constexpr uint32_t kLocalSignature = 0x04034B50;
constexpr size_t kLocalSize = 30;
constexpr uint32_t kFar = 0xFFFFFFFF;
constexpr uint16_t kEncrypted = 1, kDescriptor = 8, kUtf8 = 0x800;
constexpr uint16_t kStored = 0, kDeflated = 8;
// Compressed bytes read at a time.
constexpr size_t kInputPiece = 64 * 1024;

// What may lie between a member's data and the next header: nothing, or
// the data descriptor the member's flag announces (with or without its
// signature, sizes of 4 or 8 bytes).
bool GapAllowed(uint64_t gap, bool descriptor) {
  return gap == 0 || (descriptor && (gap == 12 || gap == 16 || gap == 20 || gap == 24));
}

class ZipReader {
 public:
  ZipReader(ArchiveSearch& search, const Source& source, int level, const std::wstring& prefix)
      : search_(search), source_(source), level_(level), prefix_(prefix) {}
  ~ZipReader() {
    if (ready_) inflateEnd(&z_);
  }
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  void Run() {
    ZipDirectory directory;
    if (const Problem p = ReadZipDirectory(source_, search_.limits.members, directory);
        p != Problem::None)
      return search_.Fail(p, ArchivePath(prefix_));
    std::vector<ZipEntry>& entries = directory.entries;
    std::stable_sort(entries.begin(), entries.end(),
                     [](const ZipEntry& a, const ZipEntry& b) { return a.offset < b.offset; });
    uint64_t end = 0;  // of the member before
    bool descriptor = false;
    for (size_t i = 0; i < entries.size() && !search_.Done() && search_.Running(); ++i) {
      const ZipEntry& e = entries[i];
      const std::string_view name(reinterpret_cast<const char*>(&directory.bytes[e.nameAt]),
                                  e.nameLength);
      // A member without a name goes by its place in the directory.
      const std::wstring path =
          prefix_ + (name.empty() ? L"#" + std::to_wstring(i + 1) : ZipMemberName(name, e.flags & kUtf8));
      if (i > 0 && e.offset < end) return search_.Fail(Problem::Overlap, path);
      if (i > 0 && !GapAllowed(e.offset - end, descriptor)) return search_.Fail(Problem::Damaged, path);
      uint64_t data = 0;
      if (!CheckLocal(e, name, directory.start, data)) return search_.Fail(Problem::Damaged, path);
      end = data + e.packed;
      descriptor = e.flags & kDescriptor;
      Member(e, data, path);
    }
    if (!entries.empty() && !search_.Done() && !GapAllowed(directory.start - end, descriptor))
      search_.Fail(Problem::Damaged, ArchivePath(prefix_));
  }

 private:
  // The local header agrees with the directory's entry; `data` is where
  // the member's bytes begin, and they end before the directory.
  bool CheckLocal(const ZipEntry& e, std::string_view name, uint64_t directory, uint64_t& data) {
    uint8_t h[kLocalSize];
    if (e.offset > directory || directory - e.offset < kLocalSize || !source_.Read(e.offset, h, kLocalSize))
      return false;
    const uint16_t flags = le::Get16(h + 6), method = le::Get16(h + 8);
    const uint16_t nameLength = le::Get16(h + 26), extra = le::Get16(h + 28);
    if (le::Get32(h) != kLocalSignature || method != e.method || nameLength != e.nameLength ||
        ((flags ^ e.flags) & (kEncrypted | kDescriptor)))
      return false;
    if (!(flags & kDescriptor)) {
      const uint32_t packed = le::Get32(h + 18), size = le::Get32(h + 22);
      if (le::Get32(h + 14) != e.crc || (packed != kFar && packed != e.packed) ||
          (size != kFar && size != e.size))
        return false;
    }
    std::string local(nameLength, '\0');
    if (!source_.Read(e.offset + kLocalSize, local.data(), nameLength) || local != name) return false;
    data = e.offset + kLocalSize + nameLength + extra;
    return data <= directory && e.packed <= directory - data;
  }

  void Member(const ZipEntry& e, uint64_t data, const std::wstring& path) {
    if (e.flags & kEncrypted) return search_.Fail(Problem::Encrypted, path);
    if (e.method != kStored && e.method != kDeflated) return search_.Fail(Problem::Method, path);
    if (e.method == kStored && e.packed != e.size) return search_.Fail(Problem::Damaged, path);
    const SliceSource bytes(source_, data, e.packed);
    MemberStream member(search_, level_, path, e.method == kStored ? &bytes : nullptr);
    uint32_t crc = static_cast<uint32_t>(crc32(0, Z_NULL, 0));
    uint64_t size = 0;
    const bool whole = e.method == kStored ? Copy(bytes, member, crc, size)
                                           : Inflate(bytes, member, crc, size);
    member.End(whole);
    if (whole && (size != e.size || crc != e.crc) && !search_.Done())
      search_.Fail(Problem::Damaged, path);
  }

  bool Copy(const Source& bytes, MemberStream& member, uint32_t& crc, uint64_t& size) {
    while (size < bytes.Size()) {
      size_t room;
      uint8_t* to = member.Space(room);
      const size_t n = static_cast<size_t>(std::min<uint64_t>(room, bytes.Size() - size));
      if (!bytes.Read(size, to, n)) {
        search_.Fail(Problem::ReadError, member.Path());
        return false;
      }
      crc = static_cast<uint32_t>(crc32(crc, to, static_cast<uInt>(n)));
      size += n;
      if (!member.Commit(n)) return false;
    }
    return true;
  }

  // One inflater for all the members, reset for each.
  bool Inflate(const Source& bytes, MemberStream& member, uint32_t& crc, uint64_t& size) {
    if (ready_ ? inflateReset(&z_) != Z_OK : inflateInit2(&z_, -MAX_WBITS) != Z_OK) {
      search_.Fail(Problem::ReadError, member.Path());
      return false;
    }
    ready_ = true;
    return Pump(z_, bytes, member, crc, size);
  }

  bool Pump(z_stream& z, const Source& bytes, MemberStream& member, uint32_t& crc, uint64_t& size) {
    input_.resize(kInputPiece);
    uint64_t read = 0, used = 0;
    for (;;) {
      if (z.avail_in == 0 && read < bytes.Size()) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(kInputPiece, bytes.Size() - read));
        if (!bytes.Read(read, input_.data(), n)) {
          search_.Fail(Problem::ReadError, member.Path());
          return false;
        }
        read += n;
        z.next_in = input_.data();
        z.avail_in = static_cast<uInt>(n);
      }
      size_t room;
      uint8_t* to = member.Space(room);
      z.next_out = to;
      z.avail_out = static_cast<uInt>(room);
      const uInt offered = z.avail_in;
      const int ret = inflate(&z, Z_NO_FLUSH);
      used += offered - z.avail_in;
      const size_t made = room - z.avail_out;
      crc = static_cast<uint32_t>(crc32(crc, to, static_cast<uInt>(made)));
      size += made;
      if (made > 0 && !member.Commit(made)) return false;
      if (size > ArchiveLimits::kRatioFloor && size / std::max<uint64_t>(used, 1) > search_.limits.ratio) {
        search_.Fail(Problem::Ratio, member.Path());
        return false;
      }
      if (ret == Z_STREAM_END) {
        // The stream must end where the directory says the member does.
        if (z.avail_in == 0 && read == bytes.Size()) return true;
        search_.Fail(Problem::Damaged, member.Path());
        return false;
      }
      const bool starved = z.avail_in == 0 && read == bytes.Size();
      if ((ret != Z_OK && ret != Z_BUF_ERROR) || (starved && made == 0)) {
        search_.Fail(Problem::Damaged, member.Path());
        return false;
      }
    }
  }

  ArchiveSearch& search_;
  const Source& source_;
  int level_;
  const std::wstring& prefix_;
  std::vector<uint8_t> input_;
  z_stream z_{};
  bool ready_ = false;
};

}  // namespace

void LookIntoZip(ArchiveSearch& search, const Source& source, int level, const std::wstring& prefix) {
  ZipReader(search, source, level, prefix).Run();
}

}  // namespace vsk
