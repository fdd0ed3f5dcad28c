#include "app/SummaryDialog.h"

#include "res/resource.h"

namespace vsk {

CSummaryDialog::CSummaryDialog(CWnd* parent) : CDialog(IDD_SUMMARY_DIALOG, parent) {}

CSummaryDialog::~CSummaryDialog() = default;

INT_PTR CSummaryDialog::ShowSummary(uint32_t filesChecked, uint32_t virusesFound,
                                    uint32_t scanSeconds) {
  m_filesChecked = filesChecked;
  m_virusesFound = virusesFound;
  m_scanSeconds = scanSeconds;
  return DoModal();
}

void CSummaryDialog::DoDataExchange(CDataExchange* dx) {
  DDX_Control(dx, IDC_ANIMATION, m_animation);
}

BOOL CSummaryDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  ::SetDlgItemInt(m_hWnd, IDC_FILES_CHECKED, m_filesChecked, FALSE);
  ::SetDlgItemInt(m_hWnd, IDC_VIRUSES_FOUND, m_virusesFound, FALSE);
  ::SetDlgItemInt(m_hWnd, IDC_SCAN_TIME, m_scanSeconds, FALSE);
  m_animation.Open(m_virusesFound > 0 ? IDR_AVI_INFECTED : IDR_AVI_CLEAN);
  // Frames 0-4 once; the three-frame clip ends at its last frame (0xFFFF:
  // to the end; the control refuses a range beyond it).
  m_animation.Play(0, m_virusesFound > 0 ? 0xFFFF : 4, 1);
  return TRUE;
}

}  // namespace vsk
