// Vireskand.exe as a user meets it, driven from outside its process.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tools/Samples.h"
#include "engine/scan/ScanRun.h"
#include "engine/text/Encoding.h"
#include "tests/TestUtil.h"
#include "engine/db/VirusDatabase.h"
#include "tests/win/WinTestUtil.h"
#include "res/resource.h"

namespace vsk {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Build paths arrive as Unix paths; Wine shows the Unix root as drive Z:.
fs::path FromBuildPath(const char* unixPath) {
  std::wstring p = L"Z:" + FromUtf8(unixPath);
  for (wchar_t& c : p)
    if (c == L'/') c = L'\\';
  return p;
}

const fs::path kProgram = FromBuildPath(VSK_PROGRAM);
const fs::path kDatabase = FromBuildPath(VSK_SOURCE_DIR "/data/VirusBase.vbf");

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(50ms);
  }
  return done();
}

// Read without a message: the splash's thread pumps none while it stands.
using test::WindowText;

std::wstring ClassOf(HWND wnd) {
  wchar_t name[64] = {};
  ::GetClassNameW(wnd, name, 64);
  return name;
}

// The program started in a working folder of its own; killed if a test
// leaves it running.
class Program {
 public:
  using Settings = std::vector<std::pair<std::wstring, std::wstring>>;
  // A fresh profile: every setting at its default but `settings`.
  explicit Program(const fs::path& folder, const std::wstring& arguments = {},
                   const Settings& settings = {}) {
    wchar_t windows[MAX_PATH] = {};
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    const fs::path profile = fs::path(windows) / L"Vireskand.INI";
    fs::remove(profile);
    for (const auto& [key, value] : settings)
      ::WritePrivateProfileStringW(L"OPTIONS", key.c_str(), value.c_str(), profile.c_str());
    std::wstring command = L"\"" + kProgram.wstring() + L"\"";
    if (!arguments.empty()) command += L" " + arguments;
    STARTUPINFOW si{sizeof(si)};
    EXPECT_TRUE(::CreateProcessW(kProgram.c_str(), command.data(), nullptr, nullptr, FALSE, 0,
                                 nullptr, folder.c_str(), &si, &pi_))
        << ::GetLastError();
  }
  ~Program() {
    if (pi_.hProcess && ::WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
      ::TerminateProcess(pi_.hProcess, 99);
      ::WaitForSingleObject(pi_.hProcess, 5000);
    }
    if (pi_.hProcess) ::CloseHandle(pi_.hProcess);
    if (pi_.hThread) ::CloseHandle(pi_.hThread);
  }

