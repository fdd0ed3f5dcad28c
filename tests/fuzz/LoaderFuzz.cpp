// Any bytes as VirusBase.vbf: the header check, the loader and the count
// reader must neither crash nor read past the file, and a loaded table must
// hold only what the matcher can take.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/db/Matcher.h"
#include "engine/db/VirusDatabase.h"

namespace {
class Quiet : public vsk::IMessageSink {
 public:
  void ShowMessage(const std::wstring&) override {}
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("vsk-fuzz-loader-" + std::to_string(getpid()));
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  Quiet quiet;
  vsk::CheckDatabaseHeader(quiet, file);
  vsk::ReadRecordCount(quiet, file);
  vsk::VirusTable table;
  vsk::LoadVirusTable(table, quiet, file);
  if (table.count < 0 || table.count > vsk::kMaxViruses) std::abort();
  for (int i = 0; i < table.count; ++i)
    if (table.lengths[i] > vsk::kMaxSignature || table.names[i].size() > vsk::kNameField)
      std::abort();
  vsk::SignatureMatcher(table).MatchBuffer(data, size);
  return 0;
}
