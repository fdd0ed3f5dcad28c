// The texts a row of the results list holds after an action, and the virus
// they name: a row whose action failed keeps the virus name after the
// failure, so that its menu still opens.
#pragma once

#include <string>

#include "engine/db/VirusDatabase.h"

namespace vsk {

// The index of the first virus named exactly `name`, or -1.
int FindVirusByName(const VirusTable& table, const std::wstring& name);

// The text of a row whose action failed on a file that is still there and
// still infected: the failure, then the virus name, so that the row is no
// result text and its menu still opens.
std::wstring FailedRowText(const std::wstring& virusName);
// The virus a row's text names: the text itself, or the name after a
// failure; empty when the table has no such virus.
std::wstring RowVirusName(const VirusTable& table, const std::wstring& rowText);

}  // namespace vsk
