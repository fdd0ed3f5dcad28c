// Vireskand.exe as a user meets it, driven from outside its process: the
// start, the database messages and the main window.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/db/VirusDatabase.h"
#include "res/resource.h"
#include "tests/TestUtil.h"
#include "tests/win/ProgramHarness.h"
#include "tests/win/WinTestUtil.h"

namespace vsk {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::FromBuildPath;
using test::Program;
using test::WaitFor;
using test::kDatabase;
using test::kProgram;

// Read without a message: the splash's thread pumps none while it stands.
using test::WindowText;

std::wstring ClassOf(HWND wnd) {
  wchar_t name[64] = {};
  ::GetClassNameW(wnd, name, 64);
  return name;
}

bool IsSplash(HWND w) {
  RECT r{};
  ::GetWindowRect(w, &r);
  return ClassOf(w) == L"#32770" && WindowText(w).empty() &&
         !(::GetWindowLongPtrW(w, GWL_STYLE) & WS_CAPTION) && r.right - r.left > 300;
}

// The splash for about two seconds and nothing else, then one message box
// with `text`; OK ends the process.
void ExpectSplashThenMessage(const fs::path& folder, const std::wstring& text) {
  Program program(folder);
  const HWND splash = program.Find(IsSplash, 20s);
  ASSERT_NE(splash, nullptr) << "the splash shows first";
  const auto shown = std::chrono::steady_clock::now();
  const HWND box = program.FindMessageBox(20s);
  ASSERT_NE(box, nullptr);
  EXPECT_GE(std::chrono::steady_clock::now() - shown, 1500ms) << "the message waits for the splash";
  EXPECT_EQ(WindowText(::GetDlgItem(box, 0xFFFF)), text);
  EXPECT_EQ(WindowText(box), L"Vireskand");
  EXPECT_EQ(program.VisibleWindows(), std::vector<HWND>{box}) << "the splash is gone, no main window";
  ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(program.Exited(10s));
}

TEST(Program, WithoutTheDatabaseOnlyTheSplashThenTheMissingDatabaseMessage) {
  test::TempDir folder;
  ExpectSplashThenMessage(folder.path(), L"Вирусная база данных не найдена!!!");
}

TEST(Program, ADamagedOrShortHeaderGivesTheStructureMessage) {
  const std::wstring damaged =
      L"Нарушена структура база данных вирусов!!!\nПереустановите приложение или обратитесь к разработчику.";
  test::TempDir folder;
  std::string bytes = test::ReadBytes(kDatabase);
  ASSERT_GT(bytes.size(), 104u);
  bytes[50] ^= 1;
  test::WriteBytes(folder / "VirusBase.vbf", bytes);
  ExpectSplashThenMessage(folder.path(), damaged);

  test::TempDir shortFolder;
  test::WriteBytes(shortFolder / "VirusBase.vbf", std::string(DatabaseHeader().substr(0, 103)));
  ExpectSplashThenMessage(shortFolder.path(), damaged);
}

// Short of the records its count promises, or held by another program: the
// start ends after the splash with the message that says which.
TEST(Program, ADatabaseWithoutItsRecordsOrThatCannotBeReadEndsTheStartWithItsMessage) {
  const std::wstring damaged =
      L"Нарушена структура база данных вирусов!!!\nПереустановите приложение или обратитесь к разработчику.";
  const std::string full = test::ReadBytes(kDatabase);
  ASSERT_GT(full.size(), static_cast<size_t>(kRecordsOffset));
  for (const std::string& bytes : {std::string(DatabaseHeader()), full.substr(0, kRecordsOffset),
                                   full.substr(0, full.size() - 10)}) {
    test::TempDir folder;
    test::WriteBytes(folder / "VirusBase.vbf", bytes);
    ExpectSplashThenMessage(folder.path(), damaged);
  }

  test::TempDir folder;
  fs::copy_file(kDatabase, folder / "VirusBase.vbf");
  const HANDLE held = ::CreateFileW((folder / "VirusBase.vbf").c_str(), GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ExpectSplashThenMessage(folder.path(), L"База данных вирусов не читается!!!\nФайл занят другой программой.");
  ::CloseHandle(held);
}

TEST(Program, BothProgramsDeclareThemselvesAwareOfLongPaths) {
  for (const fs::path& exe : {kProgram, FromBuildPath(VSK_CLI)}) {
    const HMODULE module = ::LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr) << exe;
    const HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr) << exe;
    const std::string manifest(static_cast<const char*>(::LockResource(::LoadResource(module, found))),
                               ::SizeofResource(module, found));
    EXPECT_NE(manifest.find("<ws2:longPathAware>true</ws2:longPathAware>"), std::string::npos) << exe;
    ::FreeLibrary(module);
  }
}

