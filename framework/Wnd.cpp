#include "framework/Wnd.h"

#include <commctrl.h>

#include <vector>

#include "framework/Dialog.h"

namespace vsk {
namespace {
// The subclassed window's owner, for FromHandlePermanent (GetWindowSubclass
// is not in every import library of comctl32).
constexpr wchar_t kOwnerProp[] = L"vsk.CWnd";
}  // namespace

void ReportUnhandledException() noexcept {
  ::OutputDebugStringW(L"An exception reached a window procedure\n");
  ::MessageBeep(MB_ICONHAND);
}

CWnd::~CWnd() {
  if (m_hWnd && m_subclassed) UnsubclassWindow();
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
  if (!hWnd) return nullptr;
  if (HANDLE owner = ::GetPropW(hWnd, kOwnerProp)) return static_cast<CWnd*>(owner);
  wchar_t cls[16] = {};
  ::GetClassNameW(hWnd, cls, 16);
  if (wcscmp(cls, L"#32770") == 0 &&
      ::GetWindowLongPtrW(hWnd, DWLP_DLGPROC) == reinterpret_cast<LONG_PTR>(&CDialog::DialogProc))
    return reinterpret_cast<CWnd*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
  return nullptr;
}

bool CWnd::SubclassWindow(HWND hWnd) {
  if (!hWnd || m_hWnd) return false;
  m_hWnd = hWnd;
  PreSubclassWindow();
  if (!::SetWindowSubclass(hWnd, SubclassProc, 0, reinterpret_cast<DWORD_PTR>(this))) {
    m_hWnd = nullptr;
    return false;
  }
  ::SetPropW(hWnd, kOwnerProp, this);
  m_subclassed = true;
  return true;
}

bool CWnd::SubclassDlgItem(int id, CWnd* parent) {
  return SubclassWindow(::GetDlgItem(parent->m_hWnd, id));
}

HWND CWnd::UnsubclassWindow() {
  HWND h = m_hWnd;
  if (h && m_subclassed) {
    ::RemoveWindowSubclass(h, SubclassProc, 0);
    ::RemovePropW(h, kOwnerProp);
  }
  m_subclassed = false;
  m_hWnd = nullptr;
  return h;
}

HWND CWnd::Detach() {
  HWND h = m_hWnd;
  m_hWnd = nullptr;
  return h;
}

std::wstring CWnd::GetWindowText() const {
  const int n = ::GetWindowTextLengthW(m_hWnd);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(m_hWnd, text.data(), n + 1)));
  return text;
}

void CWnd::InvalidateRect(const CRect* rect, BOOL erase) {
  if (rect) {
    const RECT r = ToRECT(*rect);
    ::InvalidateRect(m_hWnd, &r, erase);
  } else {
    ::InvalidateRect(m_hWnd, nullptr, erase);
  }
}

void CWnd::GetClientRect(CRect* rect) const {
  RECT r{};
  ::GetClientRect(m_hWnd, &r);
  *rect = FromRECT(r);
}

void CWnd::GetWindowRect(CRect* rect) const {
  RECT r{};
  ::GetWindowRect(m_hWnd, &r);
  *rect = FromRECT(r);
}

