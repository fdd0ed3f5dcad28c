#include "engine/CureEngine.h"

#include <algorithm>
#include <cstdint>
#include <system_error>
#include <utility>
#include <vector>

#include "engine/FileIo.h"
#include "engine/FolderWalk.h"
#include "engine/Os.h"
#include "engine/Text1251.h"

namespace vsk {
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

struct Patch {
  uint64_t offset;
  Bytes bytes;
};

// The repaired file: the first `keep` bytes of the infected one with the
// patches written over them, in order.
struct Plan {
  uint64_t keep = 0;
  std::vector<Patch> patches;
};

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
Bytes Put16(uint32_t v) { return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)}; }
Bytes Put32(uint32_t v) {
  return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
          static_cast<uint8_t>(v >> 24)};
}

bool Read16(std::FILE* f, uint64_t offset, uint16_t& value) {
  uint8_t b[2];
  if (!ReadAtOffset(f, offset, b, 2)) return false;
  value = Le16(b);
  return true;
}
bool Read32(std::FILE* f, uint64_t offset, uint32_t& value) {
  uint8_t b[4];
  if (!ReadAtOffset(f, offset, b, 4)) return false;
  value = Le32(b);
  return true;
}

fs::path TempBeside(const fs::path& path) {
  fs::path temp = path;
  temp += ".vsk~";
  return temp;
}

bool Exists(const fs::path& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

// Copies the first `keep` bytes of `source` into a new file `temp`, then
// lets `edit` change the copy. The copy is closed (and so flushed) before
// this returns true; on false no copy is left.
template <typename Edit>
bool WriteCopy(std::FILE* source, uint64_t keep, const fs::path& temp, Edit edit) {
  FilePtr out(OpenFile(temp, "w+b"));
  if (!out) return false;
  bool ok = SeekTo(source, 0);
  std::vector<uint8_t> buffer(64 * 1024);
  for (uint64_t left = keep; ok && left > 0;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(left, buffer.size()));
    ok = std::fread(buffer.data(), 1, n, source) == n &&
         std::fwrite(buffer.data(), 1, n, out.get()) == n;
    left -= n;
  }
  ok = ok && edit(out.get());
  ok = (std::fclose(out.release()) == 0) && ok;
  if (!ok) {
    std::error_code ec;
    fs::remove(temp, ec);
  }
  return ok;
}

// Puts the finished copy in the place of `path`, with the attributes of
// `path` when it still exists.
bool Commit(const fs::path& temp, const fs::path& path) {
  if ((!Exists(path) || os::CopyAttributes(path, temp)) && os::ReplaceExisting(temp, path))
    return true;
  std::error_code ec;
  fs::remove(temp, ec);
  return false;
}

// Closes `infected` before the copy takes its place: Windows does not
// replace an open file.
CureOutcome Apply(FilePtr infected, const fs::path& path, const Plan& plan) {
  const fs::path temp = TempBeside(path);
  const bool written = WriteCopy(infected.get(), plan.keep, temp, [&](std::FILE* out) {
    for (const Patch& p : plan.patches) {
      if (p.offset >= plan.keep) continue;
      const size_t n = static_cast<size_t>(std::min<uint64_t>(p.bytes.size(), plan.keep - p.offset));
      if (!WriteAtOffset(out, p.offset, p.bytes.data(), n)) return false;
    }
    return true;
  });
  infected.reset();
  return written && Commit(temp, path) ? CureOutcome::Cured : CureOutcome::Failed;
}

CureOutcome DeleteIncurable(const fs::path& path) {
  std::error_code ec;
  return fs::remove(path, ec) ? CureOutcome::IncurableDeleted
                              : CureOutcome::IncurableDeleteFailed;
}

// The virus appended 733 bytes and keeps the program's first three bytes 306
// bytes into its body.
bool PlanCom(std::FILE* f, uint64_t length, Plan& plan) {
  Bytes saved(3);
  if (!ReadAtOffset(f, length - kComVirusSize + kComSavedBytes, saved.data(), 3)) return false;
  plan.keep = length - kComVirusSize;
  plan.patches.push_back({0, saved});
  return true;
}

