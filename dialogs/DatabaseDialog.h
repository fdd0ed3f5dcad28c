// The database editor: appends one virus record at a time (name, signature
// length, curable flag, signature bytes typed in a hex edit) to the virus
// database file. It never shows, changes or removes existing records.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "framework/Dialog.h"
#include "controls/HexEdit.h"
#include "controls/ImageButton.h"
#include "engine/text/MessageSink.h"
#include "engine/settings/Options.h"
#include "engine/scan/Waves.h"
#include "engine/db/VirusDatabase.h"

namespace vsk {

namespace msg {
inline constexpr wchar_t kEnterVirusName[] = L"Введите название вируса!!!";
inline constexpr wchar_t kEnterSignatureLength[] = L"Введите длину сигнатуры вируса!!!";
inline constexpr wchar_t kNameIsResultText[] =
    L"Название вируса совпадает с результатом проверки!!!\nВведите другое название.";
}  // namespace msg

class CDatabaseDialog : public CDialog {
 public:
  // "Sound" and "TextInButton" are read from `profile` here. Messages of
  // the editor and of the database go to `messages`; the exchange's
  // validation messages are message boxes of their own.
  CDatabaseDialog(IProfile& profile, ISoundPlayer& sound, IMessageSink& messages,
                  std::filesystem::path database = kDatabaseFileName, CWnd* parent = nullptr);

  // The running count: read at initialisation, raised by each append.
  int RecordCount() const { return m_count; }

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;
  void OnOK() override;
  void OnCancel() override;
  void OnDestroy() override;
  const MessageMap* GetMessageMap() const override;

  void OnAdd();
  void OnExit();
  void OnLengthUpdate();
  void OnLengthKillFocus();

 private:
  // Runs the exchange unless one is running already: writing a control
  // raises notifications, and a failure's message box takes the focus, and
  // neither may start a second exchange.
  bool Exchange(bool save);
  void PlayClick();
  void ShowCount();

  CImageButton m_exitButton;
  CImageButton m_addButton;
  CHexEdit m_hexEdit;
  std::wstring m_name;
  BYTE m_length = 0;
  int m_curable = 0;
  int m_sound;
  int m_textInButton;
  uint8_t m_signature[kMaxSignature] = {};

  int m_count = 0;
  ISoundPlayer& m_player;
  IMessageSink& m_messages;
  std::filesystem::path m_database;
  bool m_exchanging = false;
  bool m_closing = false;
};

// Command 1009 of the main window. Plays the click when `options` ask for
// sound; when the database file is missing shows only its message and
// returns false. Otherwise runs the editor modally and, however it ended,
// reloads `table` from the file, and returns true. The caller must not be
// scanning (the table is replaced).
bool RunDatabaseEditor(CWnd* parent, const Options& options, IProfile& profile,
                       ISoundPlayer& sound, IMessageSink& messages, VirusTable& table,
                       const std::filesystem::path& database = kDatabaseFileName);

}  // namespace vsk
