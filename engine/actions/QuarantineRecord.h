// One line of the quarantine's record file: where a stored file came from,
// its virus, when it was stored, its size and the SHA-256 of its content.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "engine/os/File.h"
#include "engine/os/Folder.h"

namespace vsk {

struct QuarantineRecord {
  os::NativeName stored;
  std::filesystem::path original;
  std::wstring virus;
  std::string time;  // UTC, as 2024-05-06T07:08:09Z
  uint64_t size = 0;
  std::string sha256;
};

// A record as one line without its line end: STORED, ORIGINAL, VIRUS, TIME,
// SIZE and SHA256 separated by tabs, in UTF-8. A name's native form is kept
// whole: bytes that are no UTF-8 text (on Windows, unpaired UTF-16 halves),
// control characters and '%' are written as %XX.
std::string FormatRecord(const QuarantineRecord& record);
bool ParseRecord(std::string_view line, QuarantineRecord& record);
std::string EscapeName(const os::NativeName& name);
bool UnescapeName(std::string_view text, os::NativeName& name);

// The record file: each record a line ending in '\n'. Reading skips empty
// lines.
std::vector<std::string> RecordLines(std::string_view fileText);
std::string RecordFileText(const std::vector<std::string>& lines);

// The native form of a name as bytes: itself on POSIX; on Windows its UTF-16
// units in UTF-8, an unpaired half as its own 3-byte sequence, so that it
// survives.
std::string NativeBytes(const os::NativeName& name);

// The time of the system clock in UTC, as the records write it.
std::string UtcTimeText();

}  // namespace vsk
