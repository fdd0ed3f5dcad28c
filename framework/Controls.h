// Thin wrappers of the standard and common controls the program uses.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "framework/Wnd.h"

namespace vsk {

class CButton : public CWnd {
 public:
  UINT GetButtonStyle() const { return static_cast<UINT>(GetStyle() & 0xFF); }
  void SetButtonStyle(UINT style, BOOL redraw = TRUE) {
    SendMessage(BM_SETSTYLE, style, redraw);
  }
  int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
  void SetCheck(int check) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }
};

class CProgressCtrl : public CWnd {
 public:
  void SetRange32(int lower, int upper) { SendMessage(PBM_SETRANGE32, lower, upper); }
  int SetPos(int pos) { return static_cast<int>(SendMessage(PBM_SETPOS, static_cast<WPARAM>(pos))); }
  int GetPos() const { return static_cast<int>(SendMessage(PBM_GETPOS)); }
};

// Owns its list unless it was attached to a shared one (the system's).
class CImageList {
 public:
  CImageList() = default;
  CImageList(const CImageList&) = delete;
  CImageList& operator=(const CImageList&) = delete;
  ~CImageList() { DeleteImageList(); }
  HIMAGELIST m_hImageList = nullptr;
  operator HIMAGELIST() const { return m_hImageList; }
  // From a bitmap resource of frames `cx` wide; `mask` marks transparency.
  BOOL Create(UINT bitmapId, int cx, int grow, COLORREF mask);
  void AttachShared(HIMAGELIST list) {
    DeleteImageList();
    m_hImageList = list;
    m_shared = true;
  }
  void DeleteImageList();
  int GetImageCount() const { return ImageList_GetImageCount(m_hImageList); }
  HICON ExtractIcon(int index) const { return ImageList_GetIcon(m_hImageList, index, ILD_NORMAL); }

 private:
  bool m_shared = false;
};

class CListCtrl : public CWnd {
 public:
  DWORD SetExtendedStyle(DWORD style) {
    return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style));
  }
  DWORD GetExtendedStyle() const {
    return static_cast<DWORD>(SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE));
  }
  int InsertColumn(int index, const std::wstring& heading, int format, int width);
  std::wstring GetColumnText(int index) const;
  int GetColumnWidth(int index) const {
    return static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(index)));
  }
  int InsertItem(int index, const std::wstring& text, int image);
  BOOL SetItemText(int item, int subItem, const std::wstring& text);
  std::wstring GetItemText(int item, int subItem) const;
  int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
  BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS)); }
  BOOL SetBkColor(COLORREF c) { return static_cast<BOOL>(SendMessage(LVM_SETBKCOLOR, 0, static_cast<LPARAM>(c))); }
  BOOL SetTextBkColor(COLORREF c) {
    return static_cast<BOOL>(SendMessage(LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(c)));
  }
  BOOL SetTextColor(COLORREF c) {
    return static_cast<BOOL>(SendMessage(LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(c)));
  }
  HIMAGELIST SetImageList(HIMAGELIST list, int kind) {
    return reinterpret_cast<HIMAGELIST>(
        SendMessage(LVM_SETIMAGELIST, static_cast<WPARAM>(kind), reinterpret_cast<LPARAM>(list)));
  }
};

class CToolTipCtrl : public CWnd {
 public:
  ~CToolTipCtrl() override;
  BOOL Create(CWnd* parent);
  void Activate(BOOL on) { SendMessage(TTM_ACTIVATE, on); }
  // A tool for the child `tool`; its text a string resource (0: none).
  BOOL AddTool(HWND tool, UINT textId);
  int GetToolCount() const { return static_cast<int>(SendMessage(TTM_GETTOOLCOUNT)); }
  void RelayEvent(MSG* msg) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg)); }
};

class CAnimateCtrl : public CWnd {
 public:
  BOOL Open(UINT aviId) {
    return static_cast<BOOL>(SendMessage(ACM_OPENW, reinterpret_cast<WPARAM>(::GetModuleHandleW(nullptr)),
                                         reinterpret_cast<LPARAM>(MAKEINTRESOURCEW(aviId))));
  }
  BOOL Play(UINT from, UINT to, UINT repeat) {
    return static_cast<BOOL>(SendMessage(ACM_PLAY, repeat, MAKELONG(from, to)));
  }
  BOOL Stop() { return static_cast<BOOL>(SendMessage(ACM_STOP)); }
  BOOL Close() { return static_cast<BOOL>(SendMessage(ACM_OPENW)); }
};

}  // namespace vsk
