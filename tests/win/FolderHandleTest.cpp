// The Windows seam acting by handle: a parent folder swapped between the
// scan and the action, a folder moved while open or while walked, walks and
// quarantine past MAX_PATH in Russian folders, and trust read from owners
// and DACLs.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>
#include <winioctl.h>

#include "engine/os/FolderChain.h"
#include "engine/os/Lock.h"
#include "engine/os/Ownership.h"
#include "engine/os/win32/Win32.h"
#include "tests/engine/actions/HostileTree.h"

namespace vsk {
namespace {
namespace fs = std::filesystem;
using os::win32::Keeping;
using test::HostileTreeTest;
using test::ReadBytes;
using test::ReadLong;
using test::SetDacl;
using test::WriteBytes;

// Makes `link` a junction to `target`; false where no reparse point is set.
bool MakeJunction(const fs::path& link, const fs::path& target) {
  CreateDirectoryW(link.c_str(), nullptr);
  HANDLE h = CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  // Tag, length, the substitute and print names' places, then the names.
  const std::wstring to = L"\\??\\" + target.native();
  const WORD bytes = static_cast<WORD>(to.size() * 2);
  std::vector<WORD> data{LOWORD(IO_REPARSE_TAG_MOUNT_POINT), HIWORD(IO_REPARSE_TAG_MOUNT_POINT),
                         static_cast<WORD>(8 + bytes + 4), 0, 0, bytes,
                         static_cast<WORD>(bytes + 2), 0};
  data.insert(data.end(), to.begin(), to.end());
  data.resize(data.size() + 2);
  DWORD got = 0;
  const bool set = DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, data.data(), 8 + data[2], nullptr,
                                   0, &got, nullptr);
  CloseHandle(h);
  if (!set) RemoveDirectoryW(link.c_str());
  return set;
}

TEST_F(HostileTreeTest, AParentSwappedBetweenScanAndDeleteLeavesWhatReplacedItAlone) {
  const std::string infected = test::Infected(500);
  WriteBytes(dir / "sub" / "prog.com", infected);
  WriteBytes(work / "victim" / "prog.com", infected);  // never scanned
  const CapturedRow row = Scanned(dir / "sub" / "prog.com");
  fs::rename(dir / "sub", dir / "sub.old");
  for (bool junction : {false, true}) {
    if (!junction) fs::rename(work / "victim", dir / "sub");
    else if (!MakeJunction(dir / "sub", work / "victim"))
      GTEST_SKIP() << "FSCTL_SET_REPARSE_POINT fails here (Wine 8 makes no junctions)";
    rec.told.clear();
    ActOn(DeleteInfected, row);
    EXPECT_EQ(Text(), L"Com");
    EXPECT_TRUE(Told(rec, L"заменены"));
    EXPECT_EQ(ReadBytes(dir / "sub" / "prog.com"), infected);
    if (!junction) fs::rename(dir / "sub", work / "victim");
  }
  // Nor is the junction entered as a subfolder or on the way down a path.
  os::Folder top, sub;
  ASSERT_TRUE(top.Open(dir.path()));
  EXPECT_EQ(sub.OpenSubfolder(top, L"sub", true), os::Folder::SubResult::Refused);
  EXPECT_EQ(sub.OpenNoFollow(dir / "sub" / "made", true), os::Folder::PathResult::Link);
  EXPECT_EQ(test::Names(work / "victim"), std::vector<std::string>{"prog.com"});
  RemoveDirectoryW((dir / "sub").c_str());
}

TEST_F(HostileTreeTest, AnOpenFolderMovedAwayActsOnlyOnceBackInPlace) {
  WriteBytes(dir / "sub" / "a.com", "first");
  os::Folder sub;
  ASSERT_TRUE(sub.Open(dir / "sub"));
  // One name only: no separator, stream or parent reaches past the folder.
  for (const wchar_t* name : {L"..\\sub\\a.com", L"a.com:hidden", L".."})
    EXPECT_EQ(sub.Inspect(name).kind, os::Kind::Missing);
  const os::FileId a = sub.Inspect(L"a.com").id;
  fs::rename(dir / "sub", dir / "moved");
  WriteBytes(dir / "sub" / "a.com", "other");
  EXPECT_EQ(sub.Inspect(L"a.com").id, a);
  // Nothing is done while its path leads elsewhere (Wine would act on the
  // file now there), and all is once it leads back.
  EXPECT_FALSE(sub.Remove(L"a.com", a));
  EXPECT_EQ(sub.Move(L"a.com", a, sub, L"b.com", false), os::MoveResult::Failed);
  fs::rename(dir / "sub", dir / "other");
  fs::rename(dir / "moved", dir / "sub");
  EXPECT_EQ(sub.Move(L"a.com", a, sub, L"b.com", false), os::MoveResult::Moved);
  EXPECT_TRUE(sub.Remove(L"b.com", a));
  EXPECT_TRUE(fs::is_empty(dir / "sub"));
  EXPECT_EQ(ReadBytes(dir / "other" / "a.com"), "other");
}

// The files under `folder` in the order a walk by path meets them:
// FindFirstFileExW on each \\?\ path, a subfolder walked where it is met.
void WalkByPath(const fs::path& folder, std::vector<fs::path>& files) {
  WIN32_FIND_DATAW found;
  HANDLE h = FindFirstFileExW(os::LongPath((folder / L"*").native()).c_str(), FindExInfoBasic,
                              &found, FindExSearchNameMatch, nullptr, 0);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) WalkByPath(folder / name, files);
    else files.push_back(folder / name);
  } while (FindNextFileW(h, &found));
  FindClose(h);
}

