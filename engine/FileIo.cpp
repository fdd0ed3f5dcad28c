#include "engine/FileIo.h"

#include <string>

namespace vsk {

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode) {
#ifdef _WIN32
  std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
  return _wfopen(path.c_str(), wideMode.c_str());
#else
  return std::fopen(path.c_str(), mode);
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
