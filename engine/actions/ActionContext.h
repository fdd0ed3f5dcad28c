// What an action on a row of the results list works with: the row, the
// list's second column, the questions and messages, and the settings.
#pragma once

#include <filesystem>

#include "engine/actions/ResultRows.h"
#include "engine/db/VirusDatabase.h"
#include "engine/scan/Waves.h"
#include "engine/settings/Options.h"
#include "engine/text/MessageSink.h"

namespace vsk {

// What "Переместить" does when "!!!Infected" already holds the name: the
// window asks whether to replace it; a batch keeps both, the second under a
// name of its own.
enum class QuarantineNaming { AskToReplace, KeepBoth };

struct ActionContext {
  const VirusTable& table;
  const Options& options;
  IResultRows& rows;
  ISoundPlayer& sound;
  IQuestions& questions;
  // Why a file was left alone: a message box in the window, a line on
  // stderr in the command-line scanner.
  IMessageSink& messages;
  // The folder that holds "!!!Infected": the process's working folder when
  // empty.
  std::filesystem::path workFolder;
  QuarantineNaming sameName = QuarantineNaming::AskToReplace;
};

}  // namespace vsk
