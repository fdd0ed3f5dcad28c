// The fixture of the tests on a tree prepared by someone else (links where
// the actions write or look, files swapped between the scan and the action,
// full disks, names that are no text, paths of any depth), and what they
// share: infected and cured programs, hashes, the actions by name, and on
// POSIX a child process for a step that may hang.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "engine/actions/Actions.h"
#include "engine/actions/Sha256.h"
#include "engine/scan/FolderWalk.h"
#include "tests/TestUtil.h"
#include "tests/engine/RowRecorder.h"

#ifdef _WIN32
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#else
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace vsk::test {

using Action = void (*)(ActionContext&, const CapturedRow&);

// The menu's actions by name, for the tests that try each: the three plain
// ones, then the three cures.
struct NamedAction {
  const char* name;
  Action run;
};
inline constexpr NamedAction kEveryAction[] = {
    {"delete", DeleteInfected},         {"rename", RenameInfected},
    {"move", MoveToQuarantine},         {"cure-or-delete", CureOrDelete},
    {"cure-or-rename", CureOrRename},   {"cure-or-move", CureOrMove}};
inline constexpr std::span<const NamedAction> kPlainActions(kEveryAction, 3);
inline constexpr std::span<const NamedAction> kCures(kEveryAction + 3, 3);

inline constexpr char kSignature[] = "HOSTILE-SIGNATURE";

// A program of `clean` bytes with the 733-byte .com appender after it.
inline std::string Infected(size_t clean, char fill = 'c') {
  std::string virus(733, 'v');
  virus.replace(10, sizeof kSignature - 1, kSignature);
  virus.replace(306, 3, "\xE9\x01\x02");
  return std::string(clean, fill) + virus;
}

inline std::string Cured(const std::string& infected) {
  std::string cured = infected.substr(0, infected.size() - 733);
  cured.replace(0, 3, "\xE9\x01\x02");
  return cured;
}

inline std::string Hash(const std::string& bytes) {
  Sha256 hash;
  hash.Add(bytes.data(), bytes.size());
  return hash.HexDigest();
}

// Whether a message the user was told holds `part`.
inline bool Told(const RowRecorder& rec, const wchar_t* part) {
  for (const std::wstring& text : rec.told)
    if (text.find(part) != std::wstring::npos) return true;
  return false;
}

// The rows a scan gives, with the identity of each file it read; its
// sounds are not the action's.
struct ScannedRows : IScanSink, ISoundPlayer {
  std::vector<CapturedRow> rows;
  void InsertRow(int row, const fs::path& path, const std::wstring& result,
                 const RowIdentity& identity) override {
    rows.push_back({row, path, result, identity});
  }
  void SetProgress(int) override {}
  void SetStatus(const fs::path&) override {}
  int PlayWave(int, SoundMode) override { return 1; }
};

#ifndef _WIN32

// Runs `fn` in a child process and returns its exit status, or -1 when it
// has not ended within `seconds` (it is then killed): a hang fails the test
// instead of stopping it.
template <typename F>
int InChild(F fn, int seconds) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(fn());
  for (int waited = 0; waited < seconds * 100; ++waited) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  return -1;
}

#endif

