// Every dialog template of the program created for real under Wine, and
// the pictures its controls lie on.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/win/ResourceTestUtil.h"

namespace {

using vsk::test::InitControls;
using vsk::test::Self;

INT_PTR CALLBACK QuietProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

// A dialog created from its template, destroyed at scope end.
class Dialog {
 public:
  explicit Dialog(int id) {
    InitControls();
    hwnd_ = CreateDialogParamW(Self(), MAKEINTRESOURCEW(id), nullptr, QuietProc, 0);
  }
  ~Dialog() {
    if (hwnd_) DestroyWindow(hwnd_);
  }
  HWND hwnd() const { return hwnd_; }
  // A rectangle in dialog units, in pixels of this dialog.
  RECT Units(int x, int y, int w, int h) const {
    RECT r{x, y, x + w, y + h};
    MapDialogRect(hwnd_, &r);
    return r;
  }
  RECT ClientRectOf(int id) const {
    RECT r{};
    HWND c = GetDlgItem(hwnd_, id);
    GetWindowRect(c, &r);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  std::wstring Text(int id) const {
    wchar_t buf[256] = {};
    GetDlgItemTextW(hwnd_, id, buf, 256);
    return buf;
  }
  std::wstring Class(int id) const {
    wchar_t buf[64] = {};
    GetClassNameW(GetDlgItem(hwnd_, id), buf, 64);
    return buf;
  }
  LONG_PTR Style(int id) const { return GetWindowLongPtrW(GetDlgItem(hwnd_, id), GWL_STYLE); }

 private:
  HWND hwnd_ = nullptr;
};

std::wstring WindowText(HWND h) {
  wchar_t buf[256] = {};
  GetWindowTextW(h, buf, 256);
  return buf;
}

TEST(Dialogs, EveryTemplateCreates) {
  for (int id : {IDD_MAIN_DIALOG, IDD_ABOUTBOX, IDD_HELP_DIALOG, IDD_SETTINGS_DIALOG, IDD_SUMMARY_DIALOG,
                 IDD_DATABASE_DIALOG, IDD_SPLASH_DIALOG, IDD_QUARANTINE_DIALOG}) {
    Dialog d(id);
    EXPECT_NE(d.hwnd(), nullptr) << id << " error " << GetLastError();
  }
}

TEST(Dialogs, MainWindowHasItsControlsAndPictures) {
  Dialog d(IDD_MAIN_DIALOG);
  ASSERT_NE(d.hwnd(), nullptr);
  EXPECT_EQ(WindowText(d.hwnd()), L"Vireskand");
  LONG_PTR style = GetWindowLongPtrW(d.hwnd(), GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(GetWindowLongPtrW(d.hwnd(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
  RECT window{};
  GetWindowRect(d.hwnd(), &window);
  EXPECT_GE(window.right - window.left, 604);  // the shaped outline fits inside
  EXPECT_GE(window.bottom - window.top, 443);
  EXPECT_EQ(d.Class(IDC_RESULTS), L"SysListView32");
  EXPECT_EQ(d.Style(IDC_RESULTS) & LVS_TYPEMASK, LVS_REPORT);
  EXPECT_FALSE(d.Style(IDC_RESULTS) & LVS_EDITLABELS) << "rows are renamed by the menu only";
  EXPECT_EQ(d.Class(IDC_PROGRESS), L"msctls_progress32");
  EXPECT_EQ(d.Text(IDC_SCAN), L"Проверить");
  EXPECT_EQ(d.Text(IDC_DATABASE), L"Вирусная база");
  EXPECT_EQ(d.Text(IDC_ABOUT), L"О программе");
  EXPECT_EQ(d.Text(IDC_STATUS), L"");
  for (int id : {IDC_SCAN, IDC_SETTINGS, IDC_DATABASE, IDC_HELP_BUTTON, IDC_ABOUT, IDC_EXIT, IDC_EXIT_SMALL,
                 IDC_MINIMIZE})
    EXPECT_EQ(d.Class(id), L"Button") << id;
  RECT want = d.Units(50, 54, 44, 45), got = d.ClientRectOf(IDC_SCAN);
  EXPECT_EQ(got.left, want.left);
  EXPECT_EQ(got.bottom, want.bottom);
  // The two pictures: statics holding bitmaps at their real size.
  int pictures = 0;
  for (HWND c = GetWindow(d.hwnd(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (GetDlgCtrlID(c) != IDC_STATIC) continue;
    auto bmp = reinterpret_cast<HBITMAP>(SendMessageW(c, STM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_NE(bmp, nullptr);
    BITMAP bm{};
    GetObjectW(bmp, sizeof(bm), &bm);
    EXPECT_EQ(bm.bmWidth, 600);
    EXPECT_TRUE(bm.bmHeight == 350 || bm.bmHeight == 53) << bm.bmHeight;
    ++pictures;
  }
  EXPECT_EQ(pictures, 2);
}

// Pixels of a bitmap resource, top row first, as 0x00RRGGBB.
struct Pixels {
  int w = 0, h = 0;
  std::vector<DWORD> bits;
  COLORREF At(int x, int y) const {
    DWORD p = bits[size_t(y) * w + x];
    return RGB(p >> 16 & 255, p >> 8 & 255, p & 255);
  }
};

Pixels Load(int id) {
  Pixels px;
  auto bmp = static_cast<HBITMAP>(LoadImageW(Self(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  BITMAP bm{};
  GetObjectW(bmp, sizeof(bm), &bm);
  px.w = bm.bmWidth;
  px.h = bm.bmHeight;
  px.bits.resize(size_t(px.w) * px.h);
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), px.w, -px.h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  HDC dc = GetDC(nullptr);
  GetDIBits(dc, bmp, 0, px.h, px.bits.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  DeleteObject(bmp);
  return px;
}

// Counts the pixels of r (in picture coordinates) that are not colour c.
int Others(const Pixels& px, RECT r, COLORREF c) {
  int n = 0;
  for (int y = std::max(0L, r.top); y < std::min<LONG>(px.h, r.bottom); ++y)
    for (int x = std::max(0L, r.left); x < std::min<LONG>(px.w, r.right); ++x) n += px.At(x, y) != c;
  return n;
}

TEST(Artwork, PanelsOfThePicturesLieUnderTheirControls) {
  const COLORREF skin = RGB(42, 255, 202), face = RGB(0, 255, 0);
  {
    Dialog d(IDD_SPLASH_DIALOG);
    ASSERT_NE(d.hwnd(), nullptr);
    Pixels splash = Load(IDB_SPLASH);
    RECT text = d.Units(88, 79, 95, 8);
    EXPECT_EQ(Others(splash, text, skin), 0) << "the wait text stands on the skin band";
  }
  Dialog d(IDD_MAIN_DIALOG);
  ASSERT_NE(d.hwnd(), nullptr);
  Pixels body = Load(IDB_BACKGROUND);
  POINT origin{d.Units(0, 30, 0, 0).left, d.Units(0, 30, 0, 0).top};
  auto onPicture = [&](int id) {
    RECT r = d.ClientRectOf(id);
    OffsetRect(&r, -origin.x, -origin.y);
    return r;
  };
  for (int id : {IDC_SCAN, IDC_SETTINGS, IDC_DATABASE, IDC_HELP_BUTTON, IDC_ABOUT, IDC_EXIT, IDC_EXIT_SMALL,
                 IDC_MINIMIZE})
    EXPECT_EQ(Others(body, onPicture(id), face), 0) << "button " << id << " sits on its green panel";
  RECT status = onPicture(IDC_STATUS);
  status.right = std::min<LONG>(status.right, body.w);
  EXPECT_EQ(Others(body, status, skin), 0) << "the status line sits on the skin band";
}

TEST(Dialogs, SplashIsABorderlessPictureWithItsText) {
  Dialog d(IDD_SPLASH_DIALOG);
  ASSERT_NE(d.hwnd(), nullptr);
  LONG_PTR style = GetWindowLongPtrW(d.hwnd(), GWL_STYLE);
  EXPECT_FALSE(style & WS_CAPTION);
  EXPECT_FALSE(style & WS_BORDER);
  RECT client{}, units = d.Units(0, 0, 267, 88);
  GetClientRect(d.hwnd(), &client);
  EXPECT_EQ(client.right, units.right);
  EXPECT_EQ(client.bottom, units.bottom);
  bool text = false, picture = false;
  for (HWND c = GetWindow(d.hwnd(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (WindowText(c) == L"Подождите идёт загрузка...") text = true;
    if (SendMessageW(c, STM_GETIMAGE, IMAGE_BITMAP, 0)) picture = true;
  }
  EXPECT_TRUE(text);
  EXPECT_TRUE(picture);
}

TEST(Dialogs, SettingsHoldTheOptionControls) {
  Dialog d(IDD_SETTINGS_DIALOG);
  ASSERT_NE(d.hwnd(), nullptr);
  EXPECT_EQ(WindowText(d.hwnd()), L"Настройки");
  EXPECT_EQ(d.Text(IDC_PRIORITY_LOWEST), L"Очень низкий");
  EXPECT_EQ(d.Text(IDC_PRIORITY_HIGHEST), L"Очень высокий");
  EXPECT_EQ(d.Text(IDC_SOUND), L"Звуковые эфекты");
  EXPECT_EQ(d.Text(IDC_SUB_DIR), L"Проверять подкатологи");
  EXPECT_EQ(d.Text(IDC_REPORT_OVERWRITE), L"Перезаписовать");
  EXPECT_EQ(d.Class(IDC_REPORT_FILE_NAME), L"Edit");
  EXPECT_EQ(d.Class(IDC_FILE_MASK), L"Edit");
  // Radio groups: each starts a group, and the control after it starts
  // another, which is where a radio walk stops.
  for (int id : {IDC_PRIORITY_LOWEST, IDC_REPORT_OVERWRITE}) EXPECT_TRUE(d.Style(id) & WS_GROUP) << id;
  for (int id : {IDC_PRIORITY_LOW, IDC_PRIORITY_HIGHEST, IDC_REPORT_APPEND}) EXPECT_FALSE(d.Style(id) & WS_GROUP) << id;
  for (int first : {IDC_PRIORITY_LOWEST, IDC_REPORT_OVERWRITE}) {
    HWND h = GetDlgItem(d.hwnd(), first);
    int radios = 0;
    do {
      ++radios;
      h = GetWindow(h, GW_HWNDNEXT);
    } while (h && !(GetWindowLongPtrW(h, GWL_STYLE) & WS_GROUP));
    EXPECT_EQ(radios, first == IDC_PRIORITY_LOWEST ? 5 : 2);
  }
  EXPECT_NE(GetDlgItem(d.hwnd(), IDOK), nullptr);
  EXPECT_NE(GetDlgItem(d.hwnd(), IDCANCEL), nullptr);
}

TEST(Dialogs, SummaryHelpDatabaseAndAbout) {
  {
    Dialog d(IDD_SUMMARY_DIALOG);
    ASSERT_NE(d.hwnd(), nullptr);
    EXPECT_EQ(WindowText(d.hwnd()), L"Отчёт о проверке.");
    EXPECT_EQ(d.Class(IDC_ANIMATION), L"SysAnimate32");
    EXPECT_TRUE(d.Style(IDC_ANIMATION) & ACS_TRANSPARENT);
    EXPECT_TRUE(d.Style(IDC_FILES_CHECKED) & SS_RIGHT);
    EXPECT_TRUE(SendDlgItemMessageW(d.hwnd(), IDC_ANIMATION, ACM_OPENW, WPARAM(Self()),
                                    LPARAM(MAKEINTRESOURCEW(IDR_AVI_INFECTED))));
  }
  {
    Dialog d(IDD_HELP_DIALOG);
    ASSERT_NE(d.hwnd(), nullptr);
    EXPECT_EQ(WindowText(d.hwnd()), L"Помощь");
    EXPECT_EQ(d.Style(IDOK) & BS_TYPEMASK, BS_OWNERDRAW);
  }
  {
    Dialog d(IDD_DATABASE_DIALOG);
    ASSERT_NE(d.hwnd(), nullptr);
    EXPECT_EQ(WindowText(d.hwnd()), L"Вирусная база данных.");
    EXPECT_EQ(d.Text(IDC_RECORD_COUNT), L"0");
    EXPECT_TRUE(d.Style(IDC_SIGNATURE) & ES_MULTILINE);
    EXPECT_EQ(d.Text(IDC_ADD_RECORD), L"Добавить в базу");
    EXPECT_EQ(d.Style(IDC_ADD_RECORD) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_EQ(d.Text(IDC_EXIT), L"Выход");
  }
  {
    Dialog d(IDD_ABOUTBOX);
    ASSERT_NE(d.hwnd(), nullptr);
    RECT client{};
    GetClientRect(d.hwnd(), &client);
    EXPECT_GE(client.right, 400);  // the 400 x 140 picture sits in its top-left corner
    RECT ok = d.ClientRectOf(IDOK);
    EXPECT_GE(ok.top, 140);
    EXPECT_EQ(d.Style(IDOK) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  }
}

}  // namespace