// The virus appended 815 bytes and keeps the program's IP, CS, SP and SS 86
// bytes into its body. Returns false when the file is no MZ program whose
// header lies inside the clean part.
bool PlanMz(std::FILE* f, uint64_t length, Plan& plan) {
  const uint64_t n = length - kMzVirusSize;
  uint8_t mz[2];
  uint8_t saved[8];
  if (n < 24 || !ReadAtOffset(f, 0, mz, 2) || mz[0] != 'M' || mz[1] != 'Z') return false;
  if (!ReadAtOffset(f, n + kMzSavedRegisters, saved, 8)) return false;
  plan.keep = n;
  plan.patches = {{14, Put16(Le16(saved + 6))},  // SS
                  {16, Put16(Le16(saved + 4))},  // SP
                  {20, Put16(Le16(saved + 0))},  // IP
                  {22, Put16(Le16(saved + 2))},  // CS
                  {2, Put16(static_cast<uint32_t>(n % 512))},
                  {4, Put16(static_cast<uint32_t>((n + 511) / 512))}};
  return true;
}

// The virus added itself as the last section of a 32-bit PE and moved the
// entry point into it; the 32-bit value 9 bytes into its raw data corrects
// the entry point. Returns false unless every field read or written lies in
// the file and the headers lie before the section that is cut off.
bool PlanPe(std::FILE* f, uint64_t length, Plan& plan) {
  uint8_t mz[2];
  uint8_t pe[4];
  uint32_t h = 0;
  uint16_t sections = 0, optionalSize = 0, magic = 0;
  if (length < 64 || !ReadAtOffset(f, 0, mz, 2) || mz[0] != 'M' || mz[1] != 'Z') return false;
  if (!Read32(f, 60, h)) return false;
  const uint64_t H = h;
  if (H + 248 > length || !ReadAtOffset(f, H, pe, 4) || pe[0] != 'P' || pe[1] != 'E' || pe[2] != 0 ||
      pe[3] != 0)
    return false;
  if (!Read16(f, H + 6, sections) || !Read16(f, H + 20, optionalSize) ||
      !Read16(f, H + 24, magic))
    return false;
  if (sections < 1 || optionalSize != 224 || magic != 0x10B) return false;
  const uint64_t T = H + 248 + 40ull * (sections - 1);
  uint32_t raw = 0, virtualSize = 0, imageSize = 0, entry = 0, correction = 0;
  if (T + 40 > length || !Read32(f, T + 20, raw) || !Read32(f, T + 8, virtualSize)) return false;
  const uint64_t R = raw;
  if (R < T + 40 || R + kPeCorrection + 4 > length) return false;
  if (!Read32(f, H + 80, imageSize) || !Read32(f, H + 40, entry) ||
      !Read32(f, R + kPeCorrection, correction))
    return false;
  plan.keep = R;
  plan.patches = {{H + 6, Put16(sections - 1u)},
                  {T, Bytes(40, 0)},
                  {H + 80, Put32(imageSize - virtualSize)},
                  {H + 40, Put32(entry - correction + 5)}};
  return true;
}

bool EndsWithExe(const fs::path& path) {
  const std::wstring text = PathText(path);
  if (text.size() < 4) return false;
  std::wstring tail = text.substr(text.size() - 4);
  for (wchar_t& c : tail)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
  return tail == L".exe";
}

