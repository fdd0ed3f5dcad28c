#include "engine/DataFolder.h"

#include <system_error>

#include "engine/VirusDatabase.h"

namespace vsk {
namespace fs = std::filesystem;

namespace {

bool HasDatabase(const fs::path& folder) {
  std::error_code ec;
  return !folder.empty() && fs::is_regular_file(folder / kDatabaseFileName, ec);
}

bool CopyBundled(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::create_directories(to, ec);
  const fs::path part = to / (std::string(kDatabaseFileName) + ".part");
  if (fs::copy_file(from / kDatabaseFileName, part, fs::copy_options::overwrite_existing, ec)) {
    fs::rename(part, to / kDatabaseFileName, ec);
    if (!ec) return true;
  }
  fs::remove(part, ec);
  return false;
}

}  // namespace

fs::path ChooseDataFolder(const fs::path& current, const fs::path& userFolder,
                          const fs::path& programFolder) {
  if (HasDatabase(current)) return current;
  if (HasDatabase(userFolder)) return userFolder;
  if (!userFolder.empty() && HasDatabase(programFolder) && CopyBundled(programFolder, userFolder))
    return userFolder;
  if (HasDatabase(programFolder)) return programFolder;
  return {};
}

}  // namespace vsk
