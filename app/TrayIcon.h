// The main window's icon in the notification area: shown while the window
// hides there, with a small menu of its own.
#pragma once

#include <windows.h>
#include <shellapi.h>

namespace vsk {

inline constexpr UINT kTrayMessage = 0x40A;

class CTrayIcon {
 public:
  CTrayIcon() = default;
  CTrayIcon(const CTrayIcon&) = delete;
  CTrayIcon& operator=(const CTrayIcon&) = delete;
  // An icon still shown goes with its object.
  ~CTrayIcon();

  // Icon 0 of `owner`, whose mouse messages come back as kTrayMessage.
  void Add(HWND owner, HICON icon);
  // Removes icon 0 of `owner`, also one this object did not add.
  void Remove(HWND owner);
  // Menu 145 at the pointer, its first item the default; the chosen command
  // reaches `owner` as WM_COMMAND.
  static void ShowMenu(HWND owner);

 private:
  NOTIFYICONDATAW m_data{};
  bool m_shown = false;
};

}  // namespace vsk
