// The database editor driven by messages: typing into its boxes and the hex
// edit, pressing its buttons, and what reaches the database file.
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

TEST_F(DatabaseDialogTest, OpensWithTheCountAndTheButtonsLook) {
  Open(DatabaseImage(Records(7)));
  EXPECT_EQ(dialog_->GetWindowText(), kTitle);
  EXPECT_EQ(Text(IDC_RECORD_COUNT), L"7");
  EXPECT_EQ(dialog_->RecordCount(), 7);
  EXPECT_TRUE(messages_.shown.empty());
  for (int id : {IDC_ADD_RECORD, IDC_EXIT}) {
    CImageButton& b = Button(id);
    EXPECT_NE(b.GetIconIn(), nullptr);
    EXPECT_NE(b.GetIconOut(), nullptr);
    EXPECT_NE(b.GetIconIn(), b.GetIconOut());
    EXPECT_EQ(b.GetIconWidth(), 48);
    EXPECT_EQ(b.GetIconHeight(), 48);
    EXPECT_FALSE(b.GetDrawBorder());
    EXPECT_EQ(b.GetBackColorIn(), kSkin);
    EXPECT_EQ(b.GetBackColorOut(), kSkin);
    EXPECT_EQ(b.GetAlignment(), 1);
    EXPECT_FALSE(b.GetShowText());  // TextInButton is 0 in this profile
  }
  EXPECT_EQ(::SendMessageW(Item(IDC_VIRUS_NAME), EM_GETLIMITTEXT, 0, 0), 32);
  EXPECT_EQ(Text(IDC_SIGNATURE_LENGTH), L"0");
  EXPECT_EQ(Hex().SendMessage(WM_GETDLGCODE), static_cast<LRESULT>(DLGC_WANTALLKEYS));
  EXPECT_FALSE(Hex().Model().HasBuffer());
}

