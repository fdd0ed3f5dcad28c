#include "engine/os/FileIo.h"

#include <string>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace vsk {

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode) {
#ifdef _WIN32
  std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
  return _wfopen(path.c_str(), wideMode.c_str());
#else
  // fopen gives no O_NOCTTY: a terminal named in place of a file would
  // become the controlling terminal of a process that has none.
  const std::string m = mode;
  const bool update = m.find('+') != std::string::npos;
  int flags = O_CLOEXEC | O_NOCTTY | (update ? O_RDWR : m[0] == 'r' ? O_RDONLY : O_WRONLY);
  if (m[0] == 'w') flags |= O_CREAT | O_TRUNC;
  if (m[0] == 'a') flags |= O_CREAT | O_APPEND;
  const int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, mode);
  if (!file) ::close(fd);
  return file;
#endif
}

bool SeekTo(std::FILE* file, uint64_t offset) {
  if (offset > static_cast<uint64_t>(INT64_MAX)) return false;
#ifdef _WIN32
  return _fseeki64(file, static_cast<int64_t>(offset), SEEK_SET) == 0;
#else
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

bool ReadAtOffset(std::FILE* file, uint64_t offset, void* data, size_t size) {
  return SeekTo(file, offset) && std::fread(data, 1, size, file) == size;
}

bool WriteAtOffset(std::FILE* file, uint64_t offset, const void* data, size_t size) {
  return SeekTo(file, offset) && std::fwrite(data, 1, size, file) == size;
}

int64_t FileLength(std::FILE* file) {
#ifdef _WIN32
  if (_fseeki64(file, 0, SEEK_END) != 0) return -1;
  return _ftelli64(file);
#else
  if (fseeko(file, 0, SEEK_END) != 0) return -1;
  return ftello(file);
#endif
}

}  // namespace vsk
