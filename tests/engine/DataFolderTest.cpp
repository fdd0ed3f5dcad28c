#include <gtest/gtest.h>

#include "engine/DataFolder.h"
#include "tests/TestUtil.h"

namespace vsk {
namespace {
namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

TEST(DataFolderTest, WorkingFolderThenUserFolderThenProgramFolder) {
  TempDir dir;
  const fs::path here = dir / "here", user = dir / "user", program = dir / "program";
  fs::create_directories(here);
  fs::create_directories(program);
  WriteBytes(program / "VirusBase.vbf", "bundled");

  // First start elsewhere: the user's folder is made and gets the bundled copy.
  EXPECT_EQ(ChooseDataFolder(here, user, program), user);
  EXPECT_EQ(ReadBytes(user / "VirusBase.vbf"), "bundled");
  EXPECT_FALSE(fs::exists(user / "VirusBase.vbf.part"));

  // The user's edits are kept on later starts.
  WriteBytes(user / "VirusBase.vbf", "edited");
  EXPECT_EQ(ChooseDataFolder(here, user, program), user);
  EXPECT_EQ(ReadBytes(user / "VirusBase.vbf"), "edited");

  // A database in the working folder comes first.
  WriteBytes(here / "VirusBase.vbf", "local");
  EXPECT_EQ(ChooseDataFolder(here, user, program), here);
}

TEST(DataFolderTest, ProgramFolderWhenTheUserFolderCannotBeHad) {
  TempDir dir;
  const fs::path program = dir / "program";
  fs::create_directories(program);
  EXPECT_EQ(ChooseDataFolder(dir / "here", dir / "user", program), fs::path());
  WriteBytes(program / "VirusBase.vbf", "bundled");
  WriteBytes(dir / "file", "x");  // a file where the user's folder should be
  EXPECT_EQ(ChooseDataFolder(dir / "here", dir / "file" / "user", program), program);
  EXPECT_EQ(ChooseDataFolder(dir / "here", fs::path(), program), program);
}

}  // namespace
}  // namespace vsk