  std::vector<HWND> VisibleWindows() const {
    struct Search {
      DWORD pid;
      std::vector<HWND> found;
    } search{pi_.dwProcessId, {}};
    ::EnumWindows(
        [](HWND w, LPARAM l) -> BOOL {
          auto* s = reinterpret_cast<Search*>(l);
          DWORD pid = 0;
          ::GetWindowThreadProcessId(w, &pid);
          if (pid == s->pid && ::IsWindowVisible(w)) s->found.push_back(w);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }
  // A visible window of the program that `match` accepts.
  HWND Find(const std::function<bool(HWND)>& match, std::chrono::milliseconds limit) const {
    HWND result = nullptr;
    WaitFor(
        [&] {
          for (HWND w : VisibleWindows())
            if (match(w)) return (result = w) != nullptr;
          return false;
        },
        limit);
    return result;
  }
  HWND FindMessageBox(std::chrono::milliseconds limit) const {
    return Find([](HWND w) { return ::GetDlgItem(w, 0xFFFF) != nullptr; }, limit);
  }
  HWND FindMainWindow(std::chrono::milliseconds limit) const {
    return Find([](HWND w) { return WindowText(w) == L"Vireskand" && ::GetDlgItem(w, IDC_RESULTS); },
                limit);
  }
  bool Exited(std::chrono::milliseconds limit) const {
    return ::WaitForSingleObject(pi_.hProcess, static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0;
  }
  DWORD ExitCode() const {
    DWORD code = 0;
    ::GetExitCodeProcess(pi_.hProcess, &code);
    return code;
  }
  HANDLE process() const { return pi_.hProcess; }

 private:
  PROCESS_INFORMATION pi_{};
};

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
  EXPECT_EQ(WindowText(::GetDlgItem(main, IDC_STATUS)),
            L"Для начала проверки нажмите кнопку \"Проверить\"");
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

// Both columns of every row of a list view in another process.
std::vector<std::pair<std::wstring, std::wstring>> ListRows(HANDLE process, HWND list) {
  std::vector<std::pair<std::wstring, std::wstring>> rows;
  const size_t size = sizeof(LVITEMW) + 1024 * sizeof(wchar_t);
  auto* remote = static_cast<char*>(
      ::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if (!remote) return rows;
  const int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  auto text = [&](int row, int column) {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
    item.cchTextMax = 1024;
    ::WriteProcessMemory(process, remote, &item, sizeof(item), nullptr);
    ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
    wchar_t buffer[1024] = {};
    ::ReadProcessMemory(process, remote + sizeof(LVITEMW), buffer, sizeof(buffer) - sizeof(wchar_t), nullptr);
    return std::wstring(buffer);
  };
  for (int row = 0; row < count; ++row) rows.emplace_back(text(row, 0), text(row, 1));
  ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  return rows;
}

// The report's lines, without the one that carries the date and time.
std::vector<std::wstring> ReportLines(const fs::path& file) {
  const std::wstring text = Decode1251(test::ReadBytes(file));
  std::vector<std::wstring> lines;
  size_t start = 0;
  for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2) {
    std::wstring line = text.substr(start, end - start);
    if (line.rfind(L"Дата: ", 0) != 0) lines.push_back(line);
  }
  lines.push_back(text.substr(start));
  return lines;
}

int RunAndWait(const fs::path& exe, const std::wstring& arguments, const fs::path& folder) {
  std::wstring command = L"\"" + exe.wstring() + L"\" " + arguments;
  STARTUPINFOW si{sizeof(si)};
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, folder.c_str(), &si, &pi))
    return -1;
  ::WaitForSingleObject(pi.hProcess, 60000);
  DWORD code = 0;
  ::GetExitCodeProcess(pi.hProcess, &code);
  ::CloseHandle(pi.hProcess);
  ::CloseHandle(pi.hThread);
  return static_cast<int>(code);
}

// Starts the program on `argument` with `settings` plus the summary and a
// report replacing window.txt, and expects what the command-line scanner's
// report `expected` holds: the list holds its rows in their order, the
// summary its numbers, and the report is the same but for date and time.
// Returns the list's rows as report lines.
std::vector<std::wstring> ExpectScannedAsTheCliReports(const fs::path& folder, const std::wstring& argument,
                                                       Program::Settings settings,
                                                       const std::vector<std::wstring>& expected) {
  settings.insert(settings.end(), {{L"Report", L"1"}, {L"ReportToFile", L"1"}, {L"ReportFileName", L"window.txt"},
                                   {L"ReportFileMode", L"0"}, {L"Sound", L"0"}});
  Program program(folder, argument, settings);
  const HWND main = program.FindMainWindow(20s);
  EXPECT_NE(main, nullptr);
  const HWND summary = program.Find([](HWND w) { return WindowText(w) == L"Отчёт о проверке."; }, 30s);
  EXPECT_NE(summary, nullptr) << "the summary follows the scan";
  if (!main || !summary) return {};
  EXPECT_FALSE(::IsWindowEnabled(main)) << "modal, owned by the main window";
  EXPECT_EQ(::GetWindow(summary, GW_OWNER), main);
  EXPECT_FALSE(fs::exists(folder / "window.txt")) << "the report waits for the summary";

  std::vector<std::wstring> rowLines;
  for (const auto& [object, result] : ListRows(program.process(), ::GetDlgItem(main, IDC_RESULTS)))
    rowLines.push_back(object + L"\t\t" + result);
  const auto first = std::find(expected.begin(), expected.end(), L"Список проверенных файлов:");
  const auto last = std::find(expected.begin(), expected.end(), L"Конец списка.");
  EXPECT_NE(first, expected.end());
  if (first == expected.end()) return {};
  EXPECT_EQ(rowLines, std::vector<std::wstring>(first + 1, last - 1));

  auto number = [&](const wchar_t* label) {
    for (const std::wstring& line : expected)
      if (line.rfind(label, 0) == 0) return line.substr(line.rfind(L'\t') + 1);
    return std::wstring(L"?");
  };
  EXPECT_EQ(WindowText(::GetDlgItem(summary, IDC_FILES_CHECKED)), number(L"Файлов проверено:"));
  EXPECT_EQ(WindowText(::GetDlgItem(summary, IDC_VIRUSES_FOUND)), number(L"Вирусов обнаружено:"));
  const std::wstring summaryTime = WindowText(::GetDlgItem(summary, IDC_SCAN_TIME));
  EXPECT_EQ(WindowText(::GetDlgItem(main, IDC_SCAN)), L"Проверить") << "idle look before the summary";
  EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(main, IDC_SETTINGS)));

  ::PostMessageW(summary, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitFor([&] { return fs::exists(folder / "window.txt"); }, 10s));
  EXPECT_TRUE(WaitFor([&] { return WindowText(::GetDlgItem(main, IDC_STATUS)) == kIdleStatus; }, 5s));
  std::this_thread::sleep_for(300ms);
  // Byte for byte but the date and the scan time, which are the run's own.
  std::vector<std::wstring> written = ReportLines(folder / "window.txt");
  std::vector<std::wstring> wanted = expected;
  for (auto* lines : {&written, &wanted})
    for (std::wstring& line : *lines)
      if (line.rfind(L"Время проверки:", 0) == 0) {
        if (lines == &written) EXPECT_EQ(line, L"Время проверки:\t\t" + summaryTime);
        line = L"(time)";
      }
  EXPECT_EQ(written, wanted);
  return rowLines;
}

