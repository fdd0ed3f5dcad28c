#include "engine/actions/CureMarker.h"

#include <charconv>
#include <string>
#include <string_view>

#include "engine/actions/CureTransaction.h"
#include "engine/actions/QuarantineRecord.h"
#include "engine/actions/Sha256.h"
#include "engine/os/AtomicWrite.h"
#include "engine/os/Ownership.h"

namespace vsk {

namespace {

constexpr char kHeader[] = "vireskand-cure 1\n";
constexpr size_t kMaxMarkerSize = 4096;

bool ParseNumber(std::string_view text, uint64_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// HEADER, then VOLUME, INDEX, SIZE, SHA256 and the escaped names of the
// copy and the built file separated by tabs, on a line of its own.
std::string FormatMarker(const CureMarker& m) {
  return kHeader + std::to_string(m.target.volume) + '\t' + std::to_string(m.target.index) + '\t' +
         std::to_string(m.size) + '\t' + m.sha256 + '\t' + EscapeName(m.copyName) + '\t' +
         EscapeName(m.builtName) + '\n';
}

// A file beside `name` named as the cure makes it: NAME's prefix, eight
// hex digits, `suffix`; never anything else of the folder.
bool IsNamedFor(const os::NativeName& file, const os::NativeName& name, const char* suffixText) {
  const os::NativeName prefix = os::NewNamePrefix(name), suffix = os::FromAscii(suffixText);
  return file.size() == prefix.size() + 8 + suffix.size() && file.starts_with(prefix) &&
         file.ends_with(suffix);
}

bool ParseMarker(std::string_view text, const os::NativeName& name, CureMarker& m) {
  if (!text.starts_with(kHeader) || !text.ends_with('\n')) return false;
  text = text.substr(sizeof kHeader - 1, text.size() - sizeof kHeader);
  constexpr int kFields = 6;
  std::string_view f[kFields];
  for (int i = 0; i < kFields; ++i) {
    const bool last = i == kFields - 1;
    const size_t tab = last ? text.size() : text.find('\t');
    if (tab == std::string_view::npos) return false;
    f[i] = text.substr(0, tab);
    text.remove_prefix(last ? tab : tab + 1);
  }
  return ParseNumber(f[0], m.target.volume) && ParseNumber(f[1], m.target.index) &&
         ParseNumber(f[2], m.size) && f[3].size() == 64 &&
         f[3].find_first_not_of("0123456789abcdef") == std::string_view::npos &&
         (m.sha256 = f[3], UnescapeName(f[4], m.copyName)) && UnescapeName(f[5], m.builtName) &&
         IsNamedFor(m.copyName, name, kRecoverySuffix) &&
         IsNamedFor(m.builtName, name, os::kAtomicWriteSuffix);
}

// Reads the open marker of `name` if its owner and rights say only the
// target's keeper or the system could have written it.
bool ReadMarker(const os::File& marker, const os::File& target, const os::NativeName& name,
                CureMarker& m) {
  if (!os::SameKeeper(marker, target, kMaxMarkerSize)) return false;
  std::string text(kMaxMarkerSize, '\0');
  const long long n = marker.ReadAt(0, text.data(), text.size());
  if (n <= 0) return false;
  text.resize(static_cast<size_t>(n));
  return ParseMarker(text, name, m);
}

}  // namespace

os::NativeName CureMarkerName(const os::NativeName& name) {
  return name + os::FromAscii(kCureMarkerSuffix);
}

bool IsCureMarkerName(const os::NativeChar* name) {
  constexpr size_t kSuffix = sizeof kCureMarkerSuffix - 1;
  const size_t length = std::char_traits<os::NativeChar>::length(name);
  if (length <= kSuffix) return false;
  for (size_t i = 0; i < kSuffix; ++i)
    if (name[length - kSuffix + i] != static_cast<os::NativeChar>(kCureMarkerSuffix[i])) return false;
  return true;
}

os::NativeName MarkedName(const os::NativeName& markerName) {
  return markerName.substr(0, markerName.size() - (sizeof kCureMarkerSuffix - 1));
}

bool WriteCureMarker(const os::Folder& folder, const os::NativeName& name, const CureMarker& m) {
  const std::string text = FormatMarker(m);
  const auto write = [&](os::File& out) { return out.WriteAt(0, text.data(), text.size()); };
  if (os::WriteAtomically(folder, CureMarkerName(name), false, write) != os::AtomicResult::Written)
    return false;
  if (folder.Sync()) return true;
  RemoveCureMarker(folder, name);
  return false;
}

bool RemoveCureMarker(const os::Folder& folder, const os::NativeName& name) {
  const os::NativeName markerName = CureMarkerName(name);
  const os::NameInfo info = folder.Inspect(markerName);
  return info.kind == os::Kind::File && folder.Remove(markerName, info.id) && folder.Sync();
}

PendingCure ResolvePendingCure(const os::Folder& folder, const os::NativeName& name) {
  const os::NativeName markerName = CureMarkerName(name);
  if (folder.Inspect(markerName).kind == os::Kind::Missing) return PendingCure::None;
  os::File target;
  os::FileLock lock;
  if (target.Open(folder, name, true) != os::Error::None || !lock.Take(target, kCureLockWaitMs))
    return PendingCure::Unresolved;
  // Under the lock: a cure that was running has ended, its marker gone.
  const os::NameInfo info = folder.Inspect(markerName);
  if (info.kind == os::Kind::Missing) return PendingCure::None;
  os::File marker, copy;
  CureMarker m;
  // Only where nobody else may make names is the marker surely ours.
  if (folder.Trusted() != os::Folder::Trust::Trusted || info.kind != os::Kind::File ||
      marker.Open(folder, markerName, false) != os::Error::None || marker.Id() != info.id ||
      !ReadMarker(marker, target, name, m) || m.target != target.Id() ||
      copy.Open(folder, m.copyName, false) != os::Error::None ||
      !os::SameKeeper(copy, target, m.size) || copy.Size() != static_cast<long long>(m.size) ||
      HashContent(copy, m.size) != m.sha256)
    return PendingCure::Refused;
  if (!os::CopyBytes(copy, target, m.size) || !target.Truncate(m.size) || !target.Flush())
    return PendingCure::Unresolved;
  marker.Close();
  if (!folder.Remove(markerName, info.id) || !folder.Sync()) return PendingCure::Unresolved;
  const os::FileId copyId = copy.Id();
  copy.Close();
  folder.Remove(m.copyName, copyId);
  if (const os::NameInfo built = folder.Inspect(m.builtName); built.kind == os::Kind::File)
    folder.Remove(m.builtName, built.id);
  return PendingCure::Restored;
}

}  // namespace vsk
