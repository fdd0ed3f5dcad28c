// The small modal box that ends a scan run: files checked, viruses found,
// scan time, and an animation that tells at a glance how it went.
#pragma once

#include <cstdint>

#include "framework/Controls.h"
#include "framework/Dialog.h"

namespace vsk {

class CSummaryDialog : public CDialog {
 public:
  explicit CSummaryDialog(CWnd* parent = nullptr);
  ~CSummaryDialog() override;

  // Stores the three numbers and runs the box; returns its modal result.
  virtual INT_PTR ShowSummary(uint32_t filesChecked, uint32_t virusesFound, uint32_t scanSeconds);

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;

 private:
  CAnimateCtrl m_animation;
  uint32_t m_filesChecked = 0;
  uint32_t m_virusesFound = 0;
  uint32_t m_scanSeconds = 0;
};

}  // namespace vsk
