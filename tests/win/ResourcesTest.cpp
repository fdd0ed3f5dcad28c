// Loads every resource of the program the way its users do, under Wine:
// icons at their sizes, bitmaps, waves by the "wave" type, clips in an
// animation control, menus, accelerators and strings.
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
#include "tests/win/ResourceTestUtil.h"

namespace {

using vsk::test::InitControls;
using vsk::test::Self;

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
  ASSERT_EQ(GetMenuItemCount(popup), 9);
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
  ASSERT_EQ(GetMenuItemCount(popup), 4);
  EXPECT_EQ(GetMenuDefaultItem(popup, FALSE, 0), UINT(ID_TRAY_RESTORE));
  EXPECT_EQ(MenuText(popup, 0), L"Восстановить");
  EXPECT_EQ(GetMenuItemID(popup, 1), UINT(ID_QUARANTINE));
  EXPECT_EQ(GetMenuItemID(popup, 2), UINT(IDC_ABOUT));
  EXPECT_EQ(MenuText(popup, 2), L"О программе...");
  EXPECT_EQ(GetMenuItemID(popup, 3), UINT(IDC_EXIT));
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

}  // namespace
