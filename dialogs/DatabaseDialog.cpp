#include "dialogs/DatabaseDialog.h"

#include <algorithm>
#include <iterator>
#include <system_error>

#include "dialogs/DialogColor.h"
#include "engine/db/Texts.h"
#include "engine/text/Encoding.h"
#include "res/resource.h"

namespace vsk {
namespace {

constexpr int kIconSize = 48;
constexpr int kIconAbove = 1;

}  // namespace

CDatabaseDialog::CDatabaseDialog(IProfile& profile, ISoundPlayer& sound, IMessageSink& messages,
                                 std::filesystem::path database, CWnd* parent)
    : CDialog(IDD_DATABASE_DIALOG, parent),
      m_sound(ReadOption(profile, option::kSound)),
      m_textInButton(ReadOption(profile, option::kTextInButton)),
      m_player(sound),
      m_messages(messages),
      m_database(std::move(database)) {}

const MessageMap* CDatabaseDialog::GetMessageMap() const {
  static const MapEntry entries[] = {
      OnCommandEntry(IDC_ADD_RECORD, &CDatabaseDialog::OnAdd),
      OnCommandEntry(IDC_EXIT, &CDatabaseDialog::OnExit),
      OnControlEntry(EN_UPDATE, IDC_SIGNATURE_LENGTH, &CDatabaseDialog::OnLengthUpdate),
      OnControlEntry(EN_KILLFOCUS, IDC_SIGNATURE_LENGTH, &CDatabaseDialog::OnLengthKillFocus),
  };
  static const MessageMap map{CDialog::GetMessageMap(), entries, std::size(entries)};
  return &map;
}

void CDatabaseDialog::DoDataExchange(CDataExchange* dx) {
  DDX_Control(dx, IDC_EXIT, m_exitButton);
  DDX_Control(dx, IDC_ADD_RECORD, m_addButton);
  DDX_Control(dx, IDC_SIGNATURE, m_hexEdit);
  DDX_Text(dx, IDC_SIGNATURE_LENGTH, m_length);
  DDV_MinMaxByte(dx, m_length, 0, kMaxSignature);
  DDX_Text(dx, IDC_VIRUS_NAME, m_name);
  DDV_MaxChars(dx, m_name, kNameField);
  DDX_Check(dx, IDC_CURABLE, m_curable);
}

bool CDatabaseDialog::Exchange(bool save) {
  if (m_exchanging) return false;
  m_exchanging = true;
  const BOOL ok = UpdateData(save);
  m_exchanging = false;
  return ok != FALSE;
}

BOOL CDatabaseDialog::OnInitDialog() {
  Exchange(false);
  m_count = ReadRecordCount(m_messages, m_database);
  if (m_count < 0) return TRUE;
  ShowCount();
  m_addButton.SetIcons(IDI_ADD_RECORD_HOT, IDI_ADD_RECORD, kIconSize, kIconSize);
  m_exitButton.SetIcons(IDI_CANCEL_HOT, IDI_CANCEL, kIconSize, kIconSize);
  for (CImageButton* button : {&m_addButton, &m_exitButton}) {
    button->SetDrawBorder(FALSE);
    button->SetBackColorIn(kDialogColor);
    button->SetBackColorOut(kDialogColor);
    button->SetAlignment(kIconAbove);
    button->SetShowText(m_textInButton);
  }
  return TRUE;
}

void CDatabaseDialog::ShowCount() { SetDlgItemText(IDC_RECORD_COUNT, std::to_wstring(m_count)); }

void CDatabaseDialog::PlayClick() {
  if (m_sound) m_player.PlayWave(wave::kClick, SoundMode::Async);
}

void CDatabaseDialog::OnLengthUpdate() {
  if (!m_closing) Exchange(true);
}

void CDatabaseDialog::OnLengthKillFocus() {
  if (m_closing || !Exchange(true)) return;
  std::fill(std::begin(m_signature), std::end(m_signature), uint8_t{0});
  m_hexEdit.SetData(m_signature, m_length);
}

void CDatabaseDialog::OnAdd() {
  PlayClick();
  if (!Exchange(true)) return;
  switch (CheckVirusName(m_name)) {
    case NameProblem::Blank:
      m_messages.ShowMessage(msg::kEnterVirusName);
      return;
    case NameProblem::ResultText:
      m_messages.ShowMessage(msg::kNameIsResultText);
      return;
    case NameProblem::None:
      break;
  }
  if (m_length == 0) {
    m_messages.ShowMessage(msg::kEnterSignatureLength);
    return;
  }
  if (m_length > kMaxSignature) return;
  if (m_count < 0) {
    // The count could not be read when the dialog opened: try again, so the
    // user hears what is wrong now.
    m_count = ReadRecordCount(m_messages, m_database);
    if (m_count < 0) return;
    ShowCount();
  }
  // The loader refuses a database of more than 200 records as a whole.
  if (m_count >= kMaxViruses) {
    m_messages.ShowMessage(msg::kDatabaseTooBig);
    return;
  }
  // Bytes the hex edit does not hold are zeros, never a previous record's.
  std::fill(std::begin(m_signature), std::end(m_signature), uint8_t{0});
  m_hexEdit.GetData(m_signature, m_length);
  if (!AppendVirusRecord(m_messages, m_count + 1, Encode1251(m_name), m_length, m_curable != 0,
                         m_signature, m_database))
    return;
  ++m_count;
  m_name.clear();
  m_length = 0;
  m_curable = 0;
  ShowCount();
  Exchange(false);
  m_hexEdit.SetData(nullptr, 0);
  ::SetFocus(m_hWnd);
}

void CDatabaseDialog::OnExit() {
  PlayClick();
  OnOK();
}

void CDatabaseDialog::OnOK() {
  if (!Exchange(true)) return;
  m_closing = true;
  EndDialog(IDOK);
}

void CDatabaseDialog::OnCancel() {
  m_closing = true;
  CDialog::OnCancel();
}

void CDatabaseDialog::OnDestroy() {
  // The length box loses the focus while the dialog goes.
  m_closing = true;
  CDialog::OnDestroy();
}

bool RunDatabaseEditor(CWnd* parent, const Options& options, IProfile& profile,
                       ISoundPlayer& sound, IMessageSink& messages, VirusTable& table,
                       const std::filesystem::path& database) {
  PlayIfOn(options, sound, wave::kClick);
  std::error_code ec;
  if (!std::filesystem::exists(database, ec)) {
    messages.ShowMessage(msg::kDatabaseMissing);
    return false;
  }
  {
    CDatabaseDialog dialog(profile, sound, messages, database, parent);
    dialog.DoModal();
  }
  LoadVirusTable(table, messages, database);
  return true;
}

}  // namespace vsk