BOOL CWnd::DestroyWindow() {
  if (!m_hWnd) return FALSE;
  HWND h = m_hWnd;
  const BOOL ok = ::DestroyWindow(h);
  // A window we only wrap gets no WM_NCDESTROY through us.
  if (m_hWnd == h && !m_subclassed) m_hWnd = nullptr;
  return ok;
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

const MessageMap* CWnd::GetMessageMap() const {
  static const MessageMap map{nullptr, nullptr, 0};
  return &map;
}

LRESULT CWnd::Default() {
  if (m_subclassed) return ::DefSubclassProc(m_hWnd, m_current.msg, m_current.w, m_current.l);
  return ::DefWindowProcW(m_hWnd, m_current.msg, m_current.w, m_current.l);
}

bool CWnd::DispatchMap(CWnd* wnd, const MapEntry& e, UINT msg, WPARAM w, LPARAM l,
                       LRESULT* result) {
  const bool commandInRange = msg == WM_COMMAND && LOWORD(w) >= e.firstId && LOWORD(w) <= e.lastId;
  switch (e.kind) {
    // Code 0 is a click or a menu command, 1 an accelerator.
    case MapEntry::Command:
    case MapEntry::CommandId:
      if (!commandInRange || HIWORD(w) > 1) return false;
      if (e.kind == MapEntry::Command)
        (wnd->*e.command)();
      else
        (wnd->*e.commandId)(LOWORD(w));
      *result = 0;
      return true;
    case MapEntry::Control:
      if (!commandInRange || HIWORD(w) != e.code) return false;
      (wnd->*e.command)();
      *result = 0;
      return true;
    case MapEntry::Notify: {
      const auto* h = reinterpret_cast<const NMHDR*>(l);
      if (msg == WM_NOTIFY && h->code == e.code && h->idFrom >= e.firstId &&
          h->idFrom <= e.lastId) {
        *result = 0;
        (wnd->*e.notify)(reinterpret_cast<NMHDR*>(l), result);
        return true;
      }
      return false;
    }
    case MapEntry::Message:
      if (msg == e.message) {
        *result = (wnd->*e.handler)(w, l);
        return true;
      }
      return false;
  }
  return false;
}

BOOL CWnd::OnCommand(WPARAM w, LPARAM l) {
  LRESULT r = 0;
  for (const MessageMap* m = GetMessageMap(); m; m = m->base)
    for (size_t i = 0; i < m->count; ++i)
      if (m->entries[i].kind != MapEntry::Notify && m->entries[i].kind != MapEntry::Message &&
          DispatchMap(this, m->entries[i], WM_COMMAND, w, l, &r))
        return TRUE;
  return FALSE;
}

BOOL CWnd::OnNotify(WPARAM w, LPARAM l, LRESULT* result) {
  for (const MessageMap* m = GetMessageMap(); m; m = m->base)
    for (size_t i = 0; i < m->count; ++i)
      if (m->entries[i].kind == MapEntry::Notify &&
          DispatchMap(this, m->entries[i], WM_NOTIFY, w, l, result))
        return TRUE;
  return FALSE;
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM w, LPARAM l) {
  for (const MessageMap* m = GetMessageMap(); m; m = m->base)
    for (size_t i = 0; i < m->count; ++i) {
      LRESULT r = 0;
      if (m->entries[i].kind == MapEntry::Message && DispatchMap(this, m->entries[i], msg, w, l, &r))
        return r;
    }
  switch (msg) {
    case WM_COMMAND:
      if (OnCommand(w, l)) return 0;
      break;
    case WM_NOTIFY: {
      LRESULT r = 0;
      if (OnNotify(w, l, &r)) return r;
      break;
    }
    case WM_DRAWITEM: {
      auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(l);
      if (dis->CtlType != ODT_MENU) {
        if (CWnd* child = FromHandlePermanent(dis->hwndItem)) {
          child->DrawItem(dis);
          return TRUE;
        }
      }
      break;
    }
    case WM_PAINT: OnPaint(); return 0;
    case WM_TIMER: OnTimer(w); return 0;
    case WM_MOUSEMOVE: OnMouseMove(static_cast<UINT>(w), PointFromLParam(l)); return 0;
    case WM_LBUTTONDOWN: OnLButtonDown(static_cast<UINT>(w), PointFromLParam(l)); return 0;
    case WM_LBUTTONUP: OnLButtonUp(static_cast<UINT>(w), PointFromLParam(l)); return 0;
    case WM_KEYDOWN:
      OnKeyDown(static_cast<UINT>(w), LOWORD(l), HIWORD(l));
      return 0;
    case WM_CHAR:
      OnChar(static_cast<UINT>(w), LOWORD(l), HIWORD(l));
      return 0;
    case WM_SETFOCUS: OnSetFocus(reinterpret_cast<HWND>(w)); return 0;
    case WM_KILLFOCUS: OnKillFocus(reinterpret_cast<HWND>(w)); return 0;
    case WM_CAPTURECHANGED: OnCaptureChanged(reinterpret_cast<HWND>(l)); return 0;
    case WM_VSCROLL:
      OnVScroll(LOWORD(w), HIWORD(w), reinterpret_cast<HWND>(l));
      return 0;
    case WM_DESTROY: OnDestroy(); return 0;
    default: break;
  }
  return Default();
}

LRESULT CWnd::Dispatch(UINT msg, WPARAM w, LPARAM l) {
  const CurrentMessage saved = m_current;
  m_current = {msg, w, l};
  LRESULT r = 0;
  try {
    r = WindowProc(msg, w, l);
  } catch (...) {
    ReportUnhandledException();
  }
  m_current = saved;
  return r;
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hWnd, UINT msg, WPARAM w, LPARAM l, UINT_PTR,
                                    DWORD_PTR ref) {
  auto* self = reinterpret_cast<CWnd*>(ref);
  if (msg != WM_NCDESTROY) return self->Dispatch(msg, w, l);
  const LRESULT r = self->Dispatch(msg, w, l);
  ::RemoveWindowSubclass(hWnd, SubclassProc, 0);
  ::RemovePropW(hWnd, kOwnerProp);
  self->m_subclassed = false;
  self->m_hWnd = nullptr;
  try {
    self->PostNcDestroy();
  } catch (...) {
    ReportUnhandledException();
  }
  return r;
}

}  // namespace vsk
