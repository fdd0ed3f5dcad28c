#include "engine/actions/RowTexts.h"

#include "engine/actions/Texts.h"
#include "engine/scan/FolderWalk.h"

namespace vsk {

int FindVirusByName(const VirusTable& table, const std::wstring& name) {
  for (int i = 0; i < table.count; ++i)
    if (table.Name(i) == name) return i;
  return -1;
}

std::wstring FailedRowText(const std::wstring& virusName) {
  return result::kAccessError + (kFailureMark + virusName);
}

std::wstring RowVirusName(const VirusTable& table, const std::wstring& rowText) {
  if (FindVirusByName(table, rowText) >= 0) return rowText;
  const std::wstring failed = FailedRowText(L"");
  if (rowText.rfind(failed, 0) == 0) {
    const std::wstring name = rowText.substr(failed.size());
    if (FindVirusByName(table, name) >= 0) return name;
  }
  return {};
}

}  // namespace vsk
