// First, so that the profile names below are CWinApp's, not <windows.h>'s.
#include "framework/App.h"

#include "app/AppProfile.h"

#include <shlobj.h>

#include <optional>

#include "engine/settings/DataFolder.h"

namespace vsk {
namespace fs = std::filesystem;

namespace {

class CAppProfile : public IProfile {
 public:
  CAppProfile(CWinApp& app, std::optional<fs::path> dataFolder)
      : m_app(app), m_dataFolder(std::move(dataFolder)) {}
  int GetProfileInt(const std::wstring& section, const std::wstring& key, int defaultValue) override {
    UseFile(Place().ReadPath());
    return m_app.GetProfileInt(section, key, defaultValue);
  }
  std::wstring GetProfileString(const std::wstring& section, const std::wstring& key,
                                const std::wstring& defaultValue) override {
    UseFile(Place().ReadPath());
    return m_app.GetProfileString(section, key, defaultValue);
  }
  bool WriteProfileInt(const std::wstring& section, const std::wstring& key, int value) override {
    return WriteProfileString(section, key, std::to_wstring(value));
  }
  bool WriteProfileString(const std::wstring& section, const std::wstring& key,
                          const std::wstring& value) override {
    const fs::path written = Place().Write([&](const fs::path& file) {
      UseFile(file);
      return m_app.WriteProfileString(section, key, value) != FALSE;
    });
    return !written.empty();
  }
  std::vector<fs::path> WritePlaces() override { return Place().WritePlaces(); }

 private:
  const ProfilePlace& Place() {
    if (!m_place) {
      wchar_t windows[MAX_PATH] = {};
      ::GetWindowsDirectoryW(windows, MAX_PATH);
      // The bare name, also when another adapter has pointed the app at a file.
      const fs::path name = fs::path(m_app.m_pszProfileName).filename();
      const fs::path data = m_dataFolder ? *m_dataFolder : UserDataFolder();
      // With no data folder the Windows folder's file is the only place.
      m_place.emplace(fs::path(windows) / name, data.empty() ? fs::path(windows) / name : data / name);
    }
    return *m_place;
  }
  // CWinApp's profile calls work on the file its profile name names.
  void UseFile(const fs::path& file) { m_app.m_pszProfileName = file.wstring(); }

  CWinApp& m_app;
  std::optional<fs::path> m_dataFolder;
  std::optional<ProfilePlace> m_place;
};

}  // namespace

fs::path UserDataFolder() {
  PWSTR base = nullptr;
  fs::path folder;
  if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &base)))
    folder = fs::path(base) / L"Vireskand";
  ::CoTaskMemFree(base);
  return folder;
}

std::unique_ptr<IProfile> MakeAppProfile(CWinApp& app) {
  return std::make_unique<CAppProfile>(app, std::nullopt);
}

std::unique_ptr<IProfile> MakeAppProfile(CWinApp& app, fs::path dataFolder) {
  return std::make_unique<CAppProfile>(app, std::move(dataFolder));
}

}  // namespace vsk
