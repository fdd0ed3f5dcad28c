#include "cli/ReportRowStore.h"

#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vsk {
namespace {

std::FILE* OpenTemporaryFile() {
#ifdef _WIN32
  // The C library's tmpfile() writes into the drive's root, which an
  // ordinary user may not; "D" removes the file when it is closed.
  wchar_t folder[MAX_PATH + 1] = {};
  wchar_t name[MAX_PATH + 1] = {};
  if (!GetTempPathW(MAX_PATH + 1, folder) || !GetTempFileNameW(folder, L"vsk", 0, name))
    return nullptr;
  std::FILE* f = _wfopen(name, L"w+bD");
  if (!f) DeleteFileW(name);
  return f;
#else
  return std::tmpfile();
#endif
}

bool WriteText(std::FILE* f, const std::wstring& text) {
  const uint32_t size = static_cast<uint32_t>(text.size());
  return std::fwrite(&size, sizeof size, 1, f) == 1 &&
         std::fwrite(text.data(), sizeof(wchar_t), size, f) == size;
}

bool ReadText(std::FILE* f, std::wstring& text) {
  uint32_t size = 0;
  if (std::fread(&size, sizeof size, 1, f) != 1) return false;
  text.resize(size);
  return std::fread(text.data(), sizeof(wchar_t), size, f) == size;
}

}  // namespace

ReportRowStore::ReportRowStore() : file_(OpenTemporaryFile()), ok_(file_ != nullptr) {}

ReportRowStore::~ReportRowStore() {
  if (file_) std::fclose(file_);
}

void ReportRowStore::Add(const std::wstring& path, const std::wstring& result) {
  ++count_;
  if (!ok_ || reading_) {
    ok_ = false;
    return;
  }
  ok_ = WriteText(file_, path) && WriteText(file_, result);
}

bool ReportRowStore::ReadNext() {
  if (!ok_) return false;
  ok_ = ReadText(file_, columns_[0]) && ReadText(file_, columns_[1]);
  if (ok_) ++current_;
  return ok_;
}

std::wstring ReportRowStore::Text(int row, int column) {
  if (!reading_ || row < current_) {
    reading_ = true;
    current_ = -1;
    ok_ = ok_ && std::fflush(file_) == 0 && std::fseek(file_, 0, SEEK_SET) == 0;
  }
  while (current_ < row && ReadNext()) {
  }
  return current_ == row ? columns_[column] : std::wstring();
}

}  // namespace vsk
