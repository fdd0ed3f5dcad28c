// The repair plans by themselves: a plan only reads, and its image, laid
// over its source in memory, is the clean program. What the cure then does
// with each plan, on files made byte by byte, is in CureTest.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "engine/actions/RepairPlans.h"
#include "tests/TestUtil.h"
#include "tools/Samples.h"

namespace vsk::test {
namespace {

using Step = RepairPlan::Step;

// The image over the bytes of its source, as the cure writes it.
std::string Applied(const std::string& source, const RepairImage& image) {
  std::string out = source.substr(0, static_cast<size_t>(image.keep));
  for (const Patch& p : image.patches) {
    if (p.offset >= image.keep) continue;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(p.bytes.size(), image.keep - p.offset));
    out.replace(static_cast<size_t>(p.offset), n, reinterpret_cast<const char*>(p.bytes.data()), n);
  }
  return out;
}

// The plan of `virusIndex` for `path`, which must be left as it was.
RepairPlan PlanFor(const fs::path& path, int virusIndex) {
  CheckedTarget target;
  EXPECT_EQ(OpenCheckedTarget(path, false, target), CheckedTargetState::Ready);
  return PlanRepair(target, virusIndex);
}

TEST(RepairPlansTest, EachPlanOfASampleGivesTheCleanProgramAndWritesNothing) {
  RecordingMessages messages;
  VirusTable table;
  ASSERT_EQ(LoadVirusTable(table, messages, fs::path(VSK_SOURCE_DIR) / "data/VirusBase.vbf"),
            LoadResult::Loaded);
  TempDir dir;
  ASSERT_EQ(samples::WriteSampleSet(table, dir.path()), L"");
  struct Kind {
    const char* sample;
    int record;
  } kinds[] = {{"com/hello.com", kCureComAppender},
               {"dos/dosprog.exe", kCureMzAppender},
               {"win/winprog.exe", kCurePeAppender},
               {"companion/game.exe", kCureCompanion}};
  for (const Kind& k : kinds) {
    const fs::path file = dir / "samples" / k.sample;
    const std::string infected = ReadBytes(file);
    const RepairPlan plan = PlanFor(file, k.record);
    ASSERT_EQ(plan.step, Step::Write) << k.sample;
    EXPECT_EQ(ReadBytes(file), infected) << k.sample;
    // The companion's plan reads the program from the .OVL beside it.
    const bool companion = k.record == kCureCompanion;
    EXPECT_EQ(plan.companion.IsOpen(), companion) << k.sample;
    const std::string source = companion ? ReadBytes(CompanionPath(file)) : infected;
    if (companion) {
      EXPECT_EQ(plan.companionName, CompanionPath(file.filename()).native());
    }
    EXPECT_EQ(Applied(source, plan.image), ReadBytes(dir / "clean" / file.filename())) << k.sample;
  }
  EXPECT_TRUE(fs::exists(dir / "samples/companion/game.OVL"));
}

// The steps without an image decide only: the file stays, even where the
// cure would then delete it.
TEST(RepairPlansTest, PlansWithoutAnImageLeaveTheFile) {
  TempDir dir;
  const std::string shortCom(732, 'c'), shortMz = "MZ" + std::string(813, 'm');
  WriteBytes(dir / "short.com", shortCom);
  WriteBytes(dir / "short.exe", shortMz);
  WriteBytes(dir / "lone.exe", "virus");
  WriteBytes(dir / "other.com", "virus");
  EXPECT_EQ(PlanFor(dir / "short.com", kCureComAppender).step, Step::NotAttempted);
  EXPECT_EQ(PlanFor(dir / "short.exe", kCureMzAppender).step, Step::DeleteIncurable);
  EXPECT_EQ(PlanFor(dir / "short.exe", kCurePeAppender).step, Step::NotAttempted);
  EXPECT_EQ(PlanFor(dir / "lone.exe", kCureCompanion).step, Step::DeleteIncurable);  // no .OVL
  WriteBytes(dir / "other.OVL", "program");
  EXPECT_EQ(PlanFor(dir / "other.com", kCureCompanion).step, Step::DeleteIncurable);  // no .exe
  for (int index : {1, 2, 6})
    EXPECT_EQ(PlanFor(dir / "short.com", index).step, Step::NoRepair) << index;
  EXPECT_EQ(ReadBytes(dir / "short.com"), shortCom);
  EXPECT_EQ(ReadBytes(dir / "short.exe"), shortMz);
  EXPECT_EQ(ReadBytes(dir / "lone.exe"), "virus");
  EXPECT_EQ(ReadBytes(dir / "other.com"), "virus");
  EXPECT_EQ(ReadBytes(dir / "other.OVL"), "program");
}

}  // namespace
}  // namespace vsk::test
