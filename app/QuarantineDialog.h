// The "Карантин" dialog: the files stored in "!!!Infected" of the data
// folder with where they came from, their virus, date and size; the chosen
// ones are put back or deleted for good. QuarantineBook does the work; this
// class shows it.
#pragma once

#include <cstddef>
#include <filesystem>
#include <vector>

#include "app/QuarantineBook.h"
#include "controls/ImageButton.h"
#include "engine/scan/Waves.h"
#include "engine/settings/Options.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"

namespace vsk {

inline constexpr wchar_t kQuarantineTitle[] = L"Карантин";

class CQuarantineDialog : public CDialog {
 public:
  // The quarantine of `dataFolder`; sounds and captions as `options` ask.
  CQuarantineDialog(std::filesystem::path dataFolder, const Options& options, ISoundPlayer& sound,
                    CWnd* parent = nullptr);

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;
  const MessageMap* GetMessageMap() const override;

  void OnRestore();
  void OnPurge();

 private:
  // Shows the book's rows; `problem` (when not empty) in a message box.
  void Show(const std::wstring& problem);
  std::vector<size_t> ChosenRows() const;

  QuarantineBook m_book;
  const Options& m_options;
  ISoundPlayer& m_sound;
  CListCtrl m_list;
  CImageButton m_restoreButton;
  CImageButton m_purgeButton;
  CImageButton m_closeButton;
};

}  // namespace vsk
