// Files put into the quarantine of a folder as a move leaves them: the
// stored file and its confirmed record, for tests of what lists, restores
// and purges them.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/actions/Quarantine.h"
#include "engine/actions/Sha256.h"
#include "tests/TestUtil.h"

namespace vsk::test {

inline void StockQuarantine(const std::filesystem::path& work, const std::filesystem::path& stored,
                            const std::string& bytes, const std::filesystem::path& original,
                            const std::wstring& virus, const std::string& time = "2024-05-06T07:08:09Z") {
  Quarantine quarantine;
  ASSERT_EQ(quarantine.Open(work, true), Quarantine::Opened::Yes) << quarantine.Refusal();
  WriteBytes(quarantine.Path() / stored, bytes);
  Sha256 hash;
  hash.Add(bytes.data(), bytes.size());
  const QuarantineRecord record{stored.native(), original, virus, time, bytes.size(), hash.HexDigest()};
  ASSERT_TRUE(AppendJournal(quarantine.Folder(), FormatRecord(record)));
}

}  // namespace vsk::test
