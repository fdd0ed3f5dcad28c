// The twelve settings of section "OPTIONS" and the profile they live in.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <type_traits>
#include <vector>

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

// What the record holds for a key: text keys are kept as strings.
template <class T>
using OptionValue = std::conditional_t<std::is_same_v<T, const wchar_t*>, std::wstring, T>;

// The settings, one line each: member, key, type of the key, default. In
// the order the settings dialog confirms them, which is the order they are
// saved in.
#define VSK_OPTIONS(X)                                                   \
  X(Priority, L"Priority", int32_t, 2)                                   \
  X(FileOk, L"FileOk", int32_t, 0)                                       \
  X(Report, L"Report", int32_t, 1)                                       \
  X(ReportToFile, L"ReportToFile", int32_t, 0)                           \
  X(ReportFileName, L"ReportFileName", const wchar_t*, L"Report.txt")    \
  X(MinimizedInSystemTray, L"MinimizedInSystemTray", int32_t, 0)         \
  X(TextInButton, L"TextInButton", int32_t, 1)                           \
  X(Sound, L"Sound", int32_t, 1)                                         \
  X(EmergingHelp, L"EmergingHelp", int32_t, 1)                           \
  X(FileMask, L"FileMask", const wchar_t*, L"*")                         \
  X(SubDir, L"SubDir", int32_t, 0)                                       \
  X(ReportFileMode, L"ReportFileMode", int32_t, 1)

// option::kPriority and so on, for code that reads one key.
namespace option {
#define VSK_OPTION_KEY(member, key, type, value) \
  inline constexpr OptionKey<type> k##member{key, value};
VSK_OPTIONS(VSK_OPTION_KEY)
#undef VSK_OPTION_KEY
// Not one of the settings: the main window keeps the widths of its results
// list's two columns here ("225,150"); empty for the window's own.
inline constexpr OptionKey<const wchar_t*> kResultColumns{L"ResultColumns", L""};
}  // namespace option

// The record the engine reads its settings from, a member for each key.
struct Options {
#define VSK_OPTION_MEMBER(member, key, type, value) OptionValue<type> member{};
  VSK_OPTIONS(VSK_OPTION_MEMBER)
#undef VSK_OPTION_MEMBER
};

// Calls fn(key, member) for each setting of `options`, in the table's order.
template <class Record, class Fn>
void ForEachOption(Record& options, Fn&& fn) {
  static_assert(std::is_same_v<std::remove_const_t<Record>, Options>);
#define VSK_OPTION_VISIT(member, key, type, value) fn(option::k##member, options.member);
  VSK_OPTIONS(VSK_OPTION_VISIT)
#undef VSK_OPTION_VISIT
}

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
  // The files a write goes to, in the order they are tried; empty when the
  // profile is no file.
  virtual std::vector<std::filesystem::path> WritePlaces() { return {}; }
};

// One key read from section "OPTIONS", its default when missing. Everything
// that reads a setting from the profile reads it this way.
int32_t ReadOption(IProfile& profile, const OptionKey<int32_t>& key);
std::wstring ReadOption(IProfile& profile, const OptionKey<const wchar_t*>& key);

// Reads every key with its default; writes nothing. A stored report
// name longer than 259 characters is refused in favour of the default, so a
// cut name never points the report at some other file.
void LoadOptions(Options& options, IProfile& profile);

// Writes every key in the table's order. False when any write failed.
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
