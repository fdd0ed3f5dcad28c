#include "engine/settings/DataFolder.h"

#include <system_error>

#include "engine/db/VirusDatabase.h"
#include "engine/os/AtomicWrite.h"
#include "engine/os/File.h"
#include "engine/os/Folder.h"

namespace vsk {
namespace fs = std::filesystem;

namespace {

bool HasDatabase(const fs::path& folder) {
  std::error_code ec;
  return !folder.empty() && fs::is_regular_file(folder / kDatabaseFileName, ec);
}

// The bundled database as a new file of the user's folder, never over one
// that appeared meanwhile and never through a link at its name.
bool CopyBundled(const fs::path& from, const fs::path& to) {
  os::File source;
  os::Folder folder;
  if (source.Open(from / kDatabaseFileName) != os::Error::None || source.OpenedSize() < 0 ||
      !folder.Open(to, true))
    return false;
  const auto size = static_cast<uint64_t>(source.OpenedSize());
  const auto write = [&](os::File& out) { return os::CopyBytes(source, out, size); };
  const os::AtomicResult result =
      os::WriteAtomically(folder, os::FromAscii(kDatabaseFileName), false, write);
  return result == os::AtomicResult::Written || (result == os::AtomicResult::Exists && HasDatabase(to));
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

std::vector<fs::path> ProfilePlace::WritePlaces() const {
  // A write elsewhere would not be read back while a file exists.
  if (IsFile(m_windowsFile)) return {m_windowsFile};
  if (IsFile(m_dataFile)) return {m_dataFile};
  if (m_dataFile == m_windowsFile) return {m_windowsFile};
  return {m_windowsFile, m_dataFile};
}

fs::path ProfilePlace::Write(const std::function<bool(const fs::path&)>& write) const {
  for (const fs::path& file : WritePlaces()) {
    if (file == m_dataFile && file != m_windowsFile) {
      std::error_code ec;
      fs::create_directories(m_dataFile.parent_path(), ec);
    }
    if (write(file)) return file;
  }
  return {};
}

}  // namespace vsk
