#include "app/QuarantineDialog.h"

#include <iterator>

#include "dialogs/DialogColor.h"
#include "engine/actions/Texts.h"
#include "framework/App.h"
#include "res/resource.h"

namespace vsk {
namespace {

constexpr int kIconSize = 48;
constexpr int kIconAbove = 1;
constexpr COLORREF kListBack = RGB(255, 255, 204);

}  // namespace

CQuarantineDialog::CQuarantineDialog(std::filesystem::path dataFolder, const Options& options,
                                     ISoundPlayer& sound, CWnd* parent)
    : CDialog(IDD_QUARANTINE_DIALOG, parent),
      m_book(std::move(dataFolder)),
      m_options(options),
      m_sound(sound) {}

const MessageMap* CQuarantineDialog::GetMessageMap() const {
  static const MapEntry entries[] = {
      OnCommandEntry(IDC_RESTORE, &CQuarantineDialog::OnRestore),
      OnCommandEntry(IDC_PURGE, &CQuarantineDialog::OnPurge),
  };
  static const MessageMap map{CDialog::GetMessageMap(), entries, std::size(entries)};
  return &map;
}

void CQuarantineDialog::DoDataExchange(CDataExchange* dx) {
  DDX_Control(dx, IDC_QUARANTINE_LIST, m_list);
  DDX_Control(dx, IDC_RESTORE, m_restoreButton);
  DDX_Control(dx, IDC_PURGE, m_purgeButton);
  DDX_Control(dx, IDCANCEL, m_closeButton);
}

BOOL CQuarantineDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  SetDlgItemText(IDC_QUARANTINE_PATH, m_book.FolderPath().wstring());
  // A path cut short shows whole under the pointer.
  m_list.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP);
  // Together as wide as the list inside its border and scroll bar.
  m_list.InsertColumn(0, L"Исходный путь", LVCFMT_LEFT, 215);
  m_list.InsertColumn(1, L"Вирус", LVCFMT_LEFT, 110);
  m_list.InsertColumn(2, L"Дата (UTC)", LVCFMT_LEFT, 115);
  m_list.InsertColumn(3, L"Размер", LVCFMT_RIGHT, 60);
  m_list.SetBkColor(kListBack);
  m_list.SetTextBkColor(kListBack);
  m_list.SetTextColor(RGB(0, 0, 0));

  const struct {
    CImageButton* button;
    int hot, normal;
  } buttons[] = {{&m_restoreButton, IDI_RESTORE_HOT, IDI_RESTORE},
                 {&m_purgeButton, IDI_PURGE_HOT, IDI_PURGE},
                 {&m_closeButton, IDI_CANCEL_HOT, IDI_CANCEL}};
  for (const auto& b : buttons) {
    b.button->SetIcons(b.hot, b.normal, kIconSize, kIconSize);
    b.button->SetDrawBorder(FALSE);
    b.button->SetBackColorIn(kDialogColor);
    b.button->SetBackColorOut(kDialogColor);
    b.button->SetAlignment(kIconAbove);
    b.button->SetShowText(m_options.TextInButton);
  }
  Show(m_book.Load());
  // The list, not the folder's text, which would show all selected.
  ::SetFocus(m_list.m_hWnd);
  return FALSE;
}

void CQuarantineDialog::Show(const std::wstring& problem) {
  m_list.DeleteAllItems();
  const std::vector<QuarantineRow>& rows = m_book.Rows();
  for (size_t i = 0; i < rows.size(); ++i) {
    const int row = m_list.InsertItem(static_cast<int>(i), rows[i].original, -1);
    m_list.SetItemText(row, 1, rows[i].virus);
    m_list.SetItemText(row, 2, rows[i].date);
    m_list.SetItemText(row, 3, rows[i].size);
  }
  SetDlgItemText(IDC_QUARANTINE_COUNT, QuarantineCountText(rows.size()));
  if (!problem.empty()) ::MessageBoxW(m_hWnd, problem.c_str(), kQuarantineTitle, MB_OK | MB_ICONEXCLAMATION);
}

std::vector<size_t> CQuarantineDialog::ChosenRows() const {
  std::vector<size_t> rows;
  for (int i = -1; (i = static_cast<int>(m_list.SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(i),
                                                            LVNI_SELECTED))) >= 0;)
    rows.push_back(static_cast<size_t>(i));
  return rows;
}

void CQuarantineDialog::OnRestore() {
  PlayIfOn(m_options, m_sound, wave::kClick);
  const std::vector<size_t> rows = ChosenRows();
  if (rows.empty()) return;
  Show(m_book.Restore(rows));
}

void CQuarantineDialog::OnPurge() {
  PlayIfOn(m_options, m_sound, wave::kClick);
  const std::vector<size_t> rows = ChosenRows();
  if (rows.empty()) return;
  const std::wstring question = PurgeQuestion(rows.size(), m_book.Rows()[rows.front()].original);
  if (::MessageBoxW(m_hWnd, question.c_str(), msg::kWarningCaption,
                    MB_OKCANCEL | MB_ICONEXCLAMATION) != IDOK)
    return;
  Show(m_book.Purge(rows));
  PlayIfOn(m_options, m_sound, wave::kDeleted);
}

}  // namespace vsk
