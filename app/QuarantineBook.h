// The quarantine as its dialog shows it, without a window: the rows of the
// records, restore and purge of the rows chosen, and the texts that tell
// the user what was refused or went wrong. Every change opens the folder
// anew, so a folder swapped or opened to others meanwhile is refused then.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/os/Folder.h"

namespace vsk {

struct QuarantineRow {
  os::NativeName stored;
  std::wstring original, virus, date, size;
};

class QuarantineBook {
 public:
  // "!!!Infected" in `dataFolder`, the folder the program keeps its data in.
  explicit QuarantineBook(std::filesystem::path dataFolder) : m_dataFolder(std::move(dataFolder)) {}

  // Reads the records again. Returns why they cannot all be shown (the
  // folder refused, the record file damaged or unreadable), empty when
  // nothing is wrong; a missing folder is an empty quarantine.
  std::wstring Load();
  const std::vector<QuarantineRow>& Rows() const { return m_rows; }
  std::filesystem::path FolderPath() const;

  // Puts back, or deletes for good, the files of `rows` (indices into
  // Rows()), then reads the records again. Returns the failures, one a
  // line under a heading, empty when every file went.
  std::wstring Restore(const std::vector<size_t>& rows);
  std::wstring Purge(const std::vector<size_t>& rows);

 private:
  std::wstring Apply(const std::vector<size_t>& rows, bool restore);

  std::filesystem::path m_dataFolder;
  std::vector<QuarantineRow> m_rows;
};

// "2024-05-06T07:08:09Z" as "06.05.2024 07:08:09"; other text as it is.
std::wstring QuarantineDateText(const std::string& utc);
// "512 байт", "1,5 КБ", "12,0 МБ"...
std::wstring QuarantineSizeText(uint64_t bytes);
// The question before a purge of `count` files, the first being `first`.
std::wstring PurgeQuestion(size_t count, const std::wstring& first);
// "Файлов в карантине: N" or that it is empty.
std::wstring QuarantineCountText(size_t count);

}  // namespace vsk
