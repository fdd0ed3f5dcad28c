#include <gtest/gtest.h>

#include <vector>

#include "engine/settings/DataFolder.h"
#include "engine/settings/Texts.h"
#include "engine/text/Encoding.h"
#include "tests/TestUtil.h"

namespace vsk::test {
namespace {

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

// A writer that appends a line to the file it is given, failing for the
// files in `refused`, and remembers every try.
struct ProfileWriter {
  std::vector<fs::path> refused;
  std::vector<fs::path> tried;
  bool operator()(const fs::path& file) {
    tried.push_back(file);
    for (const fs::path& r : refused)
      if (r == file) return false;
    WriteBytes(file, ReadBytes(file) + "key\n");
    return true;
  }
};

fs::path WriteThrough(const ProfilePlace& place, ProfileWriter& writer) {
  return place.Write([&](const fs::path& file) { return writer(file); });
}

TEST(ProfilePlaceTest, TheWindowsFolderFirstThenTheDataFolderWhenItCannotBeWritten) {
  TempDir dir;
  const fs::path windows = dir / "windows" / "Vireskand.INI";
  const fs::path data = dir / "data" / "Vireskand" / "Vireskand.INI";
  fs::create_directories(windows.parent_path());
  const ProfilePlace place(windows, data);

  // Nothing stored: reads see the Windows folder's name, a write that takes
  // there stays there.
  EXPECT_EQ(place.ReadPath(), windows);
  ProfileWriter writer;
  EXPECT_EQ(WriteThrough(place, writer), windows);
  EXPECT_EQ(writer.tried, std::vector<fs::path>{windows});
  EXPECT_EQ(place.ReadPath(), windows);
  EXPECT_FALSE(fs::exists(data.parent_path()));

  // A standard user's install: the Windows folder refuses, the data folder
  // is made and takes the write, and later reads and writes go there.
  fs::remove(windows);
  writer = ProfileWriter{{windows}, {}};
  EXPECT_EQ(WriteThrough(place, writer), data);
  EXPECT_EQ((writer.tried), (std::vector<fs::path>{windows, data}));
  EXPECT_EQ(place.ReadPath(), data);
  writer.tried.clear();
  EXPECT_EQ(WriteThrough(place, writer), data);
  EXPECT_EQ(writer.tried, std::vector<fs::path>{data});
  EXPECT_EQ(ReadBytes(data), "key\nkey\n");

  // A Windows folder's file that appears later wins for reading, and then
  // for writing, so what is written is what is read.
  WriteBytes(windows, "");
  EXPECT_EQ(place.ReadPath(), windows);
  writer = ProfileWriter{};
  EXPECT_EQ(WriteThrough(place, writer), windows);
  EXPECT_EQ(writer.tried, std::vector<fs::path>{windows});
}

TEST(ProfilePlaceTest, AWriteThatFailsEverywhereIsReportedAndNeverMovesTheSettings) {
  TempDir dir;
  const fs::path windows = dir / "windows" / "Vireskand.INI";
  const fs::path data = dir / "data" / "Vireskand.INI";
  const ProfilePlace place(windows, data);

  // Folders under both names: neither is a stored profile, and neither
  // takes the write.
  fs::create_directories(windows);
  fs::create_directories(data);
  EXPECT_EQ(place.ReadPath(), windows);
  ProfileWriter writer{{windows, data}, {}};
  EXPECT_EQ(WriteThrough(place, writer), fs::path());
  EXPECT_EQ((writer.tried), (std::vector<fs::path>{windows, data}));
  EXPECT_EQ(place.WritePlaces(), writer.tried) << "what the message names";

  // A stored file that refuses the write is not replaced by another one,
  // which would go unread while it exists.
  fs::remove(data);
  WriteBytes(data, "stored\n");
  EXPECT_EQ(place.ReadPath(), data);
  writer = ProfileWriter{{data}, {}};
  EXPECT_EQ(WriteThrough(place, writer), fs::path());
  EXPECT_EQ(writer.tried, std::vector<fs::path>{data});
  EXPECT_EQ(place.WritePlaces(), writer.tried);
  // The message names the one file tried, not a place never tried.
  const std::wstring text = msg::SettingsNotSaved(place.WritePlaces());
  EXPECT_NE(text.find(PathText(data)), std::wstring::npos) << text;
  EXPECT_EQ(text.find(PathText(windows)), std::wstring::npos) << text;
  EXPECT_EQ(ReadBytes(data), "stored\n");
}

}  // namespace
}  // namespace vsk::test
