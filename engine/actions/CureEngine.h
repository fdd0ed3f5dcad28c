// Repairs an infected file in place. The virus index selects the repair:
// 0 a DOS .com appender, 3 an .exe companion, 4 a DOS MZ appender, 5 a PE
// last-section appender; the other indices have none.
//
// A repair never leaves a half-repaired file and never writes through a
// link. The repaired image is built from the file as it was checked, in a
// new private file beside it, which takes the file's place in one step with
// the file's owner and mode (ACL, attributes and streams on Windows). A file
// with several names (or whose owner could not be given to the copy) is
// written back in place, so that every name sees the cure, while a private
// recovery copy holds the original until that write is done. Methods 4 and
// 5 check the headers they rely on before anything is written; a file that
// fails the check is left as it was.
#pragma once

#include <filesystem>
#include <string>

#include "engine/actions/ActionContext.h"
#include "engine/actions/RowTexts.h"
#include "engine/db/VirusDatabase.h"

namespace vsk {

enum class CureOutcome {
  Cured,
  IncurableDeleted,
  IncurableDeleteFailed,
  // The file was found unreadable or a write failed; it is as it was.
  Failed,
  // The file is not what the repair expects; it is as it was.
  NotAttempted,
  // The file no longer holds the row's virus; it was not touched.
  Changed,
  // A link, or a virus without a repair; nothing was touched.
  Refused,
  // A write in place failed and could not be undone; the recovery copy
  // beside the file holds its original bytes.
  Damaged,
};

inline constexpr int kCureComAppender = 0;
inline constexpr int kCureCompanion = 3;
inline constexpr int kCureMzAppender = 4;
inline constexpr int kCurePeAppender = 5;

inline constexpr uint64_t kComVirusSize = 733;
inline constexpr uint64_t kComSavedBytes = 306;  // into the virus body
inline constexpr uint64_t kMzVirusSize = 815;
inline constexpr uint64_t kMzSavedRegisters = 86;
inline constexpr uint64_t kPeCorrection = 9;  // into the last section's raw data

// New files beside the cured one end so: the copy that takes its place, and
// the recovery copy of a write in place.
inline constexpr char kCureCopySuffix[] = ".vsk~";
inline constexpr char kRecoverySuffix[] = ".vsk-recovery";

// The companion of an infected .exe: the path with its last three
// characters replaced by "OVL".
std::filesystem::path CompanionPath(const std::filesystem::path& path);

// The repair alone, without the check that the file still holds the virus;
// writes no row and plays nothing.
CureOutcome RepairFile(const std::filesystem::path& path, int virusIndex);

// Checks that the row's file still holds virus `virusIndex`, repairs it and
// leaves the outcome in the row: "Вылечен" (wave 177), "Неизлечим, удалён"
// (178), a failure with the virus name (no wave). A changed file, a link and
// a virus without a repair leave the row as it was, with a message.
CureOutcome CureFile(ActionContext& context, const CapturedRow& row, int virusIndex);

}  // namespace vsk
