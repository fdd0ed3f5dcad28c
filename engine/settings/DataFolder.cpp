#include "engine/settings/DataFolder.h"

#include <system_error>

#include "engine/db/VirusDatabase.h"

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

namespace {

bool IsFile(const fs::path& file) {
  std::error_code ec;
  return fs::is_regular_file(file, ec);
}

}  // namespace

const fs::path& ProfilePlace::ReadPath() const {
  if (IsFile(m_windowsFile)) return m_windowsFile;
  if (IsFile(m_dataFile)) return m_dataFile;
  return m_windowsFile;
}

fs::path ProfilePlace::Write(const std::function<bool(const fs::path&)>& write) const {
  const bool windows = IsFile(m_windowsFile);
  if (windows || IsFile(m_dataFile)) {
    // A write elsewhere would not be read back while this file exists.
    const fs::path& file = windows ? m_windowsFile : m_dataFile;
    return write(file) ? file : fs::path();
  }
  if (write(m_windowsFile)) return m_windowsFile;
  std::error_code ec;
  fs::create_directories(m_dataFile.parent_path(), ec);
  if (write(m_dataFile)) return m_dataFile;
  return {};
}

}  // namespace vsk
