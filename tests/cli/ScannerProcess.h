// The scanner started as a process in a folder of its own, for the tests
// of its command line.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/TestUtil.h"

namespace vsk::test {

struct Result {
  int code;
  std::string out;
  std::string err;
};

// Runs the scanner in `dir` with `args`, started through `prefix` (such as
// a change of user) and killed after a minute (exit 124).
inline Result RunScanner(const std::filesystem::path& dir, const std::string& args,
                         const std::string& prefix = "") {
  const std::string errFile = (dir / "stderr.txt").string();
  const std::string command = "cd '" + dir.string() + "' && " + prefix + " timeout 60 '" VSK_SCANNER
                              "' " + args + " 2>'" + errFile + "'";
  std::FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  const int status = pclose(pipe);
  Result r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, out, ReadBytes(errFile)};
  std::filesystem::remove(errFile);
  return r;
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(dir / "VirusBase.vbf", DatabaseImage({{"Evil", "EVIL-SIGNATURE"}, {"Тест", "TEST-SIG"}}));
    WriteBytes(dir / "scan" / "a.exe", "..EVIL-SIGNATURE..");
    WriteBytes(dir / "scan" / "clean.txt", "nothing");
    WriteBytes(dir / "scan" / "sub" / "b.com", "TEST-SIG");
  }
  TempDir dir;
};

}  // namespace vsk::test
