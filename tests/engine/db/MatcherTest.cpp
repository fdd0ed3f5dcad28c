#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#ifdef __linux__
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#endif

#include "engine/db/Matcher.h"
#include "tests/ReferenceMatch.h"
#include "tests/TestUtil.h"

namespace vsk {
namespace {
namespace fs = std::filesystem;
using test::MakeTable;
using test::Sig;
using test::TempDir;
using test::WriteBytes;

int ReferenceMatch(const VirusTable& t, const std::string& data) {
  return test::ReferenceMatch(t, reinterpret_cast<const uint8_t*>(data.data()), data.size());
}

int Match(const VirusTable& t, const std::string& data) {
  return SignatureMatcher(t).MatchBuffer(reinterpret_cast<const uint8_t*>(data.data()),
                                         data.size());
}

const uint8_t* Bytes(const std::string& data) { return reinterpret_cast<const uint8_t*>(data.data()); }

// The first match that starts in [from, limit), by the definition: the
// earliest start is where the winning signature first occurs.
MatchHit ReferenceFind(const VirusTable& t, const std::string& data, size_t from, size_t limit) {
  const int i = test::ReferenceMatch(t, Bytes(data) + from, data.size() - from);
  if (i < 0) return {};
  const std::string sig(reinterpret_cast<const char*>(t.signatures[i].data()), t.lengths[i]);
  const size_t p = data.find(sig, from);
  return p < limit ? MatchHit{p, i} : MatchHit{};
}

void ExpectSameFind(const SignatureMatcher& m, const VirusTable& t, const std::string& data,
                    size_t from, size_t limit, const std::string& what) {
  // An allocation of the exact size, so that the sanitizers see a read past it.
  const std::vector<uint8_t> exact(data.begin(), data.end());
  const MatchHit hit = m.Find(exact.data(), exact.size(), from, limit);
  const MatchHit expected = ReferenceFind(t, data, from, limit);
  ASSERT_EQ(hit.index, expected.index) << what;
  if (expected.Found()) {
    ASSERT_EQ(hit.position, expected.position) << what;
  }
}

TEST(MatcherTest, ResultsOfTheDefinition) {
  const VirusTable t = MakeTable({{"Zero", ""},
                                  {"One", "ONE-SIG"},
                                  {"Two", "tail"},
                                  {"Three", "THREE-SIG"},
                                  {"Byte", "#"}});
  struct Case {
    std::string data;
    int expected;
  } cases[] = {
      {"", -1},
      {"nothing here", -1},
      {"xxTHREE-SIGxxONE-SIG", 3},        // earliest position wins
      {"xxxONE-SIGxxxTHREE-SIG", 1},
      {"....tail", 2},                    // ends exactly at the file's end
      {"....tai", -1},                    // would run past the end
      {"xxONE-SIH", -1},                  // differs in the last byte only
      {"ab#cdONE-SIG", 4},                // 1-byte signature at its first occurrence
      {"ONE-SIG#", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(Match(t, c.data), c.expected) << c.data;
}

TEST(MatcherTest, SamePositionGoesToTheLowestIndex) {
  const VirusTable t = MakeTable({{"A", "XYZ-LONGER"}, {"B", "XYZ"}, {"C", "XY"}});
  EXPECT_EQ(Match(t, "..XYZ-LONGER"), 0);
  EXPECT_EQ(Match(t, "..XYZ-LONG"), 1);
  EXPECT_EQ(Match(t, "..XYQ"), 2);
  const VirusTable dup = MakeTable({{"P", "Q"}, {"A", "same"}, {"B", "same"}});
  EXPECT_EQ(Match(dup, "xxsame"), 1);
}

TEST(MatcherTest, ZeroLengthSignaturesNeverMatch) {
  const VirusTable t = MakeTable({{"Empty", ""}});
  EXPECT_EQ(Match(t, std::string(1000, '\0')), -1);
}

// Random tables against the definition: lengths 0..30 with duplicates,
// prefixes of each other and 1-byte signatures, over small alphabets so
// that partial matches are common.
TEST(MatcherTest, AgreesWithTheDefinitionOnRandomTablesAndData) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 3000; ++round) {
    const int alphabet = 2 + static_cast<int>(rng() % 6);
    auto randomBytes = [&](size_t n) {
      std::string s;
      for (size_t i = 0; i < n; ++i) s.push_back(static_cast<char>('a' + rng() % alphabet));
      return s;
    };
    std::vector<Sig> sigs;
    const int count = 1 + static_cast<int>(rng() % 12);
    for (int i = 0; i < count; ++i) {
      const int kind = static_cast<int>(rng() % 10);
      if (kind == 0 && !sigs.empty()) {
        sigs.push_back(sigs[rng() % sigs.size()]);  // duplicate
      } else if (kind == 1 && !sigs.empty()) {
        const std::string& base = sigs[rng() % sigs.size()].bytes;
        sigs.push_back({"p", base.substr(0, rng() % (base.size() + 1))});  // prefix
      } else {
        const size_t len = kind == 2 ? 1 : 2 + rng() % 29;
        sigs.push_back({"r", randomBytes(rng() % 8 == 0 ? rng() % 31 : len)});
      }
    }
    const VirusTable t = MakeTable(sigs);
    std::string data = randomBytes(rng() % 300);
    if (rng() % 2 && !data.empty()) {  // plant a signature, often at an end
      const std::string& s = sigs[rng() % sigs.size()].bytes;
      if (s.size() <= data.size()) {
        const size_t at = rng() % 3 == 0 ? data.size() - s.size() : rng() % (data.size() - s.size() + 1);
        data.replace(at, s.size(), s);
      }
    }
    ASSERT_EQ(Match(t, data), ReferenceMatch(t, data)) << "round " << round;
  }
}

// Long buffers with long signatures take the skipping search, which works
// on two halves at once: plants in either half, in both, and near-misses.
TEST(MatcherTest, AgreesWithTheDefinitionOnLongBuffers) {
  std::mt19937 rng(99);
  for (int round = 0; round < 300; ++round) {
    const size_t minLength = round % 2 ? 8 : 20;
    std::vector<Sig> sigs;
    for (int i = 0; i < 1 + static_cast<int>(rng() % 60); ++i) {
      std::string s;
      const size_t len = minLength + rng() % (31 - minLength);
      for (size_t k = 0; k < len; ++k) s.push_back(static_cast<char>('a' + rng() % 4));
      sigs.push_back({"s", s});
    }
    const VirusTable t = MakeTable(sigs);
    std::string data(5000 + rng() % 60000, '\0');
    for (char& c : data) c = static_cast<char>('a' + rng() % 5);
    for (int plant = static_cast<int>(rng() % 4); plant > 0; --plant) {
      std::string s = sigs[rng() % sigs.size()].bytes;
      if (rng() % 3 == 0) s.back() = 'z';  // a near-miss
      const size_t at = rng() % (data.size() - s.size() + 1);
      data.replace(at, s.size(), s);
    }
    ASSERT_EQ(Match(t, data), ReferenceMatch(t, data)) << "round " << round;
  }
}

// Every shortest length from 2 to beyond the sampled ones, each with its
// own step: a signature planted at every start of buffers from empty to
// past the 32 bytes the in-place compare reads, and of those around the
// smallest that holds a whole group of samples, so that starts fall on,
// between and after the samples, in the last group and in the tail.
TEST(MatcherTest, SampledSearchFindsEveryStartForEveryShortestLength) {
  std::mt19937 rng(4242);
  for (size_t shortest = 2; shortest <= SignatureMatcher::kMinSkipWindow + 1; ++shortest) {
    std::vector<Sig> sigs;
    for (int i = 0; i < 6; ++i) {
      std::string s(i == 0 ? shortest : shortest + rng() % (31 - shortest), '\0');
      for (char& c : s) c = static_cast<char>('A' + rng() % 26);
      sigs.push_back({"s", s});
    }
    const VirusTable t = MakeTable(sigs);
    const SignatureMatcher matcher(t);
    const size_t group = SignatureMatcher::kSampleGroup * (shortest - 1) + 31;
    for (size_t size = 0; size <= std::max<size_t>(90, group + 8);
         size = size == 90 ? std::max<size_t>(91, group - 8) : size + 1) {
      const std::string filler(size, '.');
      ASSERT_EQ(matcher.MatchBuffer(Bytes(filler), size), -1);
      for (size_t at = 0; at + shortest <= size; ++at) {
        std::string data = filler;
        const std::string& s = sigs[rng() % sigs.size()].bytes;
        data.replace(at, std::min(s.size(), size - at), s.substr(0, size - at));
        const std::string what = "shortest " + std::to_string(shortest) + " size " +
                                 std::to_string(size) + " at " + std::to_string(at);
        ExpectSameFind(matcher, t, data, 0, size, what);
        ExpectSameFind(matcher, t, data, at / 2, size - at / 3, what + " (window)");
      }
    }
  }
}

// Blocks that several signatures share at different offsets, so that one
// sample stands for several starts: the earliest start wins even when its
// signature comes later in the table, and at one start the lowest index;
// near-misses overlap the match and each other.
TEST(MatcherTest, SampledCandidatesSharingBlocksKeepTheOrderOfTheDefinition) {
  const VirusTable t = MakeTable({{"Late", "CDEFGH"},        // "CD" at offset 0
                                  {"Early", "ABCDEF"},       // "CD" at offset 2
                                  {"Same", "ABCDEF"},        // a duplicate of Early
                                  {"Longer", "ABCDEFGHIJKLMNOPQRSTU"},
                                  {"Mid", "BCDEFG"}});       // "CD" at offset 1
  const std::string pad(40, '.');
  struct Case {
    std::string data;
    int expected;
  } cases[] = {
      {pad + "ABCDEFGH" + pad, 1},              // Early at 40 before Mid at 41 and Late at 42
      {pad + ".BCDEFGH" + pad, 4},              // Mid before Late
      {pad + "..CDEFGH" + pad, 0},
      {pad + "ABCDEX" + "BCDEFX" + "CDEFGX" + pad, -1},  // three near-misses
      {pad + "ABCDEABCDEFGHIJKLMNOPQRSTU" + pad, 1},     // Early and Longer start together
      {pad + "ABCDEFGHIJKLMNOPQRSTX", 1},
      {"ABCDE" + std::string("ABCDEF"), 1},      // shorter than the in-place compare reads
      {"xCDEFGH", 0},
      {"BCDEFCDEFG", -1},
  };
  const SignatureMatcher matcher(t);
  for (const Case& c : cases) {
    EXPECT_EQ(Match(t, c.data), c.expected) << c.data;
    EXPECT_EQ(Match(t, c.data), ReferenceMatch(t, c.data)) << c.data;
    for (size_t from = 0; from <= c.data.size(); from += 3)
      ExpectSameFind(matcher, t, c.data, from, c.data.size(), c.data + " from " + std::to_string(from));
  }
}

// Many signatures over a four-letter alphabet, so that most samples are
// candidates, with near-misses that break off at every byte and overlap;
// in every other round the signatures share three heads, so that their
// hashed first bytes pass and only the full compare tells them apart.
TEST(MatcherTest, SampledSearchAgreesOnDenseNearMisses) {
  std::mt19937 rng(2718);
  for (int round = 0; round < 800; ++round) {
    const size_t shortest = 3 + rng() % (SignatureMatcher::kMinSkipWindow - 3);
    std::vector<Sig> sigs;
    for (int i = 0; i < 1 + static_cast<int>(rng() % 40); ++i) {
      std::string s(shortest + rng() % (31 - shortest), '\0');
      for (char& c : s) c = "ACGT"[rng() % 4];
      const char* heads[] = {"ACGA", "ACGC", "TTTT"};
      if (round % 2) s.replace(0, 4, heads[rng() % 3], std::min<size_t>(s.size(), 4));
      sigs.push_back({"s", s});
    }
    sigs[rng() % sigs.size()].bytes.resize(shortest);
    const VirusTable t = MakeTable(sigs);
    std::string data(100 + rng() % 3000, '\0');
    for (char& c : data) c = "ACGT"[rng() % 4];
    for (size_t at = rng() % 20; at + 31 < data.size(); at += 1 + rng() % 40) {
      std::string s = sigs[rng() % sigs.size()].bytes;
      s[rng() % s.size()] = 'x';
      data.replace(at, s.size(), s);
    }
    if (rng() % 2) {
      const std::string& s = sigs[rng() % sigs.size()].bytes;
      data.replace(rng() % (data.size() - s.size() + 1), s.size(), s);
    }
    const SignatureMatcher matcher(t);
    const size_t from = rng() % 3 ? 0 : rng() % data.size();
    ExpectSameFind(matcher, t, data, from, data.size(), "round " + std::to_string(round));
  }
}

// The file searched in parts cut at `cuts`, as threads share it: the first
// part with a result other than clean gives the file's.
int MatchInParts(const SignatureMatcher& m, const fs::path& file, std::vector<uint64_t> cuts) {
  os::File in;
  EXPECT_EQ(in.Open(file), os::Error::None);
  const auto size = static_cast<uint64_t>(in.OpenedSize());
  cuts.push_back(0);
  cuts.push_back(size);
  std::sort(cuts.begin(), cuts.end());
  cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
  for (size_t k = 0; k + 1 < cuts.size() && cuts[k + 1] <= size; ++k)
    if (const int match = m.MatchRange(in, cuts[k], cuts[k + 1]); match != kMatchClean) return match;
  return kMatchClean;
}

// Files larger than one piece: matches placed across piece borders, at the
// file's ends, and just short of them; searched whole, and in parts cut
// inside and next to the match.
TEST(MatcherTest, FilesAreSearchedInPiecesWithTheSameResults) {
  TempDir dir;
  std::mt19937 rng(777);
  const size_t piece = SignatureMatcher::kPieceSize;
  std::vector<Sig> sigs;
  for (int i = 0; i < 40; ++i) {
    std::string s;
    const size_t len = i == 0 ? 1 : 2 + rng() % 29;
    for (size_t k = 0; k < len; ++k) s.push_back(static_cast<char>(rng() % 256));
    sigs.push_back({"s", s});
  }
  sigs[0].bytes = "\x01";  // a 1-byte signature whose byte we keep out of the filler
  const VirusTable t = MakeTable(sigs);
  const SignatureMatcher matcher(t);
  for (int round = 0; round < 60; ++round) {
    std::string data(piece * (1 + rng() % 3) + rng() % 1000, '\0');
    for (char& c : data) c = static_cast<char>(2 + rng() % 254);
    const Sig& s = sigs[1 + rng() % (sigs.size() - 1)];
    const size_t borders[] = {piece - 1, piece - s.bytes.size() / 2, piece - s.bytes.size(),
                              data.size() - s.bytes.size(), 2 * piece - 3};
    const size_t at = borders[rng() % 5];
    if (at + s.bytes.size() <= data.size()) data.replace(at, s.bytes.size(), s.bytes);
    if (round % 7 == 0) data.back() = '\x01';
    const auto file = dir / ("f" + std::to_string(round));
    WriteBytes(file, data);
    ASSERT_EQ(matcher.MatchFile(file), ReferenceMatch(t, data)) << "round " << round;
    ASSERT_EQ(MatchInParts(matcher, file, {at, at + 1, at + s.bytes.size() - 1, rng() % data.size()}),
              ReferenceMatch(t, data))
        << "round " << round;
  }
  // A part sees the bytes after it, but a match that starts there is the
  // next part's: here a short one inside a long one that starts earlier.
  {
    const std::string longer = "0123456789abcdefghijklmnopqrst";
    const VirusTable pair = MakeTable({{"Short", longer.substr(8, 4)}, {"Long", longer}});
    std::string data(3 * piece, '.');
    data.replace(piece + 2, longer.size(), longer);
    WriteBytes(dir / "pair", data);
    EXPECT_EQ(MatchInParts(SignatureMatcher(pair), dir / "pair", {piece}), 1);
  }
  WriteBytes(dir / "empty", "");
  EXPECT_EQ(matcher.MatchFile(dir / "empty"), -1);
  EXPECT_EQ(matcher.MatchFile(dir / "missing"), -2);
  EXPECT_EQ(MatchFile(dir / "empty", VirusTable{}), -1);
  // A stop is seen before the next piece is read.
  const std::atomic<bool> running{true}, stopped{false};
  EXPECT_EQ(matcher.MatchFile(dir / "f0", &running), ReferenceMatch(t, test::ReadBytes(dir / "f0")));
  EXPECT_EQ(matcher.MatchFile(dir / "f0", &stopped), kMatchStopped);
}

// Files like the hard benchmark tree, in several pieces: zero runs, text,
// runs of near-misses, and short signatures that are prefixes of long ones,
// the long one across a piece border with its prefix before or after it.
TEST(MatcherTest, HardFilesAgreeAcrossPieceBorders) {
  TempDir dir;
  std::mt19937 rng(4242);
  const size_t piece = SignatureMatcher::kPieceSize;
  for (int round = 0; round < 24; ++round) {
    const size_t shortest = round % 3 == 0 ? 4 : round % 3 == 1 ? 2 : 26;
    std::vector<Sig> sigs;
    for (int i = 0; i < 60; ++i) {
      std::string s(shortest + rng() % (31 - shortest), '\0');
      for (char& c : s) c = static_cast<char>(rng());
      sigs.push_back({"s", s});
    }
    for (int k = 0; k < 6; ++k) {  // a prefix of a later, longer one
      Sig& longer = sigs[59 - k];
      longer.bytes.resize(30);
      sigs[k].bytes = longer.bytes.substr(0, shortest + k % 3);
    }
    const VirusTable t = MakeTable(sigs);
    const SignatureMatcher matcher(t);
    std::string data(piece * 2 + rng() % 5000, '\0');
    const int kind = round % 4;  // zeros, text, random, near-misses
    for (size_t i = 0; kind != 0 && i < data.size(); ++i)
      data[i] = kind == 1 ? " etaoin\n"[rng() % 8] : static_cast<char>(rng());
    for (size_t at = 0; kind == 3 && at + 40 < data.size(); at += 20 + rng() % 30) {
      std::string s = sigs[rng() % sigs.size()].bytes;
      s.back() ^= 0x5A;
      data.replace(at, s.size(), s);
    }
    const std::string& longer = sigs[59 - rng() % 6].bytes;
    const size_t at = piece - 1 - rng() % 29;
    data.replace(at, longer.size(), longer);
    if (round % 2) data.replace(at - 100, 4, longer.substr(0, 4));  // its first bytes before
    const auto file = dir / ("h" + std::to_string(round));
    WriteBytes(file, data);
    ASSERT_EQ(matcher.MatchFile(file), ReferenceMatch(t, data)) << "round " << round;
    // The prefix in one part, the long one starting in the part before.
    ASSERT_EQ(MatchInParts(matcher, file, {at + 1, at + 4, piece + rng() % piece}), ReferenceMatch(t, data))
        << "round " << round;
  }
}

#ifdef __linux__
// A read that fails midway, for real: the scanned file's descriptor is
// replaced by /proc/self/mem at a page whose next page is unmapped, so the
// first read gives that page and the next one fails.
TEST(MatcherTest, AReadThatFailsMidwayIsUnreadableUnlessAVirusIsInWhatWasRead) {
  const VirusTable t = MakeTable({{"Long", "A-MUCH-LONGER-SIGNATURE"}, {"Evil", "EVIL"}});
  const SignatureMatcher matcher(t);
  TempDir dir;
  WriteBytes(dir / "f", std::string(1 << 20, 'x'));  // the size the reads are told
  const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
  auto* region = static_cast<char*>(
      ::mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(region, MAP_FAILED);
  ASSERT_EQ(::munmap(region + page, page), 0);
  auto matchPage = [&](const std::string& tail) {
    std::memset(region, '.', page);
    std::memcpy(region + page - tail.size(), tail.data(), tail.size());
    os::File file;
    EXPECT_EQ(file.Open(dir / "f"), os::Error::None);
    const int mem = ::open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
    EXPECT_EQ(::lseek(mem, reinterpret_cast<off_t>(region), SEEK_SET), reinterpret_cast<off_t>(region));
    const fs::path target = fs::canonical(dir / "f");
    for (const auto& fd : fs::directory_iterator("/proc/self/fd")) {
      std::error_code ec;
      if (fs::read_symlink(fd.path(), ec) == target) ::dup2(mem, std::stoi(fd.path().filename().string()));
    }
    ::close(mem);
    const int match = matcher.MatchOpenFile(file);
    EXPECT_EQ(file.LastError(), os::Error::ReadFailed);
    return match;
  };
  // At the page's very end, in the bytes a piece keeps for the next one.
  EXPECT_EQ(matchPage("EVIL"), 1);
  EXPECT_EQ(matchPage("EVI"), kMatchUnreadable);
  ::munmap(region, page);
}
#endif

}  // namespace
}  // namespace vsk
