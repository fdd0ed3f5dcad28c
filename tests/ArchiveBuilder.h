// Archives made in the tests with zlib: ZIP members (deflated, stored or
// raw, with ZIP64 fields or a data descriptor) and GZIP members, and a
// deflate stream of many zeros that stays small.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vsk::test {

// Raw deflate (no header), or a GZIP member when `name` is given (empty: a
// member without a name).
inline std::string Deflate(const std::string& data, bool gzip = false, const std::string& name = "") {
  z_stream z{};
  deflateInit2(&z, 6, Z_DEFLATED, gzip ? 16 + MAX_WBITS : -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  gz_header h{};
  if (gzip && !name.empty()) {
    h.name = reinterpret_cast<Bytef*>(const_cast<char*>(name.c_str()));
    deflateSetHeader(&z, &h);
  }
  std::string out(deflateBound(&z, data.size()) + 64, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}
inline std::string Gzip(const std::string& data, const std::string& name = "") {
  return Deflate(data, true, name);
}

inline uint32_t Crc(const std::string& data) {
  return static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

// A raw deflate stream of `mebibytes` MiB of zeros, about 1 KiB per MiB:
// one flushed block repeated. `crc` gets the zeros' CRC.
inline std::string DeflatedZeros(uint64_t mebibytes, uint32_t& crc) {
  const std::string zeros(1 << 20, '\0');
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
  std::string block(64 * 1024, '\0'), tail(64, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
  z.avail_in = static_cast<uInt>(zeros.size());
  z.next_out = reinterpret_cast<Bytef*>(block.data());
  z.avail_out = static_cast<uInt>(block.size());
  deflate(&z, Z_FULL_FLUSH);  // after a full flush nothing refers back
  block.resize(block.size() - z.avail_out);
  z.next_out = reinterpret_cast<Bytef*>(tail.data());
  z.avail_out = static_cast<uInt>(tail.size());
  deflate(&z, Z_FINISH);
  tail.resize(tail.size() - z.avail_out);
  deflateEnd(&z);
  std::string out;
  out.reserve(block.size() * mebibytes + tail.size());
  const uint32_t one = Crc(zeros);
  crc = 0;
  for (uint64_t i = 0; i < mebibytes; ++i) {
    out += block;
    crc = static_cast<uint32_t>(crc32_combine(crc, one, 1 << 20));
  }
  return out + tail;
}

inline void Put(std::string& s, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
}

struct ZipMember {
  std::string name;
  std::string packed;  // as it lies in the archive
  uint64_t size = 0;
  uint32_t crc = 0;
  uint16_t method = 8;
  uint16_t flags = 0;
  bool zip64 = false;  // sizes and offset in a ZIP64 extra field
  uint64_t offset = 0;  // of the local header: set by Build
};

inline ZipMember Deflated(const std::string& name, const std::string& data) {
  return {name, Deflate(data), data.size(), Crc(data)};
}
inline ZipMember Stored(const std::string& name, const std::string& data) {
  return {name, data, data.size(), Crc(data), 0};
}

// The local headers and data in order, then the central directory and its
// end; `edit` may change the entries after the local headers are written.
class ZipBuilder {
 public:
  std::vector<ZipMember> members;

  ZipBuilder& Add(ZipMember m) {
    members.push_back(std::move(m));
    return *this;
  }
  std::string Local() {
    std::string out;
    for (ZipMember& m : members) {
      m.offset = out.size();
      const bool descriptor = m.flags & 8;
      Header(out, 0x04034B50, m, false);
      out += m.packed;
      if (descriptor) {
        Put(out, 0x08074B50, 4);
        Put(out, m.crc, 4);
        Put(out, m.packed.size(), 4);
        Put(out, m.size, 4);
      }
    }
    return out;
  }
  std::string Directory(uint64_t at, bool zip64End = false) const {
    std::string cd;
    for (const ZipMember& m : members) Header(cd, 0x02014B50, m, true);
    std::string out = cd;
    const uint64_t count = members.size();
    if (zip64End) {
      const uint64_t end64 = at + cd.size();
      Put(out, 0x06064B50, 4);
      Put(out, 44, 8);
      Put(out, 45, 2);
      Put(out, 45, 2);
      Put(out, 0, 8);
      Put(out, count, 8);
      Put(out, count, 8);
      Put(out, cd.size(), 8);
      Put(out, at, 8);
      Put(out, 0x07064B50, 4);
      Put(out, 0, 4);
      Put(out, end64, 8);
      Put(out, 1, 4);
    }
    Put(out, 0x06054B50, 4);
    Put(out, 0, 4);
    Put(out, zip64End ? 0xFFFF : count, 2);
    Put(out, zip64End ? 0xFFFF : count, 2);
    Put(out, zip64End ? 0xFFFFFFFF : cd.size(), 4);
    Put(out, zip64End ? 0xFFFFFFFF : at, 4);
    Put(out, 0, 2);
    return out;
  }
  std::string Build(bool zip64End = false) {
    const std::string local = Local();
    return local + Directory(local.size(), zip64End);
  }

 private:
  static void Header(std::string& out, uint32_t signature, const ZipMember& m, bool central) {
    const bool descriptor = m.flags & 8;
    std::string extra;
    if (m.zip64) {
      Put(extra, 1, 2);
      Put(extra, central ? 24 : 16, 2);
      Put(extra, m.size, 8);
      Put(extra, m.packed.size(), 8);
      if (central) Put(extra, m.offset, 8);
    }
    const uint64_t wide = 0xFFFFFFFF;
    Put(out, signature, 4);
    if (central) Put(out, 45, 2);
    Put(out, 20, 2);
    Put(out, m.flags, 2);
    Put(out, m.method, 2);
    Put(out, 0, 4);  // time and date
    Put(out, descriptor && !central ? 0 : m.crc, 4);
    Put(out, m.zip64 ? wide : descriptor && !central ? 0 : m.packed.size(), 4);
    Put(out, m.zip64 ? wide : descriptor && !central ? 0 : m.size, 4);
    Put(out, m.name.size(), 2);
    Put(out, extra.size(), 2);
    if (central) {
      Put(out, 0, 2);   // comment
      Put(out, 0, 2);   // disk
      Put(out, 0, 2);   // internal attributes
      Put(out, 0, 4);   // external attributes
      Put(out, m.zip64 ? wide : m.offset, 4);
    }
    out += m.name;
    out += extra;
  }
};

}  // namespace vsk::test
