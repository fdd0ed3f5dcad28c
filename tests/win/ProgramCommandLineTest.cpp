// Vireskand.exe started on a folder or file from its command line, its
// list, summary and report checked against the command-line scanner's.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/db/VirusDatabase.h"
#include "engine/scan/ScanRun.h"
#include "engine/text/Encoding.h"
#include "res/resource.h"
#include "tests/TestUtil.h"
#include "tests/win/ProgramHarness.h"
#include "tests/win/WinTestUtil.h"
#include "tools/Samples.h"

namespace vsk {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::FromBuildPath;
using test::Program;
using test::WaitFor;
using test::kDatabase;
using test::kProgram;
using test::WindowText;

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

// A second start with a path hands it to the window open over the same
// data folder, which scans it, and ends without a window of its own; a
// start over another data folder (another database) opens its own.
TEST(Program, ASecondStartHandsItsPathToTheOpenWindow) {
  test::TempDir folder, other;
  fs::copy_file(kDatabase, folder / "VirusBase.vbf");
  fs::copy_file(kDatabase, other / "VirusBase.vbf");
  const VirusTable table = LoadTable(folder / "VirusBase.vbf");
  const fs::path file = folder / L"Проверка" / L"файл.com";
  const samples::Bytes infected = samples::InfectCom(samples::CleanCom(), samples::Signature(table, 0));
  test::WriteBytes(file, std::string(infected.begin(), infected.end()));
  const Program::Settings quiet{{L"Sound", L"0"}, {L"Report", L"0"}};

  Program first(folder.path(), L"", quiet);
  const HWND main = first.FindMainWindow(20s);
  ASSERT_NE(main, nullptr);
  Program second(folder.path(), L"\"" + file.wstring() + L"\"", quiet);
  EXPECT_TRUE(second.Exited(20s)) << "handed over";
  const HWND list = ::GetDlgItem(main, IDC_RESULTS);
  EXPECT_TRUE(WaitFor([&] { return ListRows(first.process(), list).size() == 1; }, 20s));
  EXPECT_EQ(ListRows(first.process(), list),
            (std::vector<std::pair<std::wstring, std::wstring>>{{file.wstring(), table.Name(0)}}));

  Program elsewhere(other.path(), L"\"" + file.wstring() + L"\"", quiet);
  EXPECT_NE(elsewhere.FindMainWindow(20s), nullptr) << "a window of its own";
}

}  // namespace
}  // namespace vsk
