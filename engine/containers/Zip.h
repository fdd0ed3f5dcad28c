// ZIP: the central directory, trusted only where the local headers agree,
// and the members in the order they lie, each read once. Entries that
// overlap, and bytes between members that no entry accounts for, refuse
// the rest of the archive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/containers/ArchiveSearch.h"

namespace vsk {

class Source;

struct ZipEntry {
  uint64_t offset = 0;  // of the local header, in the source
  uint64_t packed = 0;
  uint64_t size = 0;
  uint32_t crc = 0;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint32_t nameAt = 0;  // in ZipDirectory::bytes
  uint16_t nameLength = 0;
};

struct ZipDirectory {
  std::vector<uint8_t> bytes;  // the central directory as read
  std::vector<ZipEntry> entries;
  uint64_t start = 0;  // where the central directory begins: members end before
};

// Reads the end records and the central directory; Problem::None when
// they are sound. A directory of more members than `members` is refused.
Problem ReadZipDirectory(const Source& source, uint64_t members, ZipDirectory& out);

void LookIntoZip(ArchiveSearch& search, const Source& source, int level, const std::wstring& prefix);

}  // namespace vsk
