// The four repairs, as plans: from the bytes of the checked file to what
// must be written in its place. The virus index selects the repair: 0 a DOS
// .com appender, 3 an .exe companion, 4 a DOS MZ appender, 5 a PE
// last-section appender; the other indices have none. A plan only reads:
// it writes no file, no row, no sound and no message. The cure transaction
// (CureTransaction.h) applies it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "engine/actions/CheckedTarget.h"
#include "engine/os/File.h"
#include "engine/os/Folder.h"

namespace vsk {

inline constexpr int kCureComAppender = 0;
inline constexpr int kCureCompanion = 3;
inline constexpr int kCureMzAppender = 4;
inline constexpr int kCurePeAppender = 5;

inline constexpr uint64_t kComVirusSize = 733;
inline constexpr uint64_t kComSavedBytes = 306;  // into the virus body
inline constexpr uint64_t kMzVirusSize = 815;
inline constexpr uint64_t kMzSavedRegisters = 86;
inline constexpr uint64_t kPeCorrection = 9;  // into the last section's raw data
// The largest .OVL a companion's repair restores.
inline constexpr uint64_t kMaxCompanionSize = 256ull << 20;

bool HasRepair(int virusIndex);

// The companion of an infected .exe: the path with its last three
// characters replaced by "OVL".
std::filesystem::path CompanionPath(const std::filesystem::path& path);

struct Patch {
  uint64_t offset;
  std::vector<uint8_t> bytes;
};

// The repaired file: the first `keep` bytes of its source with the patches
// written over them, in order (a patch past `keep` is cut there).
struct RepairImage {
  uint64_t keep = 0;
  std::vector<Patch> patches;
};

struct RepairPlan {
  enum class Step {
    // Write `image` in the file's place.
    Write,
    // The virus leaves nothing to restore: the file goes (methods 3 and 4).
    DeleteIncurable,
    // The file is not what the repair expects; it stays as it is.
    NotAttempted,
    // The file or its companion could not be read; it stays as it is.
    Failed,
    // The index has no repair.
    NoRepair,
    // The .OVL is not the program's own: another owner, writable by
    // others, or too large. Both files stay as they are.
    ForeignCompanion,
  };
  Step step = Step::Failed;
  RepairImage image;
  // Method 3: the clean program beside the file (CompanionPath), open for
  // reading, the image's source; it goes once the image is in place. For
  // the other methods it stays closed and the source is the checked file.
  os::File companion;
  os::NativeName companionName;
};

// The plan of repair `virusIndex` for the checked file `target`, a file
// (not a link) open for reading.
RepairPlan PlanRepair(const CheckedTarget& target, int virusIndex);

}  // namespace vsk
