#include "framework/Dialog.h"

#include <cwchar>
#include <string>

#include "framework/App.h"

namespace vsk {
namespace {

// Thrown by CDataExchange::Fail after the user has been told.
struct ExchangeFailed {};

std::wstring RangeMessage(long long lo, long long hi) {
  return L"Please enter an integer between " + std::to_wstring(lo) + L" and " +
         std::to_wstring(hi) + L".";
}

// An optional sign and decimal digits with blanks around; nothing else.
bool ParseInteger(const std::wstring& text, long long& out) {
  const wchar_t* p = text.c_str();
  while (*p == L' ' || *p == L'\t') ++p;
  bool neg = false;
  if (*p == L'-' || *p == L'+') neg = *p++ == L'-';
  if (*p < L'0' || *p > L'9') return false;
  long long v = 0;
  while (*p >= L'0' && *p <= L'9') {
    v = v * 10 + (*p++ - L'0');
    if (v > 0xFFFFFFFFLL) return false;
  }
  while (*p == L' ' || *p == L'\t') ++p;
  if (*p) return false;
  out = neg ? -v : v;
  return true;
}

}  // namespace

HWND CDataExchange::PrepareCtrl(int id) {
  m_lastCtrl = ::GetDlgItem(m_pDlgWnd->m_hWnd, id);
  return m_lastCtrl;
}

void CDataExchange::Fail() {
  if (m_lastCtrl) {
    ::SetFocus(m_lastCtrl);
    wchar_t cls[16] = {};
    ::GetClassNameW(m_lastCtrl, cls, 16);
    if (_wcsicmp(cls, L"Edit") == 0) ::SendMessageW(m_lastCtrl, EM_SETSEL, 0, -1);
  }
  throw ExchangeFailed{};
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
  if (!control.m_hWnd) control.SubclassWindow(dx->PrepareCtrl(id));
}

void DDX_Check(CDataExchange* dx, int id, int& value) {
  HWND h = dx->PrepareCtrl(id);
  if (dx->m_bSaveAndValidate)
    value = static_cast<int>(::SendMessageW(h, BM_GETCHECK, 0, 0));
  else
    ::SendMessageW(h, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Radio(CDataExchange* dx, int id, int& value) {
  HWND h = dx->PrepareCtrl(id);
  if (dx->m_bSaveAndValidate) value = -1;
  int index = 0;
  for (HWND b = h; b; b = ::GetWindow(b, GW_HWNDNEXT), ++index) {
    const LONG_PTR style = ::GetWindowLongPtrW(b, GWL_STYLE);
    if (b != h && (style & WS_GROUP)) break;
    if (dx->m_bSaveAndValidate) {
      if (::SendMessageW(b, BM_GETCHECK, 0, 0) == BST_CHECKED) value = index;
    } else {
      ::SendMessageW(b, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
    }
  }
}

void DDX_Text(CDataExchange* dx, int id, std::wstring& value) {
  HWND h = dx->PrepareCtrl(id);
  if (dx->m_bSaveAndValidate) {
    const int n = ::GetWindowTextLengthW(h);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(h, text.data(), n + 1)));
    value = std::move(text);
  } else {
    ::SetWindowTextW(h, value.c_str());
  }
}

void DDX_Text(CDataExchange* dx, int id, int& value) {
  std::wstring text = std::to_wstring(value);
  DDX_Text(dx, id, text);
  if (!dx->m_bSaveAndValidate) return;
  long long v = 0;
  if (!ParseInteger(text, v) || v < INT32_MIN || v > INT32_MAX) {
    AfxMessageBox(L"Please enter an integer.", MB_OK | MB_ICONEXCLAMATION);
    dx->Fail();
  }
  value = static_cast<int>(v);
}

void DDX_Text(CDataExchange* dx, int id, BYTE& value) {
  std::wstring text = std::to_wstring(value);
  DDX_Text(dx, id, text);
  if (!dx->m_bSaveAndValidate) return;
  long long v = 0;
  if (!ParseInteger(text, v) || v < 0 || v > 255) {
    AfxMessageBox(RangeMessage(0, 255), MB_OK | MB_ICONEXCLAMATION);
    dx->Fail();
  }
  value = static_cast<BYTE>(v);
}

void DDV_MinMaxInt(CDataExchange* dx, int value, int minValue, int maxValue) {
  if (!dx->m_bSaveAndValidate || (value >= minValue && value <= maxValue)) return;
  AfxMessageBox(RangeMessage(minValue, maxValue), MB_OK | MB_ICONEXCLAMATION);
  dx->Fail();
}

void DDV_MinMaxByte(CDataExchange* dx, BYTE value, BYTE minValue, BYTE maxValue) {
  DDV_MinMaxInt(dx, value, minValue, maxValue);
}

void DDV_MaxChars(CDataExchange* dx, const std::wstring& value, int maxChars) {
  // The limit is for the edit that the exchange just before prepared.
  if (!dx->m_bSaveAndValidate) {
    if (HWND edit = dx->LastCtrl()) ::SendMessageW(edit, EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
    return;
  }
  if (static_cast<int>(value.size()) <= maxChars) return;
  AfxMessageBox(L"Enter no more than " + std::to_wstring(maxChars) + L" characters.",
                MB_OK | MB_ICONEXCLAMATION);
  dx->Fail();
}

CDialog::CDialog(UINT templateId, CWnd* parent) : m_pParentWnd(parent), m_templateId(templateId) {}
CDialog::CDialog(const DLGTEMPLATE* tmpl, CWnd* parent) : m_pParentWnd(parent), m_template(tmpl) {}

CDialog::~CDialog() {
  if (m_hWnd) ::DestroyWindow(m_hWnd);
}

const DLGTEMPLATE* CDialog::LoadTemplate(UINT id) const {
  HINSTANCE inst = ::GetModuleHandleW(nullptr);
  HRSRC res = ::FindResourceW(inst, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
  if (!res) return nullptr;
  HGLOBAL mem = ::LoadResource(inst, res);
  return mem ? static_cast<const DLGTEMPLATE*>(::LockResource(mem)) : nullptr;
}

HWND CDialog::CreateFrom(const DLGTEMPLATE* tmpl, HWND parent) {
  if (!tmpl) return nullptr;
  return ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), tmpl, parent, DialogProc,
                                      reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
  m_templateId = templateId;
  if (parent) m_pParentWnd = parent;
  return CreateFrom(LoadTemplate(templateId), m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr) != nullptr;
}

BOOL CDialog::CreateIndirect(const DLGTEMPLATE* tmpl, CWnd* parent) {
  m_template = tmpl;
  if (parent) m_pParentWnd = parent;
  return CreateFrom(tmpl, m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr) != nullptr;
}

INT_PTR CDialog::DoModal() {
  const DLGTEMPLATE* tmpl = m_template ? m_template : LoadTemplate(m_templateId);
  HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
  if (!owner && AfxGetApp() && AfxGetApp()->m_pMainWnd && AfxGetApp()->m_pMainWnd != this)
    owner = AfxGetApp()->m_pMainWnd->m_hWnd;
  if (owner && !::IsWindow(owner)) owner = nullptr;
  m_modal = true;
  m_endModal = false;
  m_result = -1;
  const bool ownerWasEnabled = owner && ::IsWindowEnabled(owner);
  if (ownerWasEnabled) ::EnableWindow(owner, FALSE);
  if (!CreateFrom(tmpl, owner)) {
    if (ownerWasEnabled) ::EnableWindow(owner, TRUE);
    m_modal = false;
    return -1;
  }
  if (!m_endModal) ::ShowWindow(m_hWnd, SW_SHOW);
  MSG msg;
  while (!m_endModal && m_hWnd) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got < 0) break;
    BOOL handled = FALSE;
    try {
      handled = PreTranslateMessage(&msg);
    } catch (...) {
      ReportUnhandledException();
    }
    if (!handled) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  // The owner is enabled before the dialog goes, so that the system gives
  // the activation back to it.
  if (ownerWasEnabled) ::EnableWindow(owner, TRUE);
  if (m_hWnd) {
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    ::DestroyWindow(m_hWnd);
  }
  m_modal = false;
  return m_result;
}

void CDialog::EndDialog(INT_PTR result) {
  m_result = result;
  if (m_modal) {
    m_endModal = true;
    // Wakes GetMessage when the end comes from outside a dispatched message.
    ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
  } else if (m_hWnd) {
    ::DestroyWindow(m_hWnd);
  }
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  CDataExchange dx(this, saveAndValidate != FALSE);
  try {
    DoDataExchange(&dx);
  } catch (const ExchangeFailed&) {
    return FALSE;
  }
  return TRUE;
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
  if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && m_hWnd)
    return ::IsDialogMessageW(m_hWnd, msg);
  return FALSE;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

const MessageMap* CDialog::GetMessageMap() const {
  static const MapEntry entries[] = {
      OnCommandEntry(IDOK, &CDialog::OnOK),
      OnCommandEntry(IDCANCEL, &CDialog::OnCancel),
  };
  static const MessageMap map{CWnd::GetMessageMap(), entries, std::size(entries)};
  return &map;
}

LRESULT CDialog::Default() {
  m_defaulted = true;
  return 0;
}

LRESULT CDialog::WindowProc(UINT msg, WPARAM w, LPARAM l) {
  switch (msg) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      if (HBRUSH brush = DialogBackground::Apply(reinterpret_cast<HDC>(w))) return reinterpret_cast<LRESULT>(brush);
      break;
    default:
      break;
  }
  return CWnd::WindowProc(msg, w, l);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT msg, WPARAM w, LPARAM l) {
  CDialog* self = nullptr;
  if (msg == WM_INITDIALOG) {
    self = reinterpret_cast<CDialog*>(l);
    self->m_hWnd = hWnd;
    ::SetWindowLongPtrW(hWnd, DWLP_USER, l);
  } else {
    self = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
  }
  if (!self) return FALSE;

  const bool savedDefaulted = self->m_defaulted;
  self->m_defaulted = false;
  const LRESULT r = self->Dispatch(msg, w, l);
  const bool defaulted = self->m_defaulted;
  self->m_defaulted = savedDefaulted;

  if (msg == WM_NCDESTROY) {
    self->m_hWnd = nullptr;
    try {
      self->PostNcDestroy();
    } catch (...) {
      ReportUnhandledException();
    }
    return FALSE;
  }
  if (defaulted) return FALSE;
  switch (msg) {
    // These return their value directly instead of through DWLP_MSGRESULT.
    case WM_INITDIALOG:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORMSGBOX:
    case WM_QUERYDRAGICON:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
      return static_cast<INT_PTR>(r);
    default:
      ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, r);
      return TRUE;
  }
}

}  // namespace vsk
