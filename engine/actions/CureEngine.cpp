#include "engine/actions/CureEngine.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/scan/FolderWalk.h"
#include "engine/actions/CheckedTarget.h"
#include "engine/text/Encoding.h"

namespace vsk {
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

struct Patch {
  uint64_t offset;
  Bytes bytes;
};

// The repaired file: the first `keep` bytes of `source` with the patches
// written over them, in order.
struct Image {
  const os::File* source = nullptr;
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

bool Read16(const os::File& f, uint64_t offset, uint16_t& value) {
  uint8_t b[2];
  if (!f.ReadExactAt(offset, b, 2)) return false;
  value = Le16(b);
  return true;
}
bool Read32(const os::File& f, uint64_t offset, uint32_t& value) {
  uint8_t b[4];
  if (!f.ReadExactAt(offset, b, 4)) return false;
  value = Le32(b);
  return true;
}

bool HasRepair(int virusIndex) {
  return virusIndex == kCureComAppender || virusIndex == kCureCompanion ||
         virusIndex == kCureMzAppender || virusIndex == kCurePeAppender;
}

// Writes `image` into `out` from its start and cuts `out` to its length.
// `out` may be the image's source, whose kept bytes are then in place.
bool WriteImage(const Image& image, os::File& out) {
  if (image.source != &out && !os::CopyBytes(*image.source, out, image.keep)) return false;
  for (const Patch& p : image.patches) {
    if (p.offset >= image.keep) continue;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(p.bytes.size(), image.keep - p.offset));
    if (!out.WriteAt(p.offset, p.bytes.data(), n)) return false;
  }
  return out.Truncate(image.keep) && out.Flush();
}

enum class Step { Done, WriteInPlace, Failed };

// The image goes into a new private file, which is given the original's
// owner and mode and then takes its place in one step. A copy whose owner
// could not be set is dropped for a write in place.
Step ReplaceWithCopy(RowFile& target, const Image& image) {
  os::File copy;
  os::NativeName copyName;
  if (!copy.CreateNew(target.folder, os::NewNamePrefix(target.name), os::FromAscii(kCureCopySuffix), copyName))
    return Step::Failed;
  const os::FileId copyId = copy.Id();
  Step step = Step::Failed;
  if (WriteImage(image, copy)) step = copy.TakeMetadata(target.file) ? Step::Done : Step::WriteInPlace;
  copy.Close();
  if (step == Step::Done) {
    target.file.Close();  // Windows replaces no open file
    if (target.folder.Replace(target.name, target.info.id, copyName)) {
      target.folder.Sync();
      return Step::Done;
    }
    step = Step::Failed;
  }
  target.folder.Remove(copyName, copyId);
  return step;
}

// The image is written into the file itself, so that all its names see it;
// a private copy of the original stays beside it until that is done, and
// puts the original back when the write fails.
CureOutcome WriteInPlace(RowFile& target, const Image& image, fs::path& recoveryPath) {
  const long long size = target.file.Size();
  os::File recovery;
  os::NativeName recoveryName;
  if (size < 0 || !recovery.CreateNew(target.folder, os::NewNamePrefix(target.name),
                                      os::FromAscii(kRecoverySuffix), recoveryName))
    return CureOutcome::Failed;
  const os::FileId recoveryId = recovery.Id();
  const Image original{&target.file, static_cast<uint64_t>(size), {}};
  CureOutcome outcome = CureOutcome::Failed;
  if (WriteImage(original, recovery) && target.folder.Sync()) {
    if (WriteImage(image, target.file)) {
      outcome = CureOutcome::Cured;
    } else if (!WriteImage({&recovery, static_cast<uint64_t>(size), {}}, target.file)) {
      recoveryPath = target.folder.PathOf(recoveryName);
      return CureOutcome::Damaged;
    }
  }
  recovery.Close();
  target.folder.Remove(recoveryName, recoveryId);
  return outcome;
}

CureOutcome Commit(RowFile& target, const Image& image, fs::path& recoveryPath) {
  if (target.file.Links() <= 1) {
    switch (ReplaceWithCopy(target, image)) {
      case Step::Done: return CureOutcome::Cured;
      case Step::Failed: return CureOutcome::Failed;
      case Step::WriteInPlace: break;
    }
  }
  return WriteInPlace(target, image, recoveryPath);
}

CureOutcome DeleteIncurable(RowFile& target) {
  target.file.Close();
  return target.folder.Remove(target.name, target.info.id) ? CureOutcome::IncurableDeleted
                                                           : CureOutcome::IncurableDeleteFailed;
}

// The virus appended 733 bytes and keeps the program's first three bytes 306
// bytes into its body.
bool PlanCom(const os::File& f, uint64_t length, Image& image) {
  Bytes saved(3);
  if (!f.ReadExactAt(length - kComVirusSize + kComSavedBytes, saved.data(), 3)) return false;
  image.keep = length - kComVirusSize;
  image.patches.push_back({0, saved});
  return true;
}

// The virus appended 815 bytes and keeps the program's IP, CS, SP and SS 86
// bytes into its body. Returns false when the file is no MZ program whose
// header lies inside the clean part.
bool PlanMz(const os::File& f, uint64_t length, Image& image) {
  const uint64_t n = length - kMzVirusSize;
  uint8_t mz[2];
  uint8_t saved[8];
  if (n < 24 || !f.ReadExactAt(0, mz, 2) || mz[0] != 'M' || mz[1] != 'Z') return false;
  if (!f.ReadExactAt(n + kMzSavedRegisters, saved, 8)) return false;
  image.keep = n;
  image.patches = {{14, Put16(Le16(saved + 6))},  // SS
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
bool PlanPe(const os::File& f, uint64_t length, Image& image) {
  uint8_t mz[2];
  uint8_t pe[4];
  uint32_t h = 0;
  uint16_t sections = 0, optionalSize = 0, magic = 0;
  if (length < 64 || !f.ReadExactAt(0, mz, 2) || mz[0] != 'M' || mz[1] != 'Z') return false;
  if (!Read32(f, 60, h)) return false;
  const uint64_t H = h;
  if (H + 248 > length || !f.ReadExactAt(H, pe, 4) || pe[0] != 'P' || pe[1] != 'E' || pe[2] != 0 ||
      pe[3] != 0)
    return false;
  if (!Read16(f, H + 6, sections) || !Read16(f, H + 20, optionalSize) || !Read16(f, H + 24, magic))
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
  image.keep = R;
  image.patches = {{H + 6, Put16(sections - 1u)},
                   {T, Bytes(40, 0)},
                   {H + 80, Put32(imageSize - virtualSize)},
                   {H + 40, Put32(entry - correction + 5)}};
  return true;
}

bool EndsWithExe(const os::NativeName& name) {
  const std::wstring text = PathText(fs::path(name));
  if (text.size() < 4) return false;
  std::wstring tail = text.substr(text.size() - 4);
  for (wchar_t& c : tail)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
  return tail == L".exe";
}

// The clean program hides beside the virus as .OVL with its first 10 bytes
// inverted. It is restored into the infected file's place; only then does
// the .OVL go, so an interruption leaves both files. An .OVL that is a link
// or no plain file is never read: it could lead to anybody's file.
CureOutcome CureCompanion(RowFile& target, fs::path& recoveryPath) {
  if (!EndsWithExe(target.name)) return DeleteIncurable(target);
  const os::NativeName companion = CompanionPath(fs::path(target.name)).native();
  const os::NameInfo info = target.folder.Inspect(companion);
  if (info.kind == os::Kind::Missing) return DeleteIncurable(target);
  os::File program;
  if (info.kind != os::Kind::File ||
      program.Open(target.folder, companion, false) != os::Error::None ||
      program.Id() != info.id || program.Id() == target.info.id)
    return CureOutcome::Failed;
  const long long length = program.Size();
  if (length < 0) return CureOutcome::Failed;
  Bytes head(static_cast<size_t>(std::min<long long>(length, 10)));
  if (!program.ReadExactAt(0, head.data(), head.size())) return CureOutcome::Failed;
  for (uint8_t& b : head) b = static_cast<uint8_t>(~b);
  const CureOutcome outcome =
      Commit(target, {&program, static_cast<uint64_t>(length), {{0, head}}}, recoveryPath);
  program.Close();
  if (outcome == CureOutcome::Cured) target.folder.Remove(companion, info.id);
  return outcome;
}

CureOutcome Repair(RowFile& target, int virusIndex, fs::path& recoveryPath) {
  if (virusIndex == kCureCompanion) return CureCompanion(target, recoveryPath);
  const long long length = target.file.Size();
  if (length < 0) return CureOutcome::Failed;
  const auto L = static_cast<uint64_t>(length);
  if (virusIndex == kCureComAppender && L < kComVirusSize) return CureOutcome::NotAttempted;
  if (virusIndex == kCureMzAppender && L <= kMzVirusSize) return DeleteIncurable(target);
  Image image{&target.file, 0, {}};
  if (virusIndex == kCureComAppender) {
    if (!PlanCom(target.file, L, image)) return CureOutcome::Failed;
  } else if (!(virusIndex == kCurePeAppender ? PlanPe(target.file, L, image)
                                             : PlanMz(target.file, L, image))) {
    return CureOutcome::NotAttempted;
  }
  return Commit(target, image, recoveryPath);
}

// A file that cannot be opened for writing stays as it is; the PE repair
// then counts as not attempted.
CureOutcome Unopened(int virusIndex) {
  return virusIndex == kCurePeAppender ? CureOutcome::NotAttempted : CureOutcome::Failed;
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
  if (!HasRepair(virusIndex)) return CureOutcome::Refused;
  RowFile target;
  switch (OpenRowFile(path, true, target)) {
    case RowFileState::Ready: break;
    case RowFileState::Changed: return CureOutcome::Changed;
    case RowFileState::Missing:
    case RowFileState::Unreadable: return Unopened(virusIndex);
  }
  if (target.IsLink()) return CureOutcome::Refused;
  fs::path recoveryPath;
  return Repair(target, virusIndex, recoveryPath);
}

CureOutcome CureFile(ActionContext& context, const CapturedRow& row, int virusIndex) {
  const std::wstring virus = context.table.Name(virusIndex);
  CureOutcome outcome = CureOutcome::Refused;
  bool present = true;
  fs::path recoveryPath;
  RowFile target;
  if (!HasRepair(virusIndex)) {
    context.messages.ShowMessage(msg::NoRepair(virus, row.path));
  } else {
    switch (OpenRowFile(row.path, true, target)) {
      case RowFileState::Ready:
        if (target.IsLink()) {
          context.messages.ShowMessage(msg::CureThroughLink(row.path));
        } else if (!HoldsVirus(target.file, context.table, virusIndex)) {
          outcome = CureOutcome::Changed;
        } else {
          outcome = Repair(target, virusIndex, recoveryPath);
        }
        break;
      case RowFileState::Changed: outcome = CureOutcome::Changed; break;
      case RowFileState::Missing:
        present = false;
        outcome = Unopened(virusIndex);
        break;
      case RowFileState::Unreadable: outcome = Unopened(virusIndex); break;
    }
  }
  const int index = row.index;
  switch (outcome) {
    case CureOutcome::Cured:
      context.rows.SetText(index, result::kCured);
      PlayIfOn(context.options, context.sound, wave::kCured);
      break;
    case CureOutcome::IncurableDeleted:
      context.rows.SetText(index, result::kIncurableDeleted);
      PlayIfOn(context.options, context.sound, wave::kDeleted);
      break;
    case CureOutcome::Damaged:
      context.messages.ShowMessage(msg::RecoveryKept(row.path, recoveryPath));
      [[fallthrough]];
    case CureOutcome::IncurableDeleteFailed:
    case CureOutcome::Failed:
      context.rows.SetText(index, present ? FailedRowText(virus) : result::kAccessError);
      break;
    case CureOutcome::Changed:
      context.messages.ShowMessage(msg::FileChanged(virus, row.path));
      break;
    case CureOutcome::NotAttempted:
    case CureOutcome::Refused: break;
  }
  return outcome;
}

}  // namespace vsk
