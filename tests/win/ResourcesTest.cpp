// Loads every resource of the program the way its users do, under Wine:
// icons at their sizes, bitmaps, waves by the "wave" type, clips in an
// animation control, menus, accelerators, strings, and every dialog
// template created for real.
#include <windows.h>
#include <commctrl.h>
#include <ocidl.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

#include "res/resource.h"

namespace {

HINSTANCE Self() { return GetModuleHandleW(nullptr); }

void InitControls() {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_ANIMATE_CLASS};
  ASSERT_TRUE(InitCommonControlsEx(&icc));
}

SIZE IconSize(HICON icon) {
  ICONINFO info{};
  SIZE size{0, 0};
  if (!GetIconInfo(icon, &info)) return size;
  BITMAP bm{};
  GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bm), &bm);
  size = {bm.bmWidth, info.hbmColor ? bm.bmHeight : bm.bmHeight / 2};
  if (info.hbmColor) DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return size;
}

// Version 6 lives side by side (Wine reports 5 from its DllGetVersion), so
// the binding shows in where the loaded library comes from.
TEST(Manifest, BindsCommonControlsSix) {
  HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
  ASSERT_NE(comctl, nullptr);
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(comctl, path, MAX_PATH);
  std::wstring lower(path);
  for (auto& c : lower) c = towlower(c);
  EXPECT_NE(lower.find(L"microsoft.windows.common-controls"), std::wstring::npos) << lower.size();
}

