// First, so that the profile names below are CWinApp's, not <windows.h>'s.
#include "framework/App.h"

#include "app/AppProfile.h"

namespace vsk {
namespace {

class CAppProfile : public IProfile {
 public:
  explicit CAppProfile(CWinApp& app) : m_app(app) {}
  int GetProfileInt(const std::wstring& section, const std::wstring& key, int defaultValue) override {
    return m_app.GetProfileInt(section, key, defaultValue);
  }
  std::wstring GetProfileString(const std::wstring& section, const std::wstring& key,
                                const std::wstring& defaultValue) override {
    return m_app.GetProfileString(section, key, defaultValue);
  }
  bool WriteProfileInt(const std::wstring& section, const std::wstring& key, int value) override {
    return m_app.WriteProfileInt(section, key, value) != FALSE;
  }
  bool WriteProfileString(const std::wstring& section, const std::wstring& key,
                          const std::wstring& value) override {
    return m_app.WriteProfileString(section, key, value) != FALSE;
  }

 private:
  CWinApp& m_app;
};

}  // namespace

std::unique_ptr<IProfile> MakeAppProfile(CWinApp& app) { return std::make_unique<CAppProfile>(app); }

}  // namespace vsk