TEST_F(DatabaseDialogTest, AddingARecordTypedInTheHexEditAppendsItAndTheScanFindsIt) {
  const std::string before = DatabaseImage(Records(2));
  Open(before);
  TypeInto(IDC_VIRUS_NAME, L"Тест.Вирус");
  TypeInto(IDC_SIGNATURE_LENGTH, L"4");
  ::SendMessageW(Item(IDC_CURABLE), BM_CLICK, 0, 0);
  ::SetFocus(Item(IDC_SIGNATURE));  // the length box's focus loss loads 4 zero bytes
  ASSERT_EQ(Hex().Model().Length(), 4);
  TypeHex(L"deadbeef");
  Press(IDC_ADD_RECORD);
  EXPECT_TRUE(messages_.shown.empty());

  const std::string after = ReadBytes(db_);
  ASSERT_EQ(after.size(), before.size() + 64);
  EXPECT_EQ(after.substr(0, 104), before.substr(0, 104));
  EXPECT_EQ(static_cast<uint8_t>(after[104]), 3);
  EXPECT_EQ(after.substr(105, before.size() - 105), before.substr(105));
  const std::string record = after.substr(before.size());
  const std::string name = Encode1251(L"Тест.Вирус");
  EXPECT_EQ(record.substr(0, 32), name + std::string(32 - name.size(), '\0'));
  EXPECT_EQ(record[32], 4);
  EXPECT_EQ(record[33], 1);
  const uint8_t masked[] = {0xDE ^ 0x6B, 0xAD ^ 0x6B, 0xBE ^ 0x6B, 0xEF ^ 0x6B};
  EXPECT_EQ(record.substr(34, 4), std::string(masked, masked + 4));
  EXPECT_EQ(record.substr(38), std::string(26, '\x6B'));

  // The dialog is ready for the next record.
  EXPECT_EQ(Text(IDC_RECORD_COUNT), L"3");
  EXPECT_EQ(Text(IDC_VIRUS_NAME), L"");
  EXPECT_EQ(Text(IDC_SIGNATURE_LENGTH), L"0");
  EXPECT_EQ(::SendMessageW(Item(IDC_CURABLE), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(Hex().Model().Length(), 0);
  EXPECT_EQ(player_.Played(), std::vector<int>{wave::kClick});

  // The next load and scan know the new virus.
  VirusTable table;
  ASSERT_EQ(LoadVirusTable(table, messages_, db_), LoadResult::Loaded);
  ASSERT_EQ(table.count, 3);
  EXPECT_EQ(table.Name(2), L"Тест.Вирус");
  EXPECT_EQ(table.curable[2], 1);
  const auto infected = dir_ / "sample.bin";
  WriteBytes(infected, std::string(100, 'x') + "\xDE\xAD\xBE\xEF" + std::string(10, 'y'));
  const auto clean = dir_ / "clean.bin";
  WriteBytes(clean, std::string(100, 'x') + "\xDE\xAD\xBE\xEE");
  SignatureMatcher matcher(table);
  EXPECT_EQ(matcher.MatchFile(infected), 2);
  EXPECT_EQ(matcher.MatchFile(clean), kMatchClean);

  // A second record follows the first; a signature longer than what was
  // typed is padded with zeros.
  TypeInto(IDC_VIRUS_NAME, L"Second");
  TypeInto(IDC_SIGNATURE_LENGTH, L"2");
  ::SetFocus(Item(IDC_SIGNATURE));
  TypeHex(L"7");
  Press(IDC_ADD_RECORD);
  const std::string again = ReadBytes(db_);
  ASSERT_EQ(again.size(), before.size() + 128);
  EXPECT_EQ(static_cast<uint8_t>(again[104]), 4);
  EXPECT_EQ(again.substr(before.size() + 64 + 32, 4), std::string("\x02\x00\x1B\x6B", 4));
  EXPECT_EQ(Text(IDC_RECORD_COUNT), L"4");
}

TEST_F(DatabaseDialogTest, LengthBoxValidatesAtEachChangeAndLoadsTheHexEditOnFocusLoss) {
  Open(DatabaseImage(Records(1)));
  TypeInto(IDC_SIGNATURE_LENGTH, L"3");
  ::SetFocus(Item(IDC_SIGNATURE));
  ASSERT_EQ(Hex().Model().Length(), 3);
  TypeHex(L"11");
  {
    MessageBoxAnswerer answers;
    TypeInto(IDC_SIGNATURE_LENGTH, L"31");
    EXPECT_EQ(BoxTexts(answers), std::vector<std::wstring>{L"Please enter an integer between 0 and 30."});
    EXPECT_EQ(::GetFocus(), Item(IDC_SIGNATURE_LENGTH));
  }
  {
    // Leaving the box with a refused length keeps the hex edit as it was.
    MessageBoxAnswerer answers;
    ::SetFocus(Item(IDC_SIGNATURE));
    EXPECT_EQ(BoxTexts(answers), std::vector<std::wstring>{L"Please enter an integer between 0 and 30."});
    EXPECT_EQ(::GetFocus(), Item(IDC_SIGNATURE_LENGTH));
    EXPECT_EQ(Hex().Model().Length(), 3);
    uint8_t first = 0;
    Hex().GetData(&first, 1);
    EXPECT_EQ(first, 0x11);
  }
  {
    MessageBoxAnswerer answers;
    TypeInto(IDC_SIGNATURE_LENGTH, L"");
    EXPECT_EQ(BoxTexts(answers), std::vector<std::wstring>{L"Please enter an integer between 0 and 255."});
  }
  {
    MessageBoxAnswerer answers;
    TypeInto(IDC_SIGNATURE_LENGTH, L"x");
    EXPECT_EQ(BoxTexts(answers), std::vector<std::wstring>{L"Please enter an integer between 0 and 255."});
  }
  {
    // Add with a refused length writes nothing.
    MessageBoxAnswerer answers;
    TypeInto(IDC_VIRUS_NAME, L"Name");
    ::SetWindowTextW(Item(IDC_SIGNATURE_LENGTH), L"40");
    answers.shown.clear();
    Press(IDC_ADD_RECORD);
    EXPECT_FALSE(answers.shown.empty());
    EXPECT_EQ(ReadBytes(db_), DatabaseImage(Records(1)));
  }
  // A valid length loads that many zero bytes; typed bytes are lost.
  TypeInto(IDC_SIGNATURE_LENGTH, L"30");
  ::SetFocus(Item(IDC_SIGNATURE));
  EXPECT_EQ(Hex().Model().Length(), 30);
  uint8_t bytes[30];
  Hex().GetData(bytes, 30);
  EXPECT_EQ(std::count(bytes, bytes + 30, 0), 30);
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(DatabaseDialogTest, ExitClosesOnlyWithAValidLength) {
  Open(DatabaseImage(Records(1)));
  {
    MessageBoxAnswerer answers;
    ::SetWindowTextW(Item(IDC_SIGNATURE_LENGTH), L"99");
    answers.shown.clear();
    dialog_->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_EXIT, BN_CLICKED), reinterpret_cast<LPARAM>(Item(IDC_EXIT)));
    EXPECT_EQ(BoxTexts(answers), std::vector<std::wstring>{L"Please enter an integer between 0 and 30."});
  }
  EXPECT_NE(dialog_->m_hWnd, nullptr);
  ::SetWindowTextW(Item(IDC_SIGNATURE_LENGTH), L"5");
  Press(IDC_EXIT);
  EXPECT_EQ(dialog_->m_hWnd, nullptr);
  EXPECT_EQ(player_.Played(), (std::vector<int>{wave::kClick, wave::kClick}));
  EXPECT_TRUE(messages_.shown.empty());
}

// Runs `act` on the editor's window once it is shown, from inside its modal
// loop.
class WhenEditorShows {
 public:
  explicit WhenEditorShows(std::function<void(HWND)> act) : act_(std::move(act)) {
    current_ = this;
    timer_ = ::SetTimer(nullptr, 0, 30, &Tick);
  }
  ~WhenEditorShows() {
    ::KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  int seen = 0;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    ::EnumThreadWindows(::GetCurrentThreadId(), &Visit, 0);
  }
  static BOOL CALLBACK Visit(HWND wnd, LPARAM) {
    wchar_t title[64] = {};
    ::GetWindowTextW(wnd, title, 64);
    if (!current_ || !::IsWindowVisible(wnd) || std::wstring(title) != kTitle) return TRUE;
    ++current_->seen;
    current_->act_(wnd);
    return FALSE;
  }
  static inline WhenEditorShows* current_ = nullptr;
  std::function<void(HWND)> act_;
  UINT_PTR timer_ = 0;
};

TEST_F(DatabaseDialogTest, OpeningFromTheMainWindowReloadsTheTableWhenTheEditorCloses) {
  Options options = DefaultOptions();
  options.Sound = 1;
  VirusTable table;
  table.count = 99;

  EXPECT_FALSE(RunDatabaseEditor(nullptr, options, profile_, player_, messages_, table, db_));
  EXPECT_EQ(messages_.shown, std::vector<std::wstring>{msg::kDatabaseMissing});
  EXPECT_EQ(table.count, 99);
  EXPECT_EQ(player_.Played(), std::vector<int>{wave::kClick});

  messages_.shown.clear();
  player_.TakePlayed();
  WriteBytes(db_, DatabaseImage(Records(2)));
  {
    WhenEditorShows exit([](HWND dlg) {
      ::PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDC_EXIT, BN_CLICKED),
                     reinterpret_cast<LPARAM>(::GetDlgItem(dlg, IDC_EXIT)));
    });
    EXPECT_TRUE(RunDatabaseEditor(nullptr, options, profile_, player_, messages_, table, db_));
    EXPECT_EQ(exit.seen, 1);
  }
  EXPECT_EQ(table.count, 2);
  EXPECT_EQ(player_.Played(), (std::vector<int>{wave::kClick, wave::kClick}));

  // Escape closes it too; a record added in between is in the table after.
  WriteBytes(db_, DatabaseImage(Records(3)));
  options.Sound = 0;
  player_.TakePlayed();
  {
    WhenEditorShows escape([](HWND) {
      HWND focus = ::GetFocus();
      ::PostMessageW(focus, WM_KEYDOWN, VK_ESCAPE, 1);
    });
    EXPECT_TRUE(RunDatabaseEditor(nullptr, options, profile_, player_, messages_, table, db_));
  }
  EXPECT_EQ(table.count, 3);
  EXPECT_TRUE(player_.Played().empty());
  EXPECT_TRUE(messages_.shown.empty());
}

}  // namespace
}  // namespace vsk
