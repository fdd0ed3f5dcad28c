#include <gtest/gtest.h>

#include <filesystem>

#include "engine/os/CommandLine.h"

namespace vsk::test {
namespace {

os::CommandLine seen;

int Record(const os::CommandLine& args) {
  seen = args;
  return 40 + static_cast<int>(args.size());
}

TEST(CommandLineTest, TheBodyGetsTheArgumentsAfterTheNameAndGivesTheExitStatus) {
  os::CommandLine given = {std::filesystem::path("vireskand-scan").native(),
                           std::filesystem::path("--ok").native(),
                           std::filesystem::path("a folder").native()};
  std::filesystem::path::value_type* argv[] = {given[0].data(), given[1].data(), given[2].data(),
                                               nullptr};
  EXPECT_EQ(os::RunMain(3, argv, Record), 42);
  EXPECT_EQ(seen, os::CommandLine(given.begin() + 1, given.end()));
  EXPECT_EQ(os::RunMain(1, argv, Record), 40);
  EXPECT_TRUE(seen.empty());
  // Started without even a name.
  seen = given;
  EXPECT_EQ(os::RunMain(0, argv, Record), 40);
  EXPECT_TRUE(seen.empty());
}

}  // namespace
}  // namespace vsk::test
