// Writes the harmless samples for a database:
//   make-samples DATABASE OUTPUT-FOLDER
// OUTPUT-FOLDER/samples gets one infected sample of each bundled record, the
// antivirus test file and some clean files; OUTPUT-FOLDER/clean the clean
// programs the cures give back.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/Samples.h"
#include "engine/text/Encoding.h"
#include "engine/db/VirusDatabase.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

class StderrMessages : public vsk::IMessageSink {
 public:
  void ShowMessage(const std::wstring& text) override {
    std::fputs((vsk::ToUtf8(text) + "\n").c_str(), stderr);
  }
};

int Run(const std::vector<std::wstring>& args) {
  if (args.size() != 2) {
    std::fputs("usage: make-samples DATABASE OUTPUT-FOLDER\n", stderr);
    return 2;
  }
  StderrMessages messages;
  vsk::VirusTable table;
  if (vsk::LoadVirusTable(table, messages, vsk::PathFromText(args[0])) != vsk::LoadResult::Loaded)
    return 2;
  const std::wstring error = vsk::samples::WriteSampleSet(table, vsk::PathFromText(args[1]));
  if (!error.empty()) {
    messages.ShowMessage(L"make-samples: " + error);
    return 2;
  }
  return 0;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  SetConsoleOutputCP(CP_UTF8);
  return Run(std::vector<std::wstring>(argv + 1, argv + argc));
}
#else
int main(int argc, char** argv) {
  std::vector<std::wstring> args;
  for (int i = 1; i < argc; ++i) args.push_back(vsk::FromUtf8(argv[i]));
  return Run(args);
}
#endif