VirusTable LoadTable(const fs::path& database) {
  VirusTable table;
  struct Quiet : IMessageSink {
    void ShowMessage(const std::wstring&) override {}
  } quiet;
  EXPECT_EQ(LoadVirusTable(table, quiet, database), LoadResult::Loaded);
  return table;
}

// A folder on the command line is scanned at once, as the command-line
// scanner scans it.
TEST(Program, AFolderOnTheCommandLineIsScannedLikeTheCommandLineScannerDoesIt) {
  test::TempDir folder;
  fs::copy_file(kDatabase, folder / "VirusBase.vbf");
  ASSERT_EQ(samples::WriteSampleSet(LoadTable(folder / "VirusBase.vbf"), folder.path()), L"");
  const std::wstring scanned = (folder / "samples").wstring();

  ASSERT_EQ(RunAndWait(FromBuildPath(VSK_CLI), L"--subdirs --ok --overwrite --report cli.txt \"" + scanned + L"\"",
                       folder.path()),
            1);
  const std::vector<std::wstring> rows = ExpectScannedAsTheCliReports(
      folder.path(), L"samples", {{L"SubDir", L"1"}, {L"FileOk", L"1"}}, ReportLines(folder / "cli.txt"));
  EXPECT_EQ(rows.size(), 10u);
}

// A file on the command line, as the context menu of files gives it, is
// scanned alone whatever the mask; its Russian name and the row as the
// command-line scanner gives it.
TEST(Program, AFileOnTheCommandLineIsScannedAloneWhateverTheMask) {
  test::TempDir folder;
  fs::copy_file(kDatabase, folder / "VirusBase.vbf");
  const VirusTable table = LoadTable(folder / "VirusBase.vbf");
  const fs::path file = folder / L"Проверка" / L"файл.com";
  const samples::Bytes infected = samples::InfectCom(samples::CleanCom(), samples::Signature(table, 0));
  test::WriteBytes(file, std::string(infected.begin(), infected.end()));
  test::WriteBytes(folder / L"Проверка" / L"другой.com", std::string(infected.begin(), infected.end()));

  ASSERT_EQ(RunAndWait(FromBuildPath(VSK_CLI), L"--mask *.exe --overwrite --report cli.txt \"" + file.wstring() + L"\"",
                       folder.path()),
            1);
  const std::vector<std::wstring> rows = ExpectScannedAsTheCliReports(
      folder.path(), L"\"Проверка\\файл.com\"", {{L"FileMask", L"*.exe"}}, ReportLines(folder / "cli.txt"));
  EXPECT_EQ(rows, (std::vector<std::wstring>{file.wstring() + L"\t\t" + table.Name(0)}));
}

TEST(Program, AMissingFolderOnTheCommandLineIsToldAndNothingIsScanned) {
  test::TempDir folder;
  fs::copy_file(kDatabase, folder / "VirusBase.vbf");
  Program program(folder.path(), L"\"no such folder\"");
  const HWND box = program.FindMessageBox(20s);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(WindowText(::GetDlgItem(box, 0xFFFF)),
            L"Папка или файл для проверки не найдены:\n" + (folder / "no such folder").wstring());
  ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  const HWND main = program.FindMainWindow(5s);
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(WindowText(::GetDlgItem(main, IDC_SCAN)), L"Проверить");
  EXPECT_EQ(::SendMessageW(::GetDlgItem(main, IDC_RESULTS), LVM_GETITEMCOUNT, 0, 0), 0);
}

}  // namespace
}  // namespace vsk
