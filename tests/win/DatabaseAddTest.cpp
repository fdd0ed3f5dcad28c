// The database editor's refusals: names, lengths and counts it does not
// take, and the name box's limit, with what reaches the database file.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/DatabaseDialog.h"
#include "engine/db/Matcher.h"
#include "engine/db/Texts.h"
#include "engine/text/Encoding.h"
#include "tests/TestUtil.h"
#include "tests/win/DatabaseDialogFixture.h"
#include "tests/win/WinTestUtil.h"
#include "res/resource.h"

namespace vsk {
namespace {

using test::DatabaseImage;
using test::MessageBoxAnswerer;
using test::ReadBytes;
using test::RecordingMessages;
using test::RecordingPlayer;
using test::Sig;
using test::TempDir;
using test::WriteBytes;
using test::DatabaseDialogTest;
using test::Records;
using test::kSkin;
using test::kTitle;

TEST_F(DatabaseDialogTest, AddRefusesAnEmptyNameAZeroLengthAndA201stRecord) {
  Open(DatabaseImage(Records(3)));
  Press(IDC_ADD_RECORD);
  TypeInto(IDC_VIRUS_NAME, L"Name");
  Press(IDC_ADD_RECORD);
  EXPECT_EQ(messages_.shown,
            (std::vector<std::wstring>{msg::kEnterVirusName, msg::kEnterSignatureLength}));
  EXPECT_EQ(ReadBytes(db_), DatabaseImage(Records(3)));
  EXPECT_EQ(player_.Played(), (std::vector<int>{wave::kClick, wave::kClick}));
  dialog_->DestroyWindow();

  messages_.shown.clear();
  const std::string full = DatabaseImage(Records(200));
  Open(full);
  EXPECT_EQ(Text(IDC_RECORD_COUNT), L"200");
  TypeInto(IDC_VIRUS_NAME, L"One too many");
  TypeInto(IDC_SIGNATURE_LENGTH, L"2");
  ::SetFocus(Item(IDC_SIGNATURE));
  TypeHex(L"abcd");
  Press(IDC_ADD_RECORD);
  EXPECT_EQ(messages_.shown, std::vector<std::wstring>{msg::kDatabaseTooBig});
  EXPECT_EQ(ReadBytes(db_), full);
  EXPECT_EQ(Text(IDC_RECORD_COUNT), L"200");
  EXPECT_EQ(Text(IDC_VIRUS_NAME), L"One too many");
}

// A name a scanned file could not be told from: blanks show as nothing, a
// result text as a file scanned or acted on. Each is refused with its
// message and nothing is written.
TEST_F(DatabaseDialogTest, AddRefusesBlankNamesAndNamesThatAreResultTexts) {
  const std::string before = DatabaseImage(Records(3));
  Open(before);
  TypeInto(IDC_SIGNATURE_LENGTH, L"2");
  ::SetFocus(Item(IDC_SIGNATURE));
  TypeHex(L"abcd");
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"   ", msg::kEnterVirusName},
      {L"OK", msg::kNameIsResultText},
      {L"Неизлечим, перемещён", msg::kNameIsResultText},
      {L"Удалён совсем", msg::kNameIsResultText},  // loaded as its first word
      {L" Файл не найден", msg::kNameIsResultText},
  };
  for (const auto& [name, message] : cases) {
    messages_.shown.clear();
    TypeInto(IDC_VIRUS_NAME, name);
    Press(IDC_ADD_RECORD);
    EXPECT_EQ(messages_.shown, std::vector<std::wstring>{message}) << ToUtf8(name);
    EXPECT_EQ(Text(IDC_VIRUS_NAME), name) << "the name stays for correcting";
  }
  EXPECT_EQ(ReadBytes(db_), before);
  EXPECT_EQ(Text(IDC_RECORD_COUNT), L"3");

  messages_.shown.clear();
  TypeInto(IDC_VIRUS_NAME, L"OK.Trojan");
  Press(IDC_ADD_RECORD);
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_EQ(Text(IDC_RECORD_COUNT), L"4");
}

TEST_F(DatabaseDialogTest, ACountTheEditorCannotUseLeavesTheDialogBareAndWritesNothing) {
  const std::string tooBig = DatabaseImage(Records(3), 201);
  Open(tooBig);
  EXPECT_EQ(messages_.shown, std::vector<std::wstring>{msg::kDatabaseTooBig});
  EXPECT_EQ(Text(IDC_RECORD_COUNT), L"0");
  EXPECT_EQ(Button(IDC_ADD_RECORD).GetIconIn(), nullptr);
  TypeInto(IDC_VIRUS_NAME, L"Name");
  TypeInto(IDC_SIGNATURE_LENGTH, L"1");
  Press(IDC_ADD_RECORD);
  EXPECT_EQ(messages_.shown, (std::vector<std::wstring>{msg::kDatabaseTooBig, msg::kDatabaseTooBig}));
  EXPECT_EQ(ReadBytes(db_), tooBig);

  // The file gone after opening: the engine's message, nothing created.
  dialog_->DestroyWindow();
  messages_.shown.clear();
  Open(DatabaseImage(Records(1)));
  std::filesystem::remove(db_);
  TypeInto(IDC_VIRUS_NAME, L"Name");
  TypeInto(IDC_SIGNATURE_LENGTH, L"1");
  Press(IDC_ADD_RECORD);
  EXPECT_EQ(messages_.shown, std::vector<std::wstring>{msg::kDatabaseMissing});
  EXPECT_FALSE(std::filesystem::exists(db_));
  EXPECT_EQ(Text(IDC_RECORD_COUNT), L"1");
}

TEST_F(DatabaseDialogTest, NameBoxTakesThirtyTwoCharactersStoredWithoutTerminator) {
  Open(DatabaseImage({}));
  const std::wstring alphabet = L"АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ";  // 33 letters
  TypeInto(IDC_VIRUS_NAME, alphabet + L"z");
  EXPECT_EQ(Text(IDC_VIRUS_NAME), alphabet.substr(0, 32));
  TypeInto(IDC_SIGNATURE_LENGTH, L"1");
  ::SetFocus(Item(IDC_SIGNATURE));
  TypeHex(L"ff");
  Press(IDC_ADD_RECORD);
  const std::string after = ReadBytes(db_);
  ASSERT_EQ(after.size(), 112u + 64u);
  EXPECT_EQ(after.substr(112, 32), Encode1251(alphabet.substr(0, 32)));
  EXPECT_EQ(static_cast<uint8_t>(after[112 + 34]), 0xFF ^ 0x6B);
}

}  // namespace
}  // namespace vsk
