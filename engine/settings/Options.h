// The twelve settings of section "OPTIONS" and the profile they live in.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace vsk {

inline constexpr wchar_t kOptionsSection[] = L"OPTIONS";
// Room of the report name in the settings record: 259 characters.
inline constexpr size_t kMaxReportFileName = 259;

// A key of section "OPTIONS" with the value a missing key reads as.
template <class T>
struct OptionKey {
  const wchar_t* name;
  T defaultValue;
};

namespace option {
inline constexpr OptionKey<int32_t> kPriority{L"Priority", 2};
inline constexpr OptionKey<int32_t> kMinimizedInSystemTray{L"MinimizedInSystemTray", 0};
inline constexpr OptionKey<int32_t> kTextInButton{L"TextInButton", 1};
inline constexpr OptionKey<int32_t> kSound{L"Sound", 1};
inline constexpr OptionKey<int32_t> kEmergingHelp{L"EmergingHelp", 1};
inline constexpr OptionKey<int32_t> kFileOk{L"FileOk", 0};
inline constexpr OptionKey<int32_t> kReport{L"Report", 1};
inline constexpr OptionKey<int32_t> kReportToFile{L"ReportToFile", 0};
inline constexpr OptionKey<const wchar_t*> kReportFileName{L"ReportFileName", L"Report.txt"};
inline constexpr OptionKey<const wchar_t*> kFileMask{L"FileMask", L"*"};
inline constexpr OptionKey<int32_t> kSubDir{L"SubDir", 0};
inline constexpr OptionKey<int32_t> kReportFileMode{L"ReportFileMode", 1};
}  // namespace option

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

// One key read from section "OPTIONS", its default when missing. Everything
// that reads a setting from the profile reads it this way.
int32_t ReadOption(IProfile& profile, const OptionKey<int32_t>& key);
std::wstring ReadOption(IProfile& profile, const OptionKey<const wchar_t*>& key);

// Reads the twelve keys with their defaults; writes nothing. A stored report
// name longer than 259 characters is refused in favour of the default, so a
// cut name never points the report at some other file.
void LoadOptions(Options& options, IProfile& profile);

// Writes all twelve keys in the order the settings dialog confirms them.
// False when any write failed.
bool SaveOptions(const Options& options, IProfile& profile);

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

// The leading integer of a profile value as the profile service reads it:
// optional blanks and sign, then digits; no digits reads as 0.
int ParseProfileInt(const std::wstring& text);

}  // namespace vsk