TEST_F(HostileTreeTest, ARussianTreePastMaxPathGivesTheRowsAWalkByPathGives) {
  fs::path deep = dir.path();
  for (const wchar_t* part : {L"Документы", L"Отчёты за год", L"Вложения"}) {
    deep /= part + std::wstring(70, L'ж');
    ASSERT_TRUE(CreateDirectoryW(os::LongPath(deep.native()).c_str(), nullptr));
    test::WriteLong(deep / L"отчёт.exe", "clean");
    test::WriteLong(deep / (std::wstring(60, L'я') + L".com"), test::Infected(40));
  }
  ASSERT_GT((deep / L"отчёт.exe").native().size(), static_cast<size_t>(MAX_PATH));
  std::vector<fs::path> files;
  WalkByPath(dir.path(), files);
  ASSERT_EQ(files.size(), 6u);
  const std::vector<CapturedRow> rows = ScanRows(1, true);
  ASSERT_EQ(rows.size(), files.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].path, files[i]);
    EXPECT_EQ(rows[i].virusName, files[i].extension() == L".com" ? L"Com" : L"OK");
    // Each row knows its file and folder as the system does.
    os::Folder folder;
    ASSERT_TRUE(folder.Open(files[i].parent_path()));
    EXPECT_EQ(rows[i].identity.folder, folder.Id());
    EXPECT_EQ(rows[i].identity.file, folder.Inspect(files[i].filename().native()).id);
  }
  for (const fs::path& file : files) DeleteFileW(os::LongPath(file.native()).c_str());
  for (fs::path folder = deep; folder != dir.path(); folder = folder.parent_path())
    RemoveDirectoryW(os::LongPath(folder.native()).c_str());
}

TEST_F(HostileTreeTest, AWalkStaysInTheFolderItHoldsWhateverTakesItsPlace) {
  WriteBytes(dir / "a" / "sub" / "v.com", "clean");
  WriteBytes(dir / "decoy" / "sub" / "v.com", test::Infected(10));
  WriteBytes(dir / "decoy" / "w.com", test::Infected(10));
  os::FolderChain chain;
  ASSERT_TRUE(chain.OpenRoot(dir.path()));
  ASSERT_TRUE(chain.Enter(L"a"));
  const os::FileId held = chain.FolderId();
  fs::rename(dir / "a", dir / "a.old");
  fs::rename(dir / "decoy", dir / "a");
  os::FolderEntries entries;
  ASSERT_TRUE(chain.List(entries));
  ASSERT_EQ(entries.list.size(), 1u);
  EXPECT_EQ(std::wstring(entries.Name(entries.list[0])), L"sub");
  ASSERT_TRUE(chain.Enter(L"sub"));
  EXPECT_EQ(chain.Path(), (dir / "a" / "sub").native() + L"\\");
  os::File file;
  ASSERT_TRUE(chain.OpenFile(file, L"v.com", false));
  char bytes[16] = {};
  EXPECT_EQ(file.Read(bytes, sizeof bytes), 5);
  EXPECT_EQ(std::string(bytes), "clean");
  file.Close();
  ASSERT_TRUE(chain.Leave());
  EXPECT_EQ(chain.FolderId(), held);
  EXPECT_FALSE(chain.OpenFile(file, L"w.com", false));
  // A subfolder made a junction after it was listed is not entered.
  fs::rename(dir / "a.old" / "sub", dir / "a.old" / "sub.old");
  if (!MakeJunction(dir / "a.old" / "sub", dir / "a" / "sub"))
    GTEST_SKIP() << "FSCTL_SET_REPARSE_POINT fails here (Wine 8 makes no junctions)";
  EXPECT_FALSE(chain.Enter(L"sub"));
  ASSERT_TRUE(chain.List(entries));
  EXPECT_EQ(entries.list.size(), 2u);
  for (const os::FolderEntries::Entry& entry : entries.list)
    EXPECT_EQ(entry.kind, std::wstring(entries.Name(entry)) == L"sub" ? os::Kind::FolderLink
                                                                       : os::Kind::Folder);
  RemoveDirectoryW((dir / "a.old" / "sub").c_str());
}

