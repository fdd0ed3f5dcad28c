// Where the program finds the database it scans with and edits, and keeps
// the quarantine folder and the reports.
#pragma once

#include <filesystem>
#include <functional>
#include <utility>
#include <vector>

namespace vsk {

// `current` when it holds VirusBase.vbf, as for a copy of the program run
// beside its database. Otherwise `userFolder`, made when missing and given
// the database bundled in `programFolder` on the first start; then
// `programFolder` itself. Empty when none of them has a database. The copy
// is written under another name and renamed, so an interrupted first start
// leaves no half database.
std::filesystem::path ChooseDataFolder(const std::filesystem::path& current,
                                       const std::filesystem::path& userFolder,
                                       const std::filesystem::path& programFolder);

// Where the settings file lives. The Windows folder's file comes first, as
// stored profiles and older installs keep it there; a standard user may not
// write that folder, so the per-user data folder's file stands in for it.
class ProfilePlace {
 public:
  ProfilePlace(std::filesystem::path windowsFile, std::filesystem::path dataFile)
      : m_windowsFile(std::move(windowsFile)), m_dataFile(std::move(dataFile)) {}

  // The Windows folder's file when it exists, else the data folder's when it
  // exists, else the Windows folder's (nothing stored: every key reads as
  // its default).
  const std::filesystem::path& ReadPath() const;

  // Calls `write` where the settings were read from; when neither file
  // exists, the Windows folder's, then, if that write failed, the data
  // folder's (its folder made first). Returns the file that took the write,
  // empty when every try failed.
  std::filesystem::path Write(const std::function<bool(const std::filesystem::path&)>& write) const;
  // The files Write tries, in its order.
  std::vector<std::filesystem::path> WritePlaces() const;

 private:
  std::filesystem::path m_windowsFile;
  std::filesystem::path m_dataFile;
};

}  // namespace vsk
