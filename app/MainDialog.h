// The main window: a modal dialog with a cut outline, eight image buttons,
// the results list, a progress bar and a status line.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>

#include "Controls.h"
#include "Dialog.h"
#include "ImageButton.h"

namespace vsk {

inline constexpr wchar_t kIdleStatus[] = L"Для начала проверки нажмите кнопку \"Проверить\"";
inline constexpr wchar_t kFinishScanFirst[] =
    L"Сначала завершите проверку.\nЭто можно сделать нажав на кнопку \"Остановить\"";
inline constexpr wchar_t kShapeText[] = L"V i r e s k a n d";
inline constexpr wchar_t kShapeFace[] = L"Vampire95";
inline constexpr UINT kTrayMessage = 0x40A;
inline constexpr UINT_PTR kIconTimer = 1;

class CMainDialog : public CDialog {
 public:
  explicit CMainDialog(CWnd* parent = nullptr);
  ~CMainDialog() override;

  BOOL PreTranslateMessage(MSG* msg) override;

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  // Enter never closes the window.
  void OnOK() override {}

  const MessageMap* GetMessageMap() const override;
  void OnPaint() override;
  void OnTimer(UINT_PTR id) override;
  void OnLButtonDown(UINT flags, CPoint point) override;

  LRESULT OnQueryDragIcon(WPARAM, LPARAM);
  LRESULT OnTrayNotify(WPARAM, LPARAM);
  void OnMinimize();
  void OnSettings();
  void OnHelp();
  void OnAbout();
  void OnDatabase();
  void OnExit();
  void OnRestoreFromTray();

 private:
  void CutWindowShape();
  void SetUpButtons();
  void SetUpResultsList();
  void AddTrayIcon();
  void RemoveTrayIcon();
  void CoverCaption();
  static LRESULT CALLBACK FrameProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

  CProgressCtrl m_progress;
  CImageButton m_scanButton;
  CImageButton m_settingsButton;
  CImageButton m_databaseButton;
  CImageButton m_helpButton;
  CImageButton m_aboutButton;
  CImageButton m_exitButton;
  CImageButton m_exitSmallButton;
  CImageButton m_minimizeButton;
  CListCtrl m_results;
  CImageList m_iconFrames;
  int m_frame = -1;
  int m_frameCount = 0;
  HICON m_currentIcon = nullptr;
  HACCEL m_accelerators = nullptr;
  CToolTipCtrl m_toolTips;
  void* m_scanThread = nullptr;
  CImageList m_systemIcons;
  HICON m_bigIcon = nullptr;
  NOTIFYICONDATAW m_trayIcon{};
  int32_t m_fileIconIndex = 0;
};

}  // namespace vsk