TEST_F(HostileTreeTest, QuarantineRoundTripsPastMaxPathThroughRussianFolders) {
  fs::path deep = dir.path();
  for (const wchar_t* part : {L"Документы", L"Отчёты за год", L"Вложения"}) {
    deep /= part + std::wstring(70, L'ж');
    ASSERT_TRUE(CreateDirectoryW(os::LongPath(deep.native()).c_str(), nullptr));
  }
  ASSERT_GT(deep.native().size(), static_cast<size_t>(MAX_PATH));
  const std::string infected = test::Infected(300);
  const fs::path file = deep / L"вирус.com";
  test::WriteLong(file, infected);
  Act(MoveToQuarantine, file);
  EXPECT_EQ(Text(), L"Перемещён");
  // The two deepest folders are made again, private, on the way back.
  ASSERT_TRUE(RemoveDirectoryW(os::LongPath(deep.native()).c_str()));
  ASSERT_TRUE(RemoveDirectoryW(os::LongPath(deep.parent_path().native()).c_str()));
  Quarantine quarantine;
  ASSERT_EQ(quarantine.Open(work.path(), false), Quarantine::Opened::Yes);
  EXPECT_EQ(quarantine.Restore(fs::path(L"вирус.com").native()), L"");
  EXPECT_EQ(ReadLong(file), infected);
  os::Folder made;
  ASSERT_EQ(made.OpenNoFollow(deep, false), os::Folder::PathResult::Opened);
  EXPECT_EQ(made.Trusted(), os::Folder::Trust::Trusted);
  DeleteFileW(os::LongPath(file.native()).c_str());
  for (fs::path folder = deep; folder != dir.path(); folder = folder.parent_path())
    RemoveDirectoryW(os::LongPath(folder.native()).c_str());
}

const std::wstring kOurs = L"D:P(A;OICI;FA;;;OW)(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";

// What an owner and a DACL in SDDL leave to this user.
Keeping KeepingOf(const std::wstring& sddl) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &sd, nullptr);
  PSID owner = nullptr;
  PACL dacl = nullptr;
  BOOL present = FALSE, defaulted = FALSE;
  GetSecurityDescriptorOwner(sd, &owner, &defaulted);
  GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted);
  const Keeping keeping = os::win32::KeepingOf(owner, present ? dacl : nullptr, nullptr);
  LocalFree(sd);
  return keeping;
}

TEST_F(HostileTreeTest, OwnerAndDaclMustKeepOtherUsersOut) {
  EXPECT_EQ(KeepingOf(L"O:BA" + kOurs + L"(A;OICIIO;FA;;;CO)(A;;FRFX;;;WD)"), Keeping::Private);
  EXPECT_EQ(KeepingOf(L"O:SY" + kOurs), Keeping::Private);
  EXPECT_EQ(KeepingOf(L"O:AU" + kOurs), Keeping::ForeignOwner);
  // Others may add files, delete children, hand writes down, take it over.
  for (const wchar_t* ace : {L"(A;;0x2;;;WD)", L"(A;;0x40;;;BU)", L"(A;OICIIO;GA;;;BU)",
                             L"(A;;WO;;;AU)", L"(A;;FA;;;CO)"})
    EXPECT_EQ(KeepingOf(L"O:BA" + kOurs + ace), Keeping::OpenToOthers) << fs::path(ace).string();
  // A NULL DACL (Wine's SDDL makes none) lets everybody write.
  BYTE admins[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof admins;
  ASSERT_TRUE(CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size));
  EXPECT_EQ(os::win32::KeepingOf(admins, nullptr, nullptr), Keeping::OpenToOthers);

  // A lock file is made for its user alone.
  os::Folder top;
  ASSERT_TRUE(top.Open(dir.path()));
  os::FolderLock lock;
  ASSERT_TRUE(lock.Take(top, L"run.lock", 1000));
  std::vector<BYTE> token;
  wchar_t* user = nullptr;
  ASSERT_TRUE(ConvertSidToStringSidW(os::win32::CurrentUser(token), &user));
  const std::wstring onlyUser = L"D:P(A;;FA;;;" + std::wstring(user) + L")";
  LocalFree(user);
  const bool keeps = test::KeepsDacls(dir / "probe");
  if (keeps) EXPECT_EQ(test::DaclText(dir / "run.lock"), onlyUser);
  lock.Release();

  // The quarantine folder and a companion's .OVL as the system keeps them.
  Quarantine made;
  ASSERT_EQ(made.Open(work.path(), true), Quarantine::Opened::Yes);
  if (!keeps)
    GTEST_SKIP() << "this system keeps no DACL set on a file (Wine makes one from the mode)";
  SetDacl(work / "!!!Infected", (kOurs + L"(A;;0x2;;;WD)").c_str());
  EXPECT_EQ(made.Open(work.path(), false), Quarantine::Opened::Refused);
  EXPECT_NE(made.Refusal().find(L"могут писать другие"), std::wstring::npos);
  WriteBytes(dir / "GAME.EXE", "infected");
  WriteBytes(dir / "GAME.OVL", "program");
  SetDacl(dir / "GAME.OVL", (kOurs + L"(A;;FW;;;WD)").c_str());
  os::File program, overlay;
  ASSERT_EQ(program.Open(top, L"GAME.EXE", false), os::Error::None);
  ASSERT_EQ(overlay.Open(top, L"GAME.OVL", false), os::Error::None);
  EXPECT_FALSE(os::SameKeeper(overlay, program, 1 << 20));
}

}  // namespace
}  // namespace vsk
