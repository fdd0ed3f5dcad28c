// The rows a right click takes and the six actions on them, one row after
// another through the engine's actions, as one batch: one question before a
// delete, one sound, one box with whatever the user has to be told.
#include <optional>

#include "app/ResultsList.h"
#include "engine/actions/Texts.h"
#include "engine/scan/FolderWalk.h"
#include "engine/text/Encoding.h"
#include "framework/Menu.h"
#include "res/resource.h"

namespace vsk {
namespace {

// Column 1 of the list, for the actions.
class ListResultRows : public IResultRows {
 public:
  explicit ListResultRows(CResultsList& list) : m_list(list) {}
  std::wstring GetText(int row) override { return m_list.ResultText(row); }
  void SetText(int row, const std::wstring& text) override { m_list.SetResultText(row, text); }

 private:
  CResultsList& m_list;
};

// The delete question once for the batch, naming its one file or how many
// there are; every other question as it comes.
class BatchQuestions : public IQuestions {
 public:
  BatchQuestions(HWND owner, std::wstring deleteDetail)
      : m_owner(owner), m_deleteDetail(std::move(deleteDetail)) {}
  bool AskOkCancel(const std::wstring& text, const std::wstring& caption) override {
    if (text != msg::kConfirmDelete) return Ask(text, caption);
    if (!m_deleteAnswer) m_deleteAnswer = Ask(text + L"\n" + m_deleteDetail, caption);
    return *m_deleteAnswer;
  }

 private:
  bool Ask(const std::wstring& text, const std::wstring& caption) const {
    return ::MessageBoxW(m_owner, text.c_str(), caption.c_str(), MB_OKCANCEL | MB_ICONEXCLAMATION) ==
           IDOK;
  }
  HWND m_owner;
  std::wstring m_deleteDetail;
  std::optional<bool> m_deleteAnswer;
};

// The first wave of the batch; the rows after it are heard in it.
class OnceSound : public ISoundPlayer {
 public:
  explicit OnceSound(ISoundPlayer& sound) : m_sound(sound) {}
  int PlayWave(int waveId, SoundMode mode) override {
    if (m_played) return 1;
    m_played = true;
    return m_sound.PlayWave(waveId, mode);
  }

 private:
  ISoundPlayer& m_sound;
  bool m_played = false;
};

// What the actions tell the user, shown in one box at the end.
class GatheredMessages : public IMessageSink {
 public:
  void ShowMessage(const std::wstring& text) override { m_texts.push_back(text); }
  void ShowIn(IMessageSink& messages) const {
    if (m_texts.empty()) return;
    constexpr size_t kShown = 12;
    std::wstring all;
    for (size_t i = 0; i < m_texts.size() && i < kShown; ++i)
      all += (i ? L"\n\n" : L"") + m_texts[i];
    if (m_texts.size() > kShown)
      all += L"\n\nИ ещё сообщений: " + std::to_wstring(m_texts.size() - kShown);
    messages.ShowMessage(all);
  }

 private:
  std::vector<std::wstring> m_texts;
};

struct MenuAction {
  UINT command;
  void (*action)(ActionContext&, const CapturedRow&);
};
constexpr MenuAction kMenuActions[] = {
    {ID_CURE_OR_DELETE, &CureOrDelete},       {ID_CURE_OR_RENAME, &CureOrRename},
    {ID_CURE_OR_MOVE, &CureOrMove},           {ID_DELETE_INFECTED, &DeleteInfected},
    {ID_RENAME_INFECTED, &RenameInfected},    {ID_MOVE_TO_QUARANTINE, &MoveToQuarantine},
};

void SetRowState(HWND list, int row, UINT state, UINT mask) {
  LVITEMW item{};
  item.state = state;
  item.stateMask = mask;
  ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

}  // namespace

void SelectAllRows(HWND list) { SetRowState(list, -1, LVIS_SELECTED, LVIS_SELECTED); }

void CResultsList::OnRightClick(HWND owner, int hit) {
  if (m_pressedRow != -2) hit = m_pressedRow;
  m_pressedRow = -2;
  m_selected.clear();
  m_selectedObjects.clear();
  m_clicked = {};
  if (hit < 0 || static_cast<size_t>(hit) >= m_rows.size()) {
    TrackPopupMenuAtCursor(owner, IDR_LIST_MENU);
    return;
  }
  const Row& clicked = m_rows[static_cast<size_t>(hit)];
  m_clicked = {hit, PathFromText(clicked.object), clicked.result, clicked.identity};
  // The row under the pointer is acted on, not the selection mark: a row
  // outside the selection becomes the selection.
  if (!(SendMessage(LVM_GETITEMSTATE, static_cast<WPARAM>(hit), LVIS_SELECTED) & LVIS_SELECTED)) {
    SetRowState(m_hWnd, -1, 0, LVIS_SELECTED);
    SetRowState(m_hWnd, hit, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SendMessage(LVM_SETSELECTIONMARK, 0, hit);
  }
  for (auto i = static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
       i >= 0 && static_cast<size_t>(i) < m_rows.size();
       i = static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED))) {
    const Row& r = m_rows[static_cast<size_t>(i)];
    m_selectedObjects.push_back(r.object);
    // Only a row that names a virus has actions.
    if (!IsResultText(r.result)) m_selected.emplace_back(i, PathFromText(r.object), r.result, r.identity);
  }
  // Rows without a virus have only their file's commands.
  TrackPopupMenuAtCursor(owner, m_selected.empty() ? IDR_ROW_MENU : IDR_RESULTS_MENU);
}

void CResultsList::RunAction(UINT command, HWND owner) {
  const MenuAction* action = nullptr;
  for (const MenuAction& a : kMenuActions)
    if (a.command == command) action = &a;
  if (!action || m_selected.empty()) return;
  // The rows a delete may take: all of them, or for cure-or-delete those
  // whose virus has no cure.
  std::vector<const CapturedRow*> deleted;
  for (const CapturedRow& row : m_selected) {
    const int virus = FindVirusByName(m_state.table, RowVirusName(m_state.table, row.virusName));
    if (command == ID_DELETE_INFECTED || (command == ID_CURE_OR_DELETE && virus >= 0 &&
                                          !m_state.table.curable[static_cast<size_t>(virus)]))
      deleted.push_back(&row);
  }
  const std::wstring detail = deleted.size() == 1
                                  ? PathText(deleted.front()->path)
                                  : L"Файлов: " + std::to_wstring(deleted.size());
  ListResultRows rows(*this);
  BatchQuestions questions(owner, detail);
  OnceSound sound(m_state.sound);
  GatheredMessages messages;
  // One row asks before it replaces a file of the same name in the
  // quarantine; a batch keeps both.
  ActionContext context{m_state.table, m_state.options, rows, sound, questions, messages,
                        m_state.dataFolder,
                        m_selected.size() > 1 ? QuarantineNaming::KeepBoth : QuarantineNaming::AskToReplace};
  const std::vector<CapturedRow> taken = std::move(m_selected);
  m_selected.clear();
  for (const CapturedRow& row : taken) action->action(context, row);
  messages.ShowIn(m_state.messages);
}

}  // namespace vsk
