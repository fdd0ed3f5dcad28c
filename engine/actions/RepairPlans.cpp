#include "engine/actions/RepairPlans.h"

#include <algorithm>

#include "engine/os/Ownership.h"
#include "engine/text/Encoding.h"
#include "engine/text/Ascii.h"
#include "engine/text/LittleEndian.h"

namespace vsk {
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;
using Step = RepairPlan::Step;

Bytes Put16(uint32_t v) { return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)}; }
Bytes Put32(uint32_t v) {
  return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
          static_cast<uint8_t>(v >> 24)};
}

bool Read16(const os::File& f, uint64_t offset, uint16_t& value) {
  uint8_t b[2];
  if (!f.ReadExactAt(offset, b, 2)) return false;
  value = le::Get16(b);
  return true;
}
bool Read32(const os::File& f, uint64_t offset, uint32_t& value) {
  uint8_t b[4];
  if (!f.ReadExactAt(offset, b, 4)) return false;
  value = le::Get32(b);
  return true;
}

// The virus appended 733 bytes and keeps the program's first three bytes 306
// bytes into its body.
bool PlanCom(const os::File& f, uint64_t length, RepairImage& image) {
  Bytes saved(3);
  if (!f.ReadExactAt(length - kComVirusSize + kComSavedBytes, saved.data(), 3)) return false;
  image.keep = length - kComVirusSize;
  image.patches.push_back({0, saved});
  return true;
}

// The virus appended 815 bytes and keeps the program's IP, CS, SP and SS 86
// bytes into its body. Returns false when the file is no MZ program whose
// header lies inside the clean part.
bool PlanMz(const os::File& f, uint64_t length, RepairImage& image) {
  const uint64_t n = length - kMzVirusSize;
  uint8_t mz[2];
  uint8_t saved[8];
  if (n < 24 || !f.ReadExactAt(0, mz, 2) || mz[0] != 'M' || mz[1] != 'Z') return false;
  if (!f.ReadExactAt(n + kMzSavedRegisters, saved, 8)) return false;
  image.keep = n;
  image.patches = {{14, Put16(le::Get16(saved + 6))},  // SS
                   {16, Put16(le::Get16(saved + 4))},  // SP
                   {20, Put16(le::Get16(saved + 0))},  // IP
                   {22, Put16(le::Get16(saved + 2))},  // CS
                   {2, Put16(static_cast<uint32_t>(n % 512))},
                   {4, Put16(static_cast<uint32_t>((n + 511) / 512))}};
  return true;
}

// The virus added itself as the last section of a 32-bit PE and moved the
// entry point into it; the 32-bit value 9 bytes into its raw data corrects
// the entry point. Returns false unless every field read or written lies in
// the file and the headers lie before the section that is cut off.
bool PlanPe(const os::File& f, uint64_t length, RepairImage& image) {
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
  const std::wstring tail = text.substr(text.size() - 4);
  return EqualsIgnoringAsciiCase(tail, std::wstring_view(L".exe"));
}

// The clean program hides beside the virus as .OVL with its first 10 bytes
// inverted; it is restored into the infected file's place. An .OVL that is
// a link or no plain file is never read: it could lead to anybody's file;
// nor is one that somebody else could have written.
// Without an .exe name or an .OVL nothing is left to restore.
void PlanCompanion(const CheckedTarget& target, RepairPlan& plan) {
  plan.step = Step::DeleteIncurable;
  if (!EndsWithExe(target.name)) return;
  plan.companionName = CompanionPath(fs::path(target.name)).native();
  const os::NameInfo info = target.folder.Inspect(plan.companionName);
  if (info.kind == os::Kind::Missing) return;
  plan.step = Step::Failed;
  os::File& program = plan.companion;
  if (info.kind != os::Kind::File ||
      program.Open(target.folder, plan.companionName, false) != os::Error::None ||
      program.Id() != info.id || program.Id() == target.info.id) {
    program.Close();
    return;
  }
  if (!os::SameKeeper(program, target.file, kMaxCompanionSize)) {
    program.Close();
    plan.step = Step::ForeignCompanion;
    return;
  }
  const long long length = program.Size();
  Bytes head(static_cast<size_t>(std::clamp<long long>(length, 0, 10)));
  if (length < 0 || !program.ReadExactAt(0, head.data(), head.size())) {
    program.Close();
    return;
  }
  for (uint8_t& b : head) b = static_cast<uint8_t>(~b);
  plan.image = {static_cast<uint64_t>(length), {{0, head}}};
  plan.step = Step::Write;
}

}  // namespace

bool HasRepair(int virusIndex) {
  return virusIndex == kCureComAppender || virusIndex == kCureCompanion ||
         virusIndex == kCureMzAppender || virusIndex == kCurePeAppender;
}

fs::path CompanionPath(const fs::path& path) {
  fs::path::string_type text = path.native();
  if (text.size() >= 3) text.resize(text.size() - 3);
  for (char c : {'O', 'V', 'L'}) text.push_back(static_cast<fs::path::value_type>(c));
  return fs::path(text);
}

RepairPlan PlanRepair(const CheckedTarget& target, int virusIndex) {
  RepairPlan plan;
  if (!HasRepair(virusIndex)) {
    plan.step = Step::NoRepair;
    return plan;
  }
  if (virusIndex == kCureCompanion) {
    PlanCompanion(target, plan);
    return plan;
  }
  const long long length = target.file.Size();
  if (length < 0) return plan;  // Failed
  const auto L = static_cast<uint64_t>(length);
  if (virusIndex == kCureComAppender && L < kComVirusSize) {
    plan.step = Step::NotAttempted;
  } else if (virusIndex == kCureMzAppender && L <= kMzVirusSize) {
    plan.step = Step::DeleteIncurable;
  } else if (virusIndex == kCureComAppender) {
    plan.step = PlanCom(target.file, L, plan.image) ? Step::Write : Step::Failed;
  } else {
    const bool fits = virusIndex == kCurePeAppender ? PlanPe(target.file, L, plan.image)
                                                    : PlanMz(target.file, L, plan.image);
    plan.step = fits ? Step::Write : Step::NotAttempted;
  }
  return plan;
}

}  // namespace vsk
