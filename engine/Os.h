// The operating-system seam of the engine: os_posix.cpp or os_win32.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace vsk::os {

// A file opened for scanning: read access, shared with readers only, so a
// file another process holds open for writing does not open. Only regular
// files open (never a FIFO or a device, which would block or never end).
class InputFile {
 public:
  InputFile() = default;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile();
  bool Open(const std::filesystem::path& path);
  // Bytes read, 0 at the end, -1 on error.
  long long Read(void* buffer, size_t size);
  // The size at opening, or -1 when unknown.
  long long Size() const { return size_; }
  // Takes over `handle`, a regular file opened elsewhere (engine/FileOps.h).
  void Adopt(intptr_t handle);

 private:
  intptr_t handle_ = -1;
  long long size_ = -1;
};

#ifdef _WIN32
// The \\?\ form of a path long enough to need it (absolute, backslashes);
// other paths come back as they are.
std::wstring LongPath(const std::wstring& path);
#endif

enum class EntryKind { File, Directory, LinkedDirectory, Other };

// Calls `visit` for each entry of `dir` except "." and "..", in the order the
// file system returns them, hidden and system entries included. A directory
// that is a symbolic link or junction is LinkedDirectory; special files
// (FIFOs, devices, sockets) are Other. Returns false when `dir` cannot be
// listed.
bool ListDirectory(const std::filesystem::path& dir,
                   const std::function<void(const std::filesystem::path::string_type& name,
                                            EntryKind kind)>& visit);

struct LocalTime {
  int year, month, day, hour, minute;
};
LocalTime Now();
std::wstring ComputerName();
std::wstring UserName();
// Milliseconds of a monotonic clock.
uint64_t TickCount();

}  // namespace vsk::os