// Column texts of a list view in another process, through its memory.
std::vector<std::wstring> ListColumns(HANDLE process, HWND list) {
  std::vector<std::wstring> columns;
  const size_t size = sizeof(LVCOLUMNW) + 256 * sizeof(wchar_t);
  auto* remote = static_cast<char*>(
      ::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if (!remote) return columns;
  for (int i = 0; i < 8; ++i) {
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT;
    col.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVCOLUMNW));
    col.cchTextMax = 256;
    ::WriteProcessMemory(process, remote, &col, sizeof(col), nullptr);
    if (!::SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote)))
      break;
    wchar_t text[256] = {};
    ::ReadProcessMemory(process, remote + sizeof(LVCOLUMNW), text, sizeof(text) - sizeof(wchar_t), nullptr);
    columns.push_back(text);
  }
  ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  return columns;
}

// Saves what the screen shows of `wnd` as a BMP file.
void SaveScreenshot(HWND wnd, const fs::path& file) {
  RECT r{};
  ::GetWindowRect(wnd, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = ::GetDC(nullptr);
  HDC mem = ::CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bmp = ::CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(mem, bmp);
  ::BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  ::GdiFlush();
  const DWORD stride = ((w * 3 + 3) / 4) * 4;
  BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(sizeof(fh) + sizeof(bi.bmiHeader) + stride * h), 0, 0,
                      sizeof(fh) + sizeof(bi.bmiHeader)};
  std::string out(reinterpret_cast<const char*>(&fh), sizeof(fh));
  out.append(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof(bi.bmiHeader));
  out.append(static_cast<const char*>(bits), stride * h);
  test::WriteBytes(file, out);
  ::SelectObject(mem, old);
  ::DeleteObject(bmp);
  ::DeleteDC(mem);
  ::ReleaseDC(nullptr, screen);
}

TEST(Program, WithTheDatabaseTheMainWindowOpensMinimizesAndClosesByItsExitButton) {
  test::TempDir folder;
  fs::copy_file(kDatabase, folder / "VirusBase.vbf");
  Program program(folder.path());
  const HWND main = program.FindMainWindow(20s);
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(program.VisibleWindows(), std::vector<HWND>{main}) << "no message about the database";

  for (int id : {IDC_SCAN, IDC_SETTINGS, IDC_DATABASE, IDC_HELP_BUTTON, IDC_ABOUT, IDC_EXIT,
                 IDC_EXIT_SMALL, IDC_MINIMIZE}) {
    const HWND button = ::GetDlgItem(main, id);
    ASSERT_NE(button, nullptr) << id;
    EXPECT_TRUE(::IsWindowVisible(button)) << id;
    EXPECT_EQ(::GetWindowLongPtrW(button, GWL_STYLE) & 0x0F, BS_OWNERDRAW) << id;
  }
  // The database beside the program, not the user's data folder's, is named.
  EXPECT_EQ(WindowText(::GetDlgItem(main, IDC_STATUS)),
            L"База данных вирусов: " + (folder / "VirusBase.vbf").wstring() + L", записей: " +
                std::to_wstring(static_cast<unsigned char>(test::ReadBytes(kDatabase)[104])));
  const HWND list = ::GetDlgItem(main, IDC_RESULTS);
  EXPECT_EQ(ListColumns(program.process(), list), (std::vector<std::wstring>{L"Объект", L"Результат"}));
  EXPECT_EQ(::SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), 0x4A1);
  EXPECT_EQ(::SendMessageW(list, LVM_GETBKCOLOR, 0, 0), RGB(255, 255, 204));

  // The outline: rounded body with square bottom corners, and lettering
  // above it; what lies outside is not the window's.
  HRGN shape = ::CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(::GetWindowRgn(main, shape), ERROR);
  EXPECT_TRUE(::PtInRegion(shape, 300, 250));
  EXPECT_TRUE(::PtInRegion(shape, 3, 442)) << "square bottom corner";
  EXPECT_TRUE(::PtInRegion(shape, 603, 442));
  EXPECT_FALSE(::PtInRegion(shape, 4, 76)) << "rounded top corner";
  EXPECT_FALSE(::PtInRegion(shape, 300, 450));
  int lettering = 0;
  for (int y = 0; y < 75; ++y)
    for (int x = 0; x < 604; ++x) lettering += ::PtInRegion(shape, x, y) != FALSE;
  EXPECT_GT(lettering, 2000) << "the large text adds to the outline";
  EXPECT_LT(lettering, 604 * 75 / 2) << "only the letters, not a band";
  RECT frame{};
  ::GetWindowRect(main, &frame);
  int x = -1, y = -1;
  for (int yy = 0; yy < 75 && x < 0; ++yy)
    for (int xx = 0; xx < 600; ++xx)
      if (!::PtInRegion(shape, xx, yy)) {
        x = xx, y = yy;
        break;
      }
  ASSERT_GE(x, 0);
  EXPECT_NE(::GetAncestor(::WindowFromPoint({frame.left + x, frame.top + y}), GA_ROOT), main);
  ::DeleteObject(shape);

  SaveScreenshot(main, fs::current_path() / "main-window-test.bmp");

  // Enter does nothing.
  ::PostMessageW(::GetDlgItem(main, IDC_SCAN), WM_KEYDOWN, VK_RETURN, 1);
  EXPECT_FALSE(program.Exited(500ms));

  // Alt+M through the accelerator table, typed: the table reads the
  // keyboard state, which posted messages do not change.
  ::SetForegroundWindow(main);
  INPUT keys[4] = {};
  for (INPUT& k : keys) k.type = INPUT_KEYBOARD;
  keys[0].ki.wVk = VK_MENU;
  keys[1].ki.wVk = 'M';
  keys[2].ki.wVk = 'M';
  keys[2].ki.dwFlags = KEYEVENTF_KEYUP;
  keys[3].ki.wVk = VK_MENU;
  keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
  ::SendInput(4, keys, sizeof(INPUT));
  EXPECT_TRUE(WaitFor([&] { return ::IsIconic(main) != FALSE; }, 3s)) << "Alt+M minimizes";
  ::ShowWindow(main, SW_RESTORE);
  EXPECT_TRUE(WaitFor([&] { return !::IsIconic(main); }, 3s));

  const HWND exitButton = ::GetDlgItem(main, IDC_EXIT);
  ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_EXIT, BN_CLICKED), reinterpret_cast<LPARAM>(exitButton));
  EXPECT_TRUE(program.Exited(10s)) << "the exit button ends the process";
  EXPECT_EQ(program.ExitCode(), 0u);
}

