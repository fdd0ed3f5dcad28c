// Writes the harmless samples for a database:
//   make-samples DATABASE OUTPUT-FOLDER
// OUTPUT-FOLDER/samples gets one infected sample of each bundled record, the
// antivirus test file and some clean files; OUTPUT-FOLDER/clean the clean
// programs the cures give back.
#include <cstdio>
#include <filesystem>
#include <string>

#include "engine/db/VirusDatabase.h"
#include "engine/os/CommandLine.h"
#include "engine/text/Encoding.h"
#include "tools/Samples.h"

namespace {

class StderrMessages : public vsk::IMessageSink {
 public:
  void ShowMessage(const std::wstring& text) override {
    std::fputs((vsk::ToUtf8(text) + "\n").c_str(), stderr);
  }
};

// A path as the text typed for it: on POSIX, bytes that are not UTF-8
// become U+FFFD.
std::filesystem::path TypedPath(const std::filesystem::path& arg) {
  return vsk::PathFromText(vsk::PathText(arg));
}

int Run(const vsk::os::CommandLine& args) {
  if (args.size() != 2) {
    std::fputs("usage: make-samples DATABASE OUTPUT-FOLDER\n", stderr);
    return 2;
  }
  StderrMessages messages;
  vsk::VirusTable table;
  if (vsk::LoadVirusTable(table, messages, TypedPath(args[0])) != vsk::LoadResult::Loaded)
    return 2;
  const std::wstring error = vsk::samples::WriteSampleSet(table, TypedPath(args[1]));
  if (!error.empty()) {
    messages.ShowMessage(L"make-samples: " + error);
    return 2;
  }
  return 0;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return vsk::os::RunMain(argc, argv, Run); }
#else
int main(int argc, char** argv) { return vsk::os::RunMain(argc, argv, Run); }
#endif