// The clean program hides beside the virus as .OVL with its first 10 bytes
// inverted. It is restored into a copy beside the infected file, which then
// replaces the infected file; only then does the .OVL go, so an interruption
// leaves both files.
CureOutcome CureCompanion(const fs::path& path) {
  if (!EndsWithExe(path)) return DeleteIncurable(path);
  const fs::path companion = CompanionPath(path);
  if (!Exists(companion)) return DeleteIncurable(path);
  // An infected file removed meanwhile does not stop the restore.
  if (Exists(path) && !FilePtr(OpenFile(path, "r+b"))) return CureOutcome::Failed;
  FilePtr program(OpenFile(companion, "rb"));
  if (!program) return CureOutcome::Failed;
  const int64_t length = FileLength(program.get());
  if (length < 0) return CureOutcome::Failed;
  const fs::path temp = TempBeside(path);
  const bool written = WriteCopy(program.get(), static_cast<uint64_t>(length), temp,
                                 [&](std::FILE* out) {
    uint8_t head[10];
    const size_t n = static_cast<size_t>(std::min<int64_t>(length, 10));
    if (!ReadAtOffset(out, 0, head, n)) return false;
    for (size_t i = 0; i < n; ++i) head[i] = static_cast<uint8_t>(~head[i]);
    return WriteAtOffset(out, 0, head, n);
  });
  program.reset();
  if (!written || !Commit(temp, path)) return CureOutcome::Failed;
  std::error_code ec;
  fs::remove(companion, ec);
  return CureOutcome::Cured;
}

}  // namespace

int FindVirusByName(const VirusTable& table, const std::wstring& name) {
  for (int i = 0; i < table.count; ++i)
    if (table.Name(i) == name) return i;
  return -1;
}

fs::path CompanionPath(const fs::path& path) {
  fs::path::string_type text = path.native();
  if (text.size() >= 3) text.resize(text.size() - 3);
  for (char c : {'O', 'V', 'L'}) text.push_back(static_cast<fs::path::value_type>(c));
  return fs::path(text);
}

CureOutcome RepairFile(const fs::path& path, int virusIndex) {
  if (virusIndex == kCureCompanion) return CureCompanion(path);
  if (virusIndex != kCureComAppender && virusIndex != kCureMzAppender &&
      virusIndex != kCurePeAppender)
    return CureOutcome::Cured;

  const bool pe = virusIndex == kCurePeAppender;
  int64_t length = -1;
  if (FilePtr f{OpenFile(path, "rb")}) length = FileLength(f.get());
  if (length < 0) return pe ? CureOutcome::NotAttempted : CureOutcome::Failed;
  const auto L = static_cast<uint64_t>(length);
  if (virusIndex == kCureComAppender && L < kComVirusSize) return CureOutcome::NotAttempted;
  if (virusIndex == kCureMzAppender && L <= kMzVirusSize) return DeleteIncurable(path);

  // The repair writes a copy, but a file that may not be written stays as
  // it is.
  if (!FilePtr(OpenFile(path, "r+b")))
    return pe ? CureOutcome::NotAttempted : CureOutcome::Failed;
  FilePtr f(OpenFile(path, "rb"));
  if (!f) return CureOutcome::Failed;
  Plan plan;
  if (virusIndex == kCureComAppender) {
    if (!PlanCom(f.get(), L, plan)) return CureOutcome::Failed;
  } else if (!(pe ? PlanPe(f.get(), L, plan) : PlanMz(f.get(), L, plan))) {
    return CureOutcome::NotAttempted;
  }
  return Apply(std::move(f), path, plan);
}

CureOutcome CureFile(const fs::path& path, int virusIndex, int row, IResultRows& rows,
                     const Options& options, ISoundPlayer& sound) {
  const CureOutcome outcome = RepairFile(path, virusIndex);
  switch (outcome) {
    case CureOutcome::Cured:
      rows.SetText(row, result::kCured);
      PlayIfOn(options, sound, wave::kCured);
      break;
    case CureOutcome::IncurableDeleted:
      rows.SetText(row, result::kIncurableDeleted);
      PlayIfOn(options, sound, wave::kDeleted);
      break;
    case CureOutcome::IncurableDeleteFailed:
    case CureOutcome::Failed:
      rows.SetText(row, result::kAccessError);
      break;
    case CureOutcome::NotAttempted:
      break;
  }
  return outcome;
}

}  // namespace vsk
