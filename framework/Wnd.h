// CWnd: one HWND and one-line forwards, message cracking to virtuals, and a
// per-class map of command and notification handlers chained to the base.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "framework/Geometry.h"

namespace vsk {

class CWnd;

inline RECT ToRECT(const CRect& r) { return {r.left, r.top, r.right, r.bottom}; }
inline CRect FromRECT(const RECT& r) {
  return {static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right),
          static_cast<int>(r.bottom)};
}
inline CPoint PointFromLParam(LPARAM lp) {
  return {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
}

// One entry of a message map. Handlers are members of classes derived from
// CWnd, stored as CWnd members (the cast back is done by the call).
struct MapEntry {
  enum Kind { Command, CommandId, Control, Notify, Message };
  Kind kind;
  UINT message;  // WM_COMMAND, WM_NOTIFY or the message itself
  UINT code;     // notification code (Control, Notify)
  UINT firstId, lastId;
  union {
    void (CWnd::*command)();
    void (CWnd::*commandId)(UINT);
    void (CWnd::*notify)(NMHDR*, LRESULT*);
    LRESULT (CWnd::*handler)(WPARAM, LPARAM);
  };
};

struct MessageMap {
  const MessageMap* base;
  const MapEntry* entries;
  size_t count;
};

// A click, a menu command or an accelerator of control or command `id`.
template <class T>
MapEntry OnCommandEntry(UINT id, void (T::*f)()) {
  MapEntry e{MapEntry::Command, WM_COMMAND, 0, id, id, {}};
  e.command = static_cast<void (CWnd::*)()>(f);
  return e;
}
template <class T>
MapEntry OnCommandRangeEntry(UINT first, UINT last, void (T::*f)()) {
  MapEntry e = OnCommandEntry(first, f);
  e.lastId = last;
  return e;
}
// The same for a range whose handler is told which command came.
template <class T>
MapEntry OnCommandRangeEntry(UINT first, UINT last, void (T::*f)(UINT)) {
  MapEntry e{MapEntry::CommandId, WM_COMMAND, 0, first, last, {}};
  e.commandId = static_cast<void (CWnd::*)(UINT)>(f);
  return e;
}
// A notification that control `id` sends through WM_COMMAND (EN_UPDATE,
// EN_KILLFOCUS...).
template <class T>
MapEntry OnControlEntry(UINT code, UINT id, void (T::*f)()) {
  MapEntry e{MapEntry::Control, WM_COMMAND, code, id, id, {}};
  e.command = static_cast<void (CWnd::*)()>(f);
  return e;
}
template <class T>
MapEntry OnNotifyEntry(UINT code, UINT id, void (T::*f)(NMHDR*, LRESULT*)) {
  MapEntry e{MapEntry::Notify, WM_NOTIFY, code, id, id, {}};
  e.notify = static_cast<void (CWnd::*)(NMHDR*, LRESULT*)>(f);
  return e;
}
template <class T>
MapEntry OnMessageEntry(UINT message, LRESULT (T::*f)(WPARAM, LPARAM)) {
  MapEntry e{MapEntry::Message, message, 0, 0, 0, {}};
  e.handler = static_cast<LRESULT (CWnd::*)(WPARAM, LPARAM)>(f);
  return e;
}

class CWnd {
 public:
  CWnd() = default;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;
  virtual ~CWnd();

  HWND m_hWnd = nullptr;
  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }

  // The CWnd that owns hWnd (a subclassed control or one of our dialogs).
  static CWnd* FromHandlePermanent(HWND hWnd);

  // Routes hWnd's messages through this object until WM_NCDESTROY.
  bool SubclassWindow(HWND hWnd);
  bool SubclassDlgItem(int id, CWnd* parent);
  HWND UnsubclassWindow();
  // Binds hWnd without routing its messages (a plain wrapper).
  void Attach(HWND hWnd) { m_hWnd = hWnd; }
  HWND Detach();

  // Forwards.
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
  HWND GetParent() const { return ::GetParent(m_hWnd); }
  void SetWindowText(const std::wstring& text) { ::SetWindowTextW(m_hWnd, text.c_str()); }
  std::wstring GetWindowText() const;
  void SetDlgItemText(int id, const std::wstring& text) { ::SetDlgItemTextW(m_hWnd, id, text.c_str()); }
  BOOL ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
  void UpdateWindow() { ::UpdateWindow(m_hWnd); }
  BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
  BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
  void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
  void InvalidateRect(const CRect* rect, BOOL erase = TRUE);
  BOOL RedrawWindow(UINT flags) { return ::RedrawWindow(m_hWnd, nullptr, nullptr, flags); }
  BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
  BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
  void GetClientRect(CRect* rect) const;
  void GetWindowRect(CRect* rect) const;
  LRESULT SendMessage(UINT msg, WPARAM w = 0, LPARAM l = 0) const {
    return ::SendMessageW(m_hWnd, msg, w, l);
  }
  BOOL PostMessage(UINT msg, WPARAM w = 0, LPARAM l = 0) const {
    return ::PostMessageW(m_hWnd, msg, w, l);
  }
  UINT_PTR SetTimer(UINT_PTR id, UINT elapse) { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
  BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
  HWND SetCapture() { return ::SetCapture(m_hWnd); }
  HWND SetFocus() { return ::SetFocus(m_hWnd); }
  DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
  int SetWindowRgn(HRGN rgn, BOOL redraw) { return ::SetWindowRgn(m_hWnd, rgn, redraw); }
  HICON SetIcon(HICON icon, BOOL big) {
    return reinterpret_cast<HICON>(SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL,
                                               reinterpret_cast<LPARAM>(icon)));
  }
  HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
  BOOL DestroyWindow();

  // Called by the modal loop for every message before dispatch; true means
  // the message was handled and is not to be dispatched.
  virtual BOOL PreTranslateMessage(MSG* msg);

 protected:
  virtual const MessageMap* GetMessageMap() const;
  // Called by SubclassWindow before the window's messages reach us.
  virtual void PreSubclassWindow() {}
  virtual LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l);
  // The default handling of the message being processed.
  virtual LRESULT Default();

  // Map dispatch; true when an entry handled it.
  virtual BOOL OnCommand(WPARAM w, LPARAM l);
  virtual BOOL OnNotify(WPARAM w, LPARAM l, LRESULT* result);

  // Cracked messages. The defaults call Default().
  virtual void OnPaint() { Default(); }
  virtual void OnTimer(UINT_PTR) { Default(); }
  virtual void OnMouseMove(UINT, CPoint) { Default(); }
  virtual void OnLButtonDown(UINT, CPoint) { Default(); }
  virtual void OnLButtonUp(UINT, CPoint) { Default(); }
  virtual void OnKeyDown(UINT, UINT, UINT) { Default(); }
  virtual void OnChar(UINT, UINT, UINT) { Default(); }
  virtual void OnSetFocus(HWND) { Default(); }
  virtual void OnKillFocus(HWND) { Default(); }
  virtual void OnCaptureChanged(HWND) { Default(); }
  virtual void OnVScroll(UINT, UINT, HWND) { Default(); }
  virtual void OnDestroy() { Default(); }
  // Owner draw, reflected from the parent to the control that is drawn.
  virtual void DrawItem(DRAWITEMSTRUCT*) {}

  // Called after WM_NCDESTROY, when m_hWnd is already null.
  virtual void PostNcDestroy() {}

  struct CurrentMessage {
    UINT msg;
    WPARAM w;
    LPARAM l;
  };
  CurrentMessage m_current{};
  bool m_subclassed = false;

  LRESULT Dispatch(UINT msg, WPARAM w, LPARAM l);
  static bool DispatchMap(CWnd* wnd, const MapEntry& e, UINT msg, WPARAM w, LPARAM l,
                          LRESULT* result);

 private:
  static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  friend class CDialog;
};

// Every call from user32 into our code goes through this: an exception
// that reaches it is reported once and never unwinds into the system.
void ReportUnhandledException() noexcept;

}  // namespace vsk
