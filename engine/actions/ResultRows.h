// What an action sees of the window that called it: column 1 of the
// results list's rows, the row captured when the menu opened, and the
// questions it asks about files. The Win32 list view, the command-line
// scanner and the tests each provide them.
#pragma once

#include <filesystem>
#include <string>
#include <utility>

#include "engine/scan/RowIdentity.h"

namespace vsk {

// Column 1 of the results list's rows.
class IResultRows {
 public:
  virtual ~IResultRows() = default;
  virtual std::wstring GetText(int row) = 0;
  virtual void SetText(int row, const std::wstring& text) = 0;
};

// Questions about files: OK and Cancel with the exclamation icon and the
// caption "Предупреждение". Returns true for OK.
class IQuestions {
 public:
  virtual ~IQuestions() = default;
  virtual bool AskOkCancel(const std::wstring& text, const std::wstring& caption) = 0;
};

// The row captured when the context menu opened; it stays apart from the
// file a running scan is at. `virusName` is the row's text as it was.
struct CapturedRow {
  CapturedRow() = default;
  CapturedRow(int index, std::filesystem::path path, std::wstring virusName,
              RowIdentity identity = {})
      : index(index), path(std::move(path)), virusName(std::move(virusName)), identity(identity) {}

  int index = -1;
  std::filesystem::path path;
  std::wstring virusName;
  // The file the scan read there; an action on a known row acts only while
  // the folder and the file are still these.
  RowIdentity identity;
};

}  // namespace vsk
