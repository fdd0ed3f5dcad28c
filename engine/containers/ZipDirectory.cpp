#include <algorithm>
#include <vector>

#include "engine/containers/Source.h"
#include "engine/containers/Zip.h"
#include "engine/text/LittleEndian.h"

namespace vsk {
namespace {

constexpr uint32_t kEndSignature = 0x06054B50;
constexpr uint32_t kEnd64Signature = 0x06064B50;
constexpr uint32_t kLocator64Signature = 0x07064B50;
constexpr uint32_t kCentralSignature = 0x02014B50;
constexpr size_t kEndSize = 22, kLocatorSize = 20, kEnd64Size = 56, kCentralSize = 46;
constexpr uint32_t kFar = 0xFFFFFFFF;
// The central directory is held whole; one this large is no archive's.
constexpr uint64_t kMaxDirectory = uint64_t{64} << 20;

uint64_t Get64(const uint8_t* p) { return le::Get32(p) | uint64_t{le::Get32(p + 4)} << 32; }

struct End {
  uint64_t entries = 0, size = 0, offset = 0;
  uint64_t at = 0;  // where the records after the directory begin
};

Problem ReadEnd(const Source& source, End& end) {
  const uint64_t size = source.Size();
  if (size < kEndSize) return Problem::Damaged;
  const size_t tail = static_cast<size_t>(std::min<uint64_t>(size, 0xFFFF + kEndSize));
  std::vector<uint8_t> bytes(tail);
  if (!source.Read(size - tail, bytes.data(), tail)) return Problem::ReadError;
  // The last record whose comment fits before the end.
  size_t i = tail - kEndSize + 1;
  const uint8_t* p = nullptr;
  while (i-- > 0) {
    if (le::Get32(&bytes[i]) == kEndSignature && i + kEndSize + le::Get16(&bytes[i + 20]) <= tail) {
      p = &bytes[i];
      break;
    }
  }
  if (!p) return Problem::Damaged;
  end.at = size - tail + i;
  const uint16_t disk = le::Get16(p + 4), directoryDisk = le::Get16(p + 6);
  end.entries = le::Get16(p + 10);
  end.size = le::Get32(p + 12);
  end.offset = le::Get32(p + 16);
  const bool wide = end.entries == 0xFFFF || end.size == kFar || end.offset == kFar;
  uint8_t locator[kLocatorSize];
  if (end.at >= kLocatorSize && source.Read(end.at - kLocatorSize, locator, kLocatorSize) &&
      le::Get32(locator) == kLocator64Signature) {
    const uint64_t at = Get64(locator + 8);
    uint8_t record[kEnd64Size];
    if (at > end.at - kLocatorSize || !source.Read(at, record, kEnd64Size) ||
        le::Get32(record) != kEnd64Signature)
      return Problem::Damaged;
    if (le::Get32(record + 16) != 0 || le::Get32(record + 20) != 0) return Problem::Method;
    end.entries = Get64(record + 32);
    end.size = Get64(record + 40);
    end.offset = Get64(record + 48);
    end.at = at;
  } else if (wide) {
    return Problem::Damaged;
  } else if (disk != 0 || directoryDisk != 0) {
    return Problem::Method;  // an archive of several volumes
  }
  return Problem::None;
}

// The ZIP64 values of the fields that were 0xFFFFFFFF, in the field's order.
bool ReadZip64(const uint8_t* extra, size_t length, uint64_t* size, uint64_t* packed, uint64_t* offset) {
  for (size_t at = 0; at + 4 <= length;) {
    const uint16_t id = le::Get16(extra + at), n = le::Get16(extra + at + 2);
    if (at + 4 + n > length) return false;
    if (id == 1) {
      size_t k = at + 4;
      for (uint64_t* v : {size, packed, offset}) {
        if (!v) continue;
        if (k + 8 > at + 4 + n) return false;
        *v = Get64(extra + k);
        k += 8;
      }
      return true;
    }
    at += 4 + n;
  }
  return !size && !packed && !offset;
}

}  // namespace

Problem ReadZipDirectory(const Source& source, uint64_t members, ZipDirectory& out) {
  End end;
  if (const Problem p = ReadEnd(source, end); p != Problem::None) return p;
  if (end.entries > members) return Problem::Members;
  if (end.size > end.at || end.offset > end.at - end.size) return Problem::Damaged;
  if (end.size > kMaxDirectory) return Problem::Members;
  // Bytes before the archive (a self-extracting program) move every offset.
  const uint64_t shift = end.at - end.size - end.offset;
  out.start = end.offset + shift;
  out.bytes.resize(static_cast<size_t>(end.size));
  if (!source.Read(out.start, out.bytes.data(), out.bytes.size())) return Problem::ReadError;
  out.entries.clear();
  out.entries.reserve(static_cast<size_t>(std::min<uint64_t>(end.entries, 4096)));
  const std::vector<uint8_t>& b = out.bytes;
  size_t at = 0;
  for (uint64_t i = 0; i < end.entries; ++i) {
    if (at + kCentralSize > b.size() || le::Get32(&b[at]) != kCentralSignature) return Problem::Damaged;
    const uint8_t* p = &b[at];
    ZipEntry e;
    e.flags = le::Get16(p + 8);
    e.method = le::Get16(p + 10);
    e.crc = le::Get32(p + 16);
    e.packed = le::Get32(p + 20);
    e.size = le::Get32(p + 24);
    e.nameLength = le::Get16(p + 28);
    const size_t extra = le::Get16(p + 30), comment = le::Get16(p + 32);
    e.offset = le::Get32(p + 42);
    const size_t whole = kCentralSize + e.nameLength + extra + comment;
    if (at + whole > b.size()) return Problem::Damaged;
    e.nameAt = static_cast<uint32_t>(at + kCentralSize);
    if (!ReadZip64(p + kCentralSize + e.nameLength, extra, e.size == kFar ? &e.size : nullptr,
                   e.packed == kFar ? &e.packed : nullptr, e.offset == kFar ? &e.offset : nullptr))
      return Problem::Damaged;
    if (e.offset > out.start - shift) return Problem::Damaged;
    e.offset += shift;
    out.entries.push_back(e);
    at += whole;
  }
  return at == b.size() ? Problem::None : Problem::Damaged;
}

}  // namespace vsk
