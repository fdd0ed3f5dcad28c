#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#endif

#include "engine/scan/Waves.h"
#include "engine/text/Encoding.h"
#include "engine/db/VirusDatabase.h"

namespace vsk::test {
namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
 public:
  TempDir() : TempDir(std::filesystem::temp_directory_path()) {}
  // A fresh folder in `base` instead.
  explicit TempDir(const std::filesystem::path& base) {
    static std::atomic<int> serial{0};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "vsk-";
    if (info) name += std::string(info->test_suite_name()) + "-" + info->name();
    name += "-" + std::to_string(std::random_device{}() % 100000) + "-" + std::to_string(serial++);
    for (char& c : name)
      if (c == '/') c = '_';
    path_ = base / name;
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& p) const { return path_ / p; }

 private:
  std::filesystem::path path_;
};

inline void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  if (in) bytes << in.rdbuf();
  return bytes.str();
}

// The volume a path lies on, to tell whether two folders share one.
inline uint64_t DeviceOf(const std::filesystem::path& path) {
#ifdef _WIN32
  return std::hash<std::wstring>{}(std::filesystem::absolute(path).root_name().native());
#else
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_dev) : 0;
#endif
}

// The names in `folder`, sorted: a file left behind shows here.
inline std::vector<std::string> Names(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A name in the system's own form.
inline std::filesystem::path::string_type Native(const std::string& name) {
  return std::filesystem::path(name).native();
}

#ifndef _WIN32
// The permission bits of `path` itself (a link's own).
inline mode_t ModeOf(const std::filesystem::path& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}
#endif

inline std::string Bytes(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

// A record: its name in UTF-8 (stored in 1251), its signature bytes.
struct Sig {
  std::string name;
  std::string bytes;
  bool curable = false;
};

inline VirusTable MakeTable(const std::vector<Sig>& sigs) {
  VirusTable t;
  t.count = static_cast<int>(sigs.size());
  for (size_t i = 0; i < sigs.size(); ++i) {
    t.names[i] = Encode1251(FromUtf8(sigs[i].name));
    t.lengths[i] = static_cast<uint8_t>(sigs[i].bytes.size());
    t.curable[i] = sigs[i].curable;
    for (size_t k = 0; k < sigs[i].bytes.size(); ++k)
      t.signatures[i][k] = static_cast<uint8_t>(sigs[i].bytes[k]);
  }
  return t;
}

// A database file: header, count, reserved bytes, then the records.
inline std::string DatabaseImage(const std::vector<Sig>& sigs, int countByte = -1) {
  std::string file(DatabaseHeader());
  file.push_back(static_cast<char>(countByte < 0 ? sigs.size() : countByte));
  file.append(7, '\0');
  for (const Sig& s : sigs) {
    const auto r = EncodeRecord(Encode1251(FromUtf8(s.name)), static_cast<int>(s.bytes.size()), s.curable,
                                reinterpret_cast<const uint8_t*>(s.bytes.data()));
    file.append(reinterpret_cast<const char*>(r.data()), r.size());
  }
  return file;
}

#ifndef _WIN32
// Runs `run` as the user "nobody" in a child process when the tests run as
// root, who could open any folder; returns what it returned.
inline std::string AsOrdinaryUser(const std::function<std::string()>& run) {
  if (::geteuid() != 0) return run();
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return "no pipe";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipeFds[0]);
    if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
    const std::string out = run();
    const bool written = ::write(pipeFds[1], out.data(), out.size()) == static_cast<ssize_t>(out.size());
    ::_exit(written ? 0 : 4);
  }
  ::close(pipeFds[1]);
  std::string out;
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<size_t>(n));
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  return out;
}

// Writes past `bytes` fail (EFBIG) while it lives, as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previous_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  void (*previous_)(int) = nullptr;
};
#endif

class RecordingMessages : public IMessageSink {
 public:
  void ShowMessage(const std::wstring& text) override { shown.push_back(text); }
  std::vector<std::wstring> shown;
};

// Records the waves asked for, from any thread. With HoldAt, the thread
// that asks for that wave waits inside PlayWave until Release(), so a scan
// worker can be stopped at a known point.
class RecordingPlayer : public ISoundPlayer {
 public:
  ~RecordingPlayer() override { Release(); }
  int PlayWave(int waveId, SoundMode mode) override {
    std::unique_lock lock(mutex_);
    played_.push_back(waveId);
    allAsync_ = allAsync_ && mode == SoundMode::Async;
    if (waveId == holdAt_) {
      held_ = true;
      changed_.wait(lock, [this, waveId] { return holdAt_ != waveId; });
    }
    return 1;
  }
  void HoldAt(int waveId) {
    std::lock_guard lock(mutex_);
    holdAt_ = waveId;
    held_ = false;
  }
  void Release() {
    {
      std::lock_guard lock(mutex_);
      holdAt_ = 0;
    }
    changed_.notify_all();
  }
  // True once a thread has come to the wave held last.
  bool Held() const {
    std::lock_guard lock(mutex_);
    return held_;
  }
  std::vector<int> Played() const {
    std::lock_guard lock(mutex_);
    return played_;
  }
  std::vector<int> TakePlayed() {
    std::lock_guard lock(mutex_);
    return std::exchange(played_, {});
  }
  bool AllAsync() const {
    std::lock_guard lock(mutex_);
    return allAsync_;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<int> played_;
  bool allAsync_ = true;
  int holdAt_ = 0;
  bool held_ = false;
};

// "key=value" lines as a map (other lines are left out), for comparing
// what a profile section holds regardless of the order it was written in.
inline std::map<std::wstring, std::wstring> KeyValues(const std::wstring& text) {
  std::map<std::wstring, std::wstring> values;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of(L"\r\n", start);
    if (end == std::wstring::npos) end = text.size();
    const std::wstring line = text.substr(start, end - start);
    const size_t eq = line.find(L'=');
    if (eq != std::wstring::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
    start = end + 1;
  }
  return values;
}

}  // namespace vsk::test
