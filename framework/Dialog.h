// CDialog: modal with its own message loop (so PreTranslateMessage runs),
// modeless Create, and data exchange between members and controls.
#pragma once

#include "framework/Wnd.h"

namespace vsk {

class CDataExchange {
 public:
  CDataExchange(CWnd* dlg, bool save) : m_bSaveAndValidate(save), m_pDlgWnd(dlg) {}
  bool m_bSaveAndValidate;
  CWnd* m_pDlgWnd;
  // The control of `id`, remembered for Fail() to give it the focus back.
  HWND PrepareCtrl(int id);
  // Ends the exchange: focus back to the last prepared control.
  [[noreturn]] void Fail();
  HWND LastCtrl() const { return m_lastCtrl; }

 private:
  HWND m_lastCtrl = nullptr;
};

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  // A template held in memory by the caller for the dialog's lifetime.
  explicit CDialog(const DLGTEMPLATE* tmpl, CWnd* parent = nullptr);
  ~CDialog() override;

  INT_PTR DoModal();
  BOOL Create(UINT templateId, CWnd* parent = nullptr);
  BOOL CreateIndirect(const DLGTEMPLATE* tmpl, CWnd* parent = nullptr);
  void EndDialog(INT_PTR result);
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

  BOOL PreTranslateMessage(MSG* msg) override;

  static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);

 protected:
  // TRUE keeps the default focus; the default loads the controls.
  virtual BOOL OnInitDialog();
  // The default saves the controls and ends the dialog with IDOK.
  virtual void OnOK();
  virtual void OnCancel();
  virtual void DoDataExchange(CDataExchange*) {}

  const MessageMap* GetMessageMap() const override;
  LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l) override;
  LRESULT Default() override;

  CWnd* m_pParentWnd;

 private:
  UINT m_templateId = 0;
  const DLGTEMPLATE* m_template = nullptr;
  bool m_modal = false;
  bool m_endModal = false;
  bool m_defaulted = false;
  INT_PTR m_result = -1;

  HWND CreateFrom(const DLGTEMPLATE* tmpl, HWND parent);
  const DLGTEMPLATE* LoadTemplate(UINT id) const;
};

// Data exchange in the usual manner: on load the member goes into the
// control, on save the control's value into the member.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
void DDX_Check(CDataExchange* dx, int id, int& value);
// `id` is the first button of a group (WS_GROUP); value is the index of the
// checked button, -1 for none.
void DDX_Radio(CDataExchange* dx, int id, int& value);
void DDX_Text(CDataExchange* dx, int id, std::wstring& value);
void DDX_Text(CDataExchange* dx, int id, int& value);
// An unsigned byte; other text fails with the range message.
void DDX_Text(CDataExchange* dx, int id, BYTE& value);
void DDV_MinMaxInt(CDataExchange* dx, int value, int minValue, int maxValue);
void DDV_MinMaxByte(CDataExchange* dx, BYTE value, BYTE minValue, BYTE maxValue);
// Limits the edit on load, fails on save when the text is longer.
void DDV_MaxChars(CDataExchange* dx, const std::wstring& value, int maxChars);

}  // namespace vsk