TEST(Program, EscapeClosesTheMainWindow) {
  test::TempDir folder;
  fs::copy_file(kDatabase, folder / "VirusBase.vbf");
  Program program(folder.path());
  const HWND main = program.FindMainWindow(20s);
  ASSERT_NE(main, nullptr);
  ::PostMessageW(::GetDlgItem(main, IDC_SCAN), WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_TRUE(program.Exited(10s));
}

TEST(Program, EscapeDuringTheScanOfABigFileEndsTheProcessPromptly) {
  test::TempDir folder;
  fs::copy_file(kDatabase, folder / "VirusBase.vbf");
  fs::create_directory(folder / "big");
  // 32 GiB of zeros: half a minute and more to read whole.
  ASSERT_TRUE(test::MakeSparseFile((folder / "big" / "big.bin").wstring(), 32LL << 30));
  Program program(folder.path(), L"big", {{L"Sound", L"0"}});
  const HWND main = program.FindMainWindow(20s);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(WaitFor([&] { return WindowText(::GetDlgItem(main, IDC_STATUS)).ends_with(L"\\big.bin"); }, 20s))
      << "the scan is in the big file";
  ::PostMessageW(::GetDlgItem(main, IDC_SCAN), WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_TRUE(program.Exited(10s)) << "the walk ends within a piece of the file";
}

TEST(Program, TheAboutCommandRunsTheAboutBoxModally) {
  test::TempDir folder;
  fs::copy_file(kDatabase, folder / "VirusBase.vbf");
  Program program(folder.path());
  const HWND main = program.FindMainWindow(20s);
  ASSERT_NE(main, nullptr);
  ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_ABOUT, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(main, IDC_ABOUT)));
  const HWND about = program.Find([&](HWND w) { return w != main && WindowText(w) == L"О программе"; }, 10s);
  ASSERT_NE(about, nullptr);
  EXPECT_FALSE(::IsWindowEnabled(main)) << "modal";
  ::PostMessageW(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  EXPECT_TRUE(WaitFor([&] { return !::IsWindow(about); }, 5s));
  EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(main) != FALSE; }, 5s));
}

}  // namespace
}  // namespace vsk
