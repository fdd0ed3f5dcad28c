// The scanner's command line read into a plain record, and its help text.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "engine/actions/ActionContext.h"
#include "engine/containers/ArchiveLimits.h"
#include "engine/db/VirusDatabase.h"
#include "engine/os/CommandLine.h"
#include "engine/settings/Options.h"

namespace vsk {

// The scan's part of --help; the quarantine's part follows it.
extern const char kUsage[];

inline constexpr int kMaxJobs = 64;

// What --action applies to each infected row after the scan.
using Action = void (*)(ActionContext&, const CapturedRow&);

struct Arguments {
  std::filesystem::path database = kDatabaseFileName;
  std::filesystem::path target;
  std::wstring targetText;  // the target as given, for the report
  std::wstring reportFile;  // as text, for messages
  std::filesystem::path reportPath;  // the native name as given
  // The scan's settings: no sound, the summary shown, a report file only
  // when --report names one.
  Options options = DefaultOptions();
  Action action = nullptr;
  bool yes = false;
  bool help = false;
  int jobs = 0;  // 0: the workers' own choice
  ArchiveLimits archive;
};

// Reads `args` (the arguments after the program's name) into `out`.
// Returns an error text, or empty when the arguments are sound. The first
// error ends the reading; what came before it, --help among it, stays set.
// The target, --db and --report keep the native names as given (bytes on
// POSIX, UTF-16 on Windows); after "--" every argument is a target.
std::wstring ParseArguments(const os::CommandLine& args, Arguments& out);
#ifndef _WIN32
// The same for arguments given as text (on Windows the native form is text).
std::wstring ParseArguments(const std::vector<std::wstring>& args, Arguments& out);
#endif

}  // namespace vsk
