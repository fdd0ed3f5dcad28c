#include "app/TrayIcon.h"

#include "framework/Menu.h"
#include "res/resource.h"

namespace vsk {

CTrayIcon::~CTrayIcon() {
  if (m_shown) ::Shell_NotifyIconW(NIM_DELETE, &m_data);
}

void CTrayIcon::Add(HWND owner, HICON icon) {
  m_data = {};
  // The first version of the record, as every shell knows it.
  m_data.cbSize = NOTIFYICONDATAW_V1_SIZE;
  m_data.hWnd = owner;
  m_data.uID = 0;
  m_data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  m_data.uCallbackMessage = kTrayMessage;
  m_data.hIcon = icon;
  lstrcpynW(m_data.szTip, L"Vireskand", 64);
  m_shown = ::Shell_NotifyIconW(NIM_ADD, &m_data) != FALSE;
}

void CTrayIcon::Remove(HWND owner) {
  m_data.cbSize = NOTIFYICONDATAW_V1_SIZE;
  m_data.hWnd = owner;
  m_data.uID = 0;
  ::Shell_NotifyIconW(NIM_DELETE, &m_data);
  m_shown = false;
}

void CTrayIcon::ShowMenu(HWND owner) { TrackPopupMenuAtCursor(owner, IDR_TRAY_MENU, true); }

}  // namespace vsk
