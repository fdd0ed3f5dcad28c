// Repairs an infected file in place. The virus index selects the repair:
// 0 a DOS .com appender, 3 an .exe companion, 4 a DOS MZ appender, 5 a PE
// last-section appender; the other indices have none and count as cured.
//
// A repair never leaves a half-repaired file: the repaired image is written
// to a copy beside the file, which replaces the file only when every step
// succeeded. Methods 4 and 5 check the headers they rely on before anything
// is written; a file that fails the check is left as it was.
#pragma once

#include <filesystem>
#include <string>

#include "engine/Options.h"
#include "engine/Sound.h"
#include "engine/VirusDatabase.h"

namespace vsk {

// Column 1 of the results list's rows: the Win32 list view, the
// command-line scanner's rows and the tests.
class IResultRows {
 public:
  virtual ~IResultRows() = default;
  virtual std::wstring GetText(int row) = 0;
  virtual void SetText(int row, const std::wstring& text) = 0;
};

enum class CureOutcome {
  Cured,
  IncurableDeleted,
  IncurableDeleteFailed,
  // The file was found unreadable or a write failed; it is as it was.
  Failed,
  // The file is not what the repair expects; it is as it was.
  NotAttempted,
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

// The index of the first virus named exactly `name`, or -1.
int FindVirusByName(const VirusTable& table, const std::wstring& name);

// The companion of an infected .exe: the path with its last three
// characters replaced by "OVL".
std::filesystem::path CompanionPath(const std::filesystem::path& path);

// Changes the file only; writes no row and plays nothing.
CureOutcome RepairFile(const std::filesystem::path& path, int virusIndex);

// Repairs and leaves the outcome in `row`: "Вылечен" (wave 177), "Неизлечим,
// удалён" (178), "Ошибка доступа-пропущен" (no wave); NotAttempted leaves
// the row's virus name.
CureOutcome CureFile(const std::filesystem::path& path, int virusIndex, int row,
                     IResultRows& rows, const Options& options, ISoundPlayer& sound);

}  // namespace vsk