TEST(Icons, LoadAtTheResourceSizeAndAtEachSizeTheyHold) {
  struct Group {
    int size;
    std::vector<int> ids;
  };
  const Group groups[] = {
      {64, {IDI_SCAN, IDI_SCAN_HOT, IDI_SETTINGS, IDI_SETTINGS_HOT, IDI_HELP, IDI_HELP_HOT, IDI_ABOUT,
            IDI_ABOUT_HOT, IDI_STOP, IDI_STOP_HOT, IDI_SETTINGS_DISABLED, IDI_EXIT, IDI_EXIT_HOT,
            IDI_DATABASE, IDI_DATABASE_HOT, IDI_DATABASE_DISABLED}},
      {32, {IDI_EXIT_SMALL, IDI_EXIT_SMALL_HOT, IDI_MINIMIZE, IDI_MINIMIZE_HOT}},
      {48, {IDI_CANCEL, IDI_CANCEL_HOT, IDI_OK, IDI_OK_HOT, IDI_ADD_RECORD, IDI_ADD_RECORD_HOT}},
  };
  for (const auto& g : groups) {
    for (int id : g.ids) {
      // What the image button does: desired size 0 x 0, the resource's own.
      auto icon = static_cast<HICON>(LoadImageW(Self(), MAKEINTRESOURCEW(id), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
      ASSERT_NE(icon, nullptr) << id;
      SIZE s = IconSize(icon);
      EXPECT_EQ(s.cx, g.size) << id;
      EXPECT_EQ(s.cy, g.size) << id;
      DestroyIcon(icon);
    }
  }
  for (int size : {16, 32, 48, 64}) {
    auto icon = static_cast<HICON>(
        LoadImageW(Self(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    ASSERT_NE(icon, nullptr) << size;
    EXPECT_EQ(IconSize(icon).cx, size);
    DestroyIcon(icon);
  }
  EXPECT_NE(LoadIconW(Self(), MAKEINTRESOURCEW(IDR_MAINFRAME)), nullptr);
}

TEST(Bitmaps, LoadWithTheirSizes) {
  struct Want {
    int id, w, h;
  };
  for (const Want& w : {Want{IDB_BACKGROUND, 600, 350}, Want{IDB_ICON_FRAMES, 64, 16},
                        Want{IDB_SPLASH, 401, 143}, Want{IDB_ABOUT, 400, 140}, Want{IDB_HEADER, 600, 53}}) {
    auto bmp = static_cast<HBITMAP>(
        LoadImageW(Self(), MAKEINTRESOURCEW(w.id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(bmp, nullptr) << w.id;
    BITMAP bm{};
    GetObjectW(bmp, sizeof(bm), &bm);
    EXPECT_EQ(bm.bmWidth, w.w) << w.id;
    EXPECT_EQ(bm.bmHeight, w.h) << w.id;
    DeleteObject(bmp);
  }
}

TEST(Bitmaps, IconFramesMakeAnImageListWithBlackTransparent) {
  HIMAGELIST list = ImageList_LoadImageW(Self(), MAKEINTRESOURCEW(IDB_ICON_FRAMES), 16, 0, RGB(0, 0, 0),
                                         IMAGE_BITMAP, LR_CREATEDIBSECTION);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(list), 4);
  for (int i = 0; i < 4; ++i) {
    HICON icon = ImageList_GetIcon(list, i, ILD_TRANSPARENT);
    EXPECT_NE(icon, nullptr);
    DestroyIcon(icon);
  }
  ImageList_Destroy(list);
}

TEST(Bitmaps, AboutPictureLoadsThroughOleLoadPicture) {
  HRSRC res = FindResourceW(Self(), MAKEINTRESOURCEW(IDB_ABOUT), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  ASSERT_NE(res, nullptr);
  DWORD size = SizeofResource(Self(), res);
  const void* data = LockResource(LoadResource(Self(), res));
  ASSERT_NE(data, nullptr);
  HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
  std::memcpy(GlobalLock(copy), data, size);
  GlobalUnlock(copy);
  IStream* stream = nullptr;
  ASSERT_EQ(CreateStreamOnHGlobal(copy, TRUE, &stream), S_OK);
  IPicture* picture = nullptr;
  HRESULT hr = OleLoadPicture(stream, LONG(size), FALSE, IID_IPicture, reinterpret_cast<void**>(&picture));
  stream->Release();
  ASSERT_EQ(hr, S_OK);
  OLE_XSIZE_HIMETRIC w = 0;
  OLE_YSIZE_HIMETRIC h = 0;
  picture->get_Width(&w);
  picture->get_Height(&h);
  picture->Release();
  EXPECT_GT(w, 0);
  EXPECT_GT(h, 0);
}

TEST(Waves, FoundByTheWaveTypeAsRiffWaves) {
  for (int id : {IDR_WAVE_CLICK, IDR_WAVE_VIRUS_FOUND, IDR_WAVE_CURED, IDR_WAVE_DELETED, IDR_WAVE_FAILED,
                 IDR_WAVE_SCAN_ENDED, IDR_WAVE_MOVED, IDR_WAVE_RENAMED, IDR_WAVE_OPENED, IDR_WAVE_CLOSING}) {
    HRSRC res = FindResourceW(Self(), MAKEINTRESOURCEW(id), L"wave");
    ASSERT_NE(res, nullptr) << id;
    auto bytes = static_cast<const char*>(LockResource(LoadResource(Self(), res)));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::string(bytes, 4), "RIFF") << id;
    EXPECT_EQ(std::string(bytes + 8, 4), "WAVE") << id;
  }
  EXPECT_EQ(FindResourceW(Self(), MAKEINTRESOURCEW(131), L"wave"), nullptr);
}

TEST(Clips, OpenInAnAnimationControlAtTheirFrameSize) {
  InitControls();
  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, Self(), nullptr);
  ASSERT_NE(parent, nullptr);
  struct Want {
    int id, w, h, frames;
  };
  for (const Want& w : {Want{IDR_AVI_CLEAN, 80, 48, 5}, Want{IDR_AVI_HELP_OK, 100, 22, 24},
                        Want{IDR_AVI_INFECTED, 80, 48, 3}}) {
    HWND anim = CreateWindowExW(0, ANIMATE_CLASSW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent, nullptr,
                                Self(), nullptr);
    ASSERT_NE(anim, nullptr);
    EXPECT_TRUE(SendMessageW(anim, ACM_OPENW, WPARAM(Self()), LPARAM(MAKEINTRESOURCEW(w.id)))) << w.id;
    RECT r{};
    GetWindowRect(anim, &r);
    EXPECT_EQ(r.right - r.left, w.w) << w.id;
    EXPECT_EQ(r.bottom - r.top, w.h) << w.id;
    // Frames beyond the last are refused here (Wine); 0xFFFF means "to the end".
    EXPECT_TRUE(SendMessageW(anim, ACM_PLAY, 1, MAKELPARAM(0, 0xFFFF))) << w.id;
    EXPECT_TRUE(SendMessageW(anim, ACM_PLAY, 1, MAKELPARAM(0, w.frames - 1))) << w.id;
    DestroyWindow(anim);
  }
  DestroyWindow(parent);
}

std::wstring MenuText(HMENU menu, UINT pos) {
  wchar_t text[128] = {};
  GetMenuStringW(menu, pos, text, 128, MF_BYPOSITION);
  return text;
}

TEST(Menus, ResultsMenuOffersTheSixActions) {
  HMENU menu = LoadMenuW(Self(), MAKEINTRESOURCEW(IDR_RESULTS_MENU));
  ASSERT_NE(menu, nullptr);
  HMENU popup = GetSubMenu(menu, 0);
  ASSERT_NE(popup, nullptr);
  ASSERT_EQ(GetMenuItemCount(popup), 4);
  HMENU cure = GetSubMenu(popup, 0);
  ASSERT_NE(cure, nullptr);
  EXPECT_EQ(MenuText(popup, 0), L"Вылечить");
  EXPECT_EQ(GetMenuItemID(cure, 0), UINT(ID_CURE_OR_DELETE));
  EXPECT_EQ(MenuText(cure, 0), L"Удалить неизлечимые");
  EXPECT_EQ(GetMenuItemID(cure, 1), UINT(ID_CURE_OR_RENAME));
  EXPECT_EQ(GetMenuItemID(cure, 2), UINT(ID_CURE_OR_MOVE));
  EXPECT_EQ(GetMenuItemID(popup, 1), UINT(ID_DELETE_INFECTED));
  EXPECT_EQ(GetMenuItemID(popup, 2), UINT(ID_RENAME_INFECTED));
  EXPECT_EQ(GetMenuItemID(popup, 3), UINT(ID_MOVE_TO_QUARANTINE));
  EXPECT_EQ(MenuText(popup, 3), L"Переместить");
  DestroyMenu(menu);
}

TEST(Menus, TrayMenuRestoresByDefault) {
  HMENU menu = LoadMenuW(Self(), MAKEINTRESOURCEW(IDR_TRAY_MENU));
  ASSERT_NE(menu, nullptr);
  HMENU popup = GetSubMenu(menu, 0);
  ASSERT_NE(popup, nullptr);
  ASSERT_EQ(GetMenuItemCount(popup), 3);
  EXPECT_EQ(GetMenuDefaultItem(popup, FALSE, 0), UINT(ID_TRAY_RESTORE));
  EXPECT_EQ(MenuText(popup, 0), L"Восстановить");
  EXPECT_EQ(GetMenuItemID(popup, 1), UINT(IDC_ABOUT));
  EXPECT_EQ(MenuText(popup, 1), L"О программе...");
  EXPECT_EQ(GetMenuItemID(popup, 2), UINT(IDC_EXIT));
  DestroyMenu(menu);
}

TEST(Accelerators, AltMMinimizes) {
  HACCEL table = LoadAcceleratorsW(Self(), MAKEINTRESOURCEW(IDR_MAIN_ACCEL));
  ASSERT_NE(table, nullptr);
  ACCEL entries[4] = {};
  ASSERT_EQ(CopyAcceleratorTableW(table, entries, 4), 1);
  EXPECT_EQ(entries[0].fVirt & (FALT | FVIRTKEY | FCONTROL | FSHIFT), FALT | FVIRTKEY);
  EXPECT_EQ(entries[0].key, 'M');
  EXPECT_EQ(entries[0].cmd, IDC_MINIMIZE);
  DestroyAcceleratorTable(table);
}

TEST(Strings, TooltipsKeyedByControlId) {
  const std::pair<int, const wchar_t*> want[] = {
      {IDC_SCAN, L"Начать/Завершить проверку"}, {IDC_SETTINGS, L"Настройки"},
      {IDC_DATABASE, L"База данных вирусов."},   {IDC_HELP_BUTTON, L"Помощь"},
      {IDC_ABOUT, L"О программе..."},           {IDC_EXIT, L"Выход"},
      {IDC_EXIT_SMALL, L"Выход"},               {IDC_MINIMIZE, L"Свернуть"},
  };
  for (const auto& [id, text] : want) {
    wchar_t buf[128] = {};
    EXPECT_GT(LoadStringW(Self(), id, buf, 128), 0) << id;
    EXPECT_STREQ(buf, text) << id;
  }
  wchar_t buf[16] = {};
  for (int id : {IDC_RESULTS, IDC_PROGRESS, IDC_STATUS}) EXPECT_EQ(LoadStringW(Self(), id, buf, 16), 0) << id;
}

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
                 IDD_DATABASE_DIALOG, IDD_SPLASH_DIALOG}) {
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
  EXPECT_TRUE(d.Style(IDC_RESULTS) & LVS_EDITLABELS);
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