class HostileTreeTest : public ::testing::Test {
 protected:
  void Act(Action action, const fs::path& path, const wchar_t* virus = L"Com") {
    rec.texts[kRow] = virus;
    Again(action, path);
  }
  // Acts on the row as it now reads.
  void Again(Action action, const fs::path& path) {
    ActionContext context{table, options, rec, rec, rec, rec, workFolder, naming};
    action(context, {kRow, path, rec.texts[kRow]});
  }
  const std::wstring& Text() { return rec.texts[kRow]; }
  // The rows a scan of the tree with `jobs` threads gives, with a row for
  // each clean file too when `fileOk`.
  std::vector<CapturedRow> ScanRows(int jobs = 1, bool fileOk = false) {
    const SignatureMatcher matcher(table);
    ScanControl control;
    control.Start();
    ScanCounters counters;
    ScannedRows rows;
    Options walk = options;
    walk.SubDir = 1;
    walk.FileOk = fileOk;
    WalkContext context{walk, table, matcher, control, counters, rows, rows, jobs};
    ScanFolder(context, dir.path());
    return rows.rows;
  }
  // The row a scan of the tree with `jobs` threads gives `path` (an empty
  // row when none).
  CapturedRow Scanned(const fs::path& path, int jobs = 1) {
    for (const CapturedRow& row : ScanRows(jobs))
      if (row.path == path) return {kRow, path, row.virusName, row.identity};
    return {};
  }
  // The texts of the rows a scan gives `path`, "OK" included.
  std::vector<std::wstring> ScanTexts(const fs::path& path, int jobs = 1) {
    std::vector<std::wstring> texts;
    for (const CapturedRow& row : ScanRows(jobs, true))
      if (row.path == path) texts.push_back(row.virusName);
    return texts;
  }
#ifndef _WIN32
  // Cures `path` (the .com appender) in a child killed at `step` of its
  // write in place; true when it was killed there.
  bool CureKilledAt(CureStep step, const fs::path& path) {
    static CureStep at;
    at = step;
    const auto cure = [&] {
      SetCureStepHook([](CureStep now) {
        if (now == at) ::raise(SIGKILL);
      });
      Act(CureOrDelete, path);
      return 0;
    };
    return InChild(cure, 60) == -2;
  }
#endif
  // Acts on the row `scanned` as the scan left it.
  void ActOn(Action action, const CapturedRow& scanned) {
    rec.texts[kRow] = scanned.virusName;
    ActionContext context{table, options, rec, rec, rec, rec, workFolder, naming};
    action(context, scanned);
  }

  static constexpr int kRow = 1;
  TempDir dir;   // the scanned tree
  TempDir work;
  fs::path workFolder = work.path();  // holds "!!!Infected"
  // Com: the .com appender (record 0); Plain: incurable; Companion: the
  // .exe companion (record 3).
  VirusTable table = MakeTable({{"Com", kSignature, true},
                                {"Plain", "PLAIN-SIGNATURE", false},
                                {"Unused", "", false},
                                {"Companion", "COMPANION-SIGNATURE", true}});
  Options options = DefaultOptions();
  QuarantineNaming naming = QuarantineNaming::KeepBoth;
  RowRecorder rec;
};

#ifdef _WIN32

// The DACL of `path` in SDDL, or "(none)".
inline std::wstring DaclText(const fs::path& path) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  PACL dacl = nullptr;
  if (GetNamedSecurityInfoW(os::LongPath(path.native()).c_str(), SE_FILE_OBJECT,
                            DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                            &sd) != ERROR_SUCCESS)
    return L"(none)";
  wchar_t* text = nullptr;
  std::wstring result = L"(none)";
  if (ConvertSecurityDescriptorToStringSecurityDescriptorW(sd, SDDL_REVISION_1,
                                                           DACL_SECURITY_INFORMATION, &text, nullptr)) {
    result = text;
    LocalFree(text);
  }
  LocalFree(sd);
  return result;
}

// Gives `path` the protected DACL of `sddl`.
inline void SetDacl(const fs::path& path, const wchar_t* sddl) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd,
                                                                   nullptr));
  BOOL present = FALSE, defaulted = FALSE;
  PACL acl = nullptr;
  GetSecurityDescriptorDacl(sd, &present, &acl, &defaulted);
  const std::wstring name = os::LongPath(path.native());
  SetNamedSecurityInfoW(const_cast<wchar_t*>(name.c_str()), SE_FILE_OBJECT,
                        DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                        nullptr, acl, nullptr);
  LocalFree(sd);
}

// Whether this system keeps a DACL set on a file (Wine may not).
inline bool KeepsDacls(const fs::path& probe) {
  WriteBytes(probe, "probe");
  SetDacl(probe, L"D:P(A;;FA;;;WD)");
  const bool kept = DaclText(probe) == L"D:P(A;;FA;;;WD)";
  fs::remove(probe);
  return kept;
}

// Whole files at paths of any length, by the \\?\ form.
inline void WriteLong(const fs::path& path, const std::string& bytes) {
  HANDLE h = CreateFileW(os::LongPath(path.native()).c_str(), GENERIC_WRITE, 0, nullptr,
                         CREATE_ALWAYS, 0, nullptr);
  DWORD wrote = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr);
  CloseHandle(h);
}

inline std::string ReadLong(const fs::path& path) {
  HANDLE h = CreateFileW(os::LongPath(path.native()).c_str(), GENERIC_READ, FILE_SHARE_READ,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "(missing)";
  std::string bytes(1 << 16, '\0');
  DWORD got = 0;
  ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(h);
  bytes.resize(got);
  return bytes;
}

#endif

}  // namespace vsk::test
