// Vireskand.exe started in a working folder of its own and watched from
// outside its process.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/text/Encoding.h"
#include "res/resource.h"
#include "tests/win/WinTestUtil.h"

namespace vsk::test {

// Build paths arrive as Unix paths; Wine shows the Unix root as drive Z:.
inline std::filesystem::path FromBuildPath(const char* unixPath) {
  std::wstring p = L"Z:" + FromUtf8(unixPath);
  for (wchar_t& c : p)
    if (c == L'/') c = L'\\';
  return p;
}

inline const std::filesystem::path kProgram = FromBuildPath(VSK_PROGRAM);
inline const std::filesystem::path kDatabase = FromBuildPath(VSK_SOURCE_DIR "/data/VirusBase.vbf");

inline bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return done();
}

// The program started in a working folder of its own; killed if a test
// leaves it running.
class Program {
 public:
  using Settings = std::vector<std::pair<std::wstring, std::wstring>>;
  // A fresh profile: every setting at its default but `settings`.
  explicit Program(const std::filesystem::path& folder, const std::wstring& arguments = {},
                   const Settings& settings = {}) {
    wchar_t windows[MAX_PATH] = {};
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    const std::filesystem::path profile = std::filesystem::path(windows) / L"Vireskand.INI";
    std::filesystem::remove(profile);
    for (const auto& [key, value] : settings)
      ::WritePrivateProfileStringW(L"OPTIONS", key.c_str(), value.c_str(), profile.c_str());
    std::wstring command = L"\"" + kProgram.wstring() + L"\"";
    if (!arguments.empty()) command += L" " + arguments;
    STARTUPINFOW si{sizeof(si)};
    EXPECT_TRUE(::CreateProcessW(kProgram.c_str(), command.data(), nullptr, nullptr, FALSE, 0,
                                 nullptr, folder.c_str(), &si, &pi_))
        << ::GetLastError();
  }
  ~Program() {
    if (pi_.hProcess && ::WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
      ::TerminateProcess(pi_.hProcess, 99);
      ::WaitForSingleObject(pi_.hProcess, 5000);
    }
    if (pi_.hProcess) ::CloseHandle(pi_.hProcess);
    if (pi_.hThread) ::CloseHandle(pi_.hThread);
  }

  std::vector<HWND> VisibleWindows() const {
    struct Search {
      DWORD pid;
      std::vector<HWND> found;
    } search{pi_.dwProcessId, {}};
    ::EnumWindows(
        [](HWND w, LPARAM l) -> BOOL {
          auto* s = reinterpret_cast<Search*>(l);
          DWORD pid = 0;
          ::GetWindowThreadProcessId(w, &pid);
          if (pid == s->pid && ::IsWindowVisible(w)) s->found.push_back(w);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }
  // A visible window of the program that `match` accepts.
  HWND Find(const std::function<bool(HWND)>& match, std::chrono::milliseconds limit) const {
    HWND result = nullptr;
    WaitFor(
        [&] {
          for (HWND w : VisibleWindows())
            if (match(w)) return (result = w) != nullptr;
          return false;
        },
        limit);
    return result;
  }
  HWND FindMessageBox(std::chrono::milliseconds limit) const {
    return Find([](HWND w) { return ::GetDlgItem(w, 0xFFFF) != nullptr; }, limit);
  }
  HWND FindMainWindow(std::chrono::milliseconds limit) const {
    return Find([](HWND w) { return WindowText(w) == L"Vireskand" && ::GetDlgItem(w, IDC_RESULTS); },
                limit);
  }
  bool Exited(std::chrono::milliseconds limit) const {
    return ::WaitForSingleObject(pi_.hProcess, static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0;
  }
  DWORD ExitCode() const {
    DWORD code = 0;
    ::GetExitCodeProcess(pi_.hProcess, &code);
    return code;
  }
  HANDLE process() const { return pi_.hProcess; }

 private:
  PROCESS_INFORMATION pi_{};
};

}  // namespace vsk::test
