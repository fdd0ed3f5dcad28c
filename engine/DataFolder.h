// Where the program finds the database it scans with and edits, and keeps
// the quarantine folder and the reports.
#pragma once

#include <filesystem>

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

}  // namespace vsk
