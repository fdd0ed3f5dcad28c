// The twelve settings of section "OPTIONS" and the profile they live in.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace vsk {

inline constexpr wchar_t kOptionsSection[] = L"OPTIONS";
// Room of the report name in the settings record: 259 characters.
inline constexpr size_t kMaxReportFileName = 259;

struct Options {
  int32_t Priority = 0;
  int32_t MinimizedInSystemTray = 0;
  int32_t TextInButton = 0;
  int32_t Sound = 0;
  int32_t EmergingHelp = 0;
  int32_t FileOk = 0;
  int32_t Report = 0;
  int32_t ReportToFile = 0;
  std::wstring ReportFileName;
  std::wstring FileMask;
  int32_t SubDir = 0;
  int32_t ReportFileMode = 0;
};

// Profile operations in the Windows private-profile manner: a missing
// section or key yields the default; integers are stored as decimal text.
class IProfile {
 public:
  virtual ~IProfile() = default;
  virtual int GetProfileInt(const std::wstring& section, const std::wstring& key,
                            int defaultValue) = 0;
  virtual std::wstring GetProfileString(const std::wstring& section, const std::wstring& key,
                                        const std::wstring& defaultValue) = 0;
  virtual bool WriteProfileInt(const std::wstring& section, const std::wstring& key,
                               int value) = 0;
  virtual bool WriteProfileString(const std::wstring& section, const std::wstring& key,
                                  const std::wstring& value) = 0;
};

// Reads the twelve keys with their defaults; writes nothing. A stored report
// name longer than 259 characters is refused in favour of the default, so a
// cut name never points the report at some other file.
void LoadOptions(Options& options, IProfile& profile);

// Writes all twelve keys in the order the settings dialog confirms them.
void SaveOptions(const Options& options, IProfile& profile);

// The record with every key at its default.
Options DefaultOptions();

// An INI file read and written by our own code (UTF-8 text), for platforms
// without the Windows profile service and for tests.
class IniProfile : public IProfile {
 public:
  explicit IniProfile(std::filesystem::path file) : file_(std::move(file)) {}
  int GetProfileInt(const std::wstring& section, const std::wstring& key,
                    int defaultValue) override;
  std::wstring GetProfileString(const std::wstring& section, const std::wstring& key,
                                const std::wstring& defaultValue) override;
  bool WriteProfileInt(const std::wstring& section, const std::wstring& key, int value) override;
  bool WriteProfileString(const std::wstring& section, const std::wstring& key,
                          const std::wstring& value) override;

 private:
  std::filesystem::path file_;
};

// The program's own profile: on Windows the private profile file `iniName`
// through GetPrivateProfile*W (created with a UTF-16 byte-order mark so that
// Russian values survive any code page); elsewhere an IniProfile.
std::unique_ptr<IProfile> MakeProgramProfile(const std::filesystem::path& iniName);

// The leading integer of a profile value as the profile service reads it:
// optional blanks and sign, then digits; no digits reads as 0.
int ParseProfileInt(const std::wstring& text);

}  // namespace vsk
