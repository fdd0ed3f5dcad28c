// A file is matched up to the size it had when opened, its holes read as
// the zeros they stand for without being read byte by byte.
#include <gtest/gtest.h>

#ifdef __linux__
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <random>
#include <thread>

#include "engine/containers/ContentSearch.h"
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

int MatchPath(const VirusTable& t, const fs::path& file) {
  os::File in;
  EXPECT_EQ(in.Open(file), os::Error::None);
  return SignatureMatcher(t).MatchOpenFile(in);
}

// Whether the file system keeps a hole in `fd`: some offset below `size`
// is no data.
bool HasHole(int fd, off_t size) {
  const off_t hole = ::lseek(fd, 0, SEEK_HOLE);
  return hole >= 0 && hole < size;
}

// A layout of data pieces at offsets, the rest holes, and its dense bytes.
struct Layout {
  std::vector<std::pair<off_t, std::string>> pieces;
  off_t size = 0;
  std::string Dense() const {
    std::string bytes(static_cast<size_t>(size), '\0');
    for (const auto& [at, piece] : pieces) bytes.replace(static_cast<size_t>(at), piece.size(), piece);
    return bytes;
  }
};

bool WriteLayout(const fs::path& file, const Layout& layout) {
  const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = ::ftruncate(fd, layout.size) == 0;
  for (const auto& [at, piece] : layout.pieces)
    ok = ok && ::pwrite(fd, piece.data(), piece.size(), at) == static_cast<ssize_t>(piece.size());
  ::close(fd);
  return ok;
}

TEST(HoleTest, EverySparseLayoutMatchesAsItsDenseBytesDo) {
  TempDir dir;
  std::mt19937 rng(23);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  // Mostly zeros and 'A', so that signatures meet holes on both edges and
  // inside them; the data is mostly 'B'.
  auto bytes = [&](size_t n, int zeroShare, char other) {
    std::string s(n, other);
    for (char& c : s) c = pick(100) < zeroShare ? '\0' : pick(4) == 0 ? 'A' : other;
    return s;
  };
  int holesSeen = 0;
  for (int round = 0; round < 150; ++round) {
    std::vector<Sig> sigs;
    for (int i = 0, n = 1 + pick(5); i < n; ++i) {
      const size_t length = 1 + static_cast<size_t>(pick(30));
      sigs.push_back({"S" + std::to_string(i), pick(3) == 0 ? std::string(length, '\0')
                                                            : bytes(length, 70, 'A')});
    }
    const VirusTable t = MakeTable(sigs);
    Layout layout;
    for (int k = 0, n = 1 + pick(4); k < n; ++k) {
      layout.size += 4096 * (pick(3) == 0 ? 0 : 1 + pick(16));  // a hole, block aligned
      std::string piece = bytes(1 + static_cast<size_t>(pick(6000)), 5, 'B');
      // A signature's start or end at the piece's edges, against the holes.
      const std::string& s = sigs[static_cast<size_t>(pick(static_cast<int>(sigs.size())))].bytes;
      if (pick(2)) piece.replace(0, std::min(piece.size(), s.size()), s.substr(s.size() / 2));
      if (pick(2)) piece += s.substr(0, s.size() / 2);
      layout.pieces.push_back({layout.size, piece});
      layout.size += static_cast<off_t>(piece.size());
    }
    if (pick(2)) layout.size += 4096 * (1 + pick(8));  // a hole to the end
    const fs::path file = dir / ("f" + std::to_string(round));
    ASSERT_TRUE(WriteLayout(file, layout));
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    holesSeen += HasHole(fd, layout.size);
    ::close(fd);
    const std::string dense = layout.Dense();
    ASSERT_EQ(MatchPath(t, file),
              test::ReferenceMatch(t, reinterpret_cast<const uint8_t*>(dense.data()), dense.size()))
        << "round " << round;
    fs::remove(file);
  }
  if (holesSeen == 0) GTEST_SKIP() << "this file system keeps no holes";
}

// 16 TiB, or the most below it the file system allows.
TEST(HoleTest, AHugeSparseFileIsSearchedWholeAcrossItsHoles) {
  TempDir dir;
  const fs::path file = dir / "huge";
  Layout layout;
  const std::string tail = "..EVIL..";
  bool made = false;
  for (const off_t size : {off_t{1} << 44, (off_t{1} << 44) - (off_t{1} << 20)}) {
    layout.pieces = {{0, "AB"}, {size - 4096, tail}};
    layout.size = size;
    if ((made = WriteLayout(file, layout))) break;
  }
  if (!made) GTEST_SKIP() << "no file of 16 TiB here";
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  const bool sparse = HasHole(fd, layout.size);
  ::close(fd);
  if (!sparse) GTEST_SKIP() << "this file system keeps no holes";
  const std::string zeros20(20, '\0');
  // Not there at all: the whole file is searched, its last bytes too.
  EXPECT_EQ(MatchPath(MakeTable({{"None", "NOT-HERE"}}), file), kMatchClean);
  EXPECT_EQ(MatchPath(MakeTable({{"None", "NOT-HERE"}, {"Evil", "EVIL"}}), file), 1);
  // Zeros alone, inside the hole and across both of its edges.
  EXPECT_EQ(MatchPath(MakeTable({{"Evil", "EVIL"}, {"Zeros", zeros20}}), file), 1);
  EXPECT_EQ(MatchPath(MakeTable({{"Left", "B" + zeros20}}), file), 0);
  EXPECT_EQ(MatchPath(MakeTable({{"Evil", "EVIL"}, {"Right", zeros20 + "..EV"}}), file), 1);
  EXPECT_EQ(MatchPath(MakeTable({{"Tail", "EVIL.." + zeros20}}), file), 0);
  // The whole hole is longer than any signature: nothing bridges it.
  EXPECT_EQ(MatchPath(MakeTable({{"Across", "B" + std::string(28, '\0') + "."}}), file), kMatchClean);
}

TEST(BoundedReadTest, GrowthAfterTheOpenIsNotChasedAndAShrinkEndsTheRead) {
  TempDir dir;
  const VirusTable t = MakeTable({{"Evil", "EVIL"}});
  const SignatureMatcher matcher(t);
  WriteBytes(dir / "grows", std::string(1 << 20, 'x'));
  WriteBytes(dir / "shrinks", std::string(1 << 19, 'x') + "EVIL" + std::string(1 << 19, 'x'));
  os::File grows, shrinks;
  ASSERT_EQ(grows.Open(dir / "grows"), os::Error::None);
  ASSERT_EQ(shrinks.Open(dir / "shrinks"), os::Error::None);
  {
    std::ofstream more(dir / "grows", std::ios::binary | std::ios::app);
    more << "EVIL";
  }
  fs::resize_file(dir / "shrinks", 1 << 18);
  EXPECT_EQ(matcher.MatchOpenFile(grows), kMatchClean);
  EXPECT_EQ(matcher.MatchOpenFile(shrinks), kMatchClean);
  // The same for parts read at offsets, the last part of each too.
  EXPECT_EQ(matcher.MatchRange(grows, 1 << 19, 1 << 20), kMatchClean);
  EXPECT_EQ(matcher.MatchRange(shrinks, 1 << 17, 1 << 19), kMatchClean);
  EXPECT_EQ(matcher.MatchRange(shrinks, 1 << 19, (1 << 20) + 4), kMatchClean);
}

// Only a large file with no holes and no archive in it is searched in
// parts: a part reads no holes, and an archive is searched as one.
TEST(BoundedReadTest, WhichFilesAreSearchedInParts) {
  TempDir dir;
  const VirusTable t = MakeTable({{"Evil", "EVIL"}});
  const SignatureMatcher matcher(t);
  const ContentSearch search(matcher);
  const uint64_t part = ContentSearch::kPartBytes;
  auto parts = [&](const fs::path& file) {
    os::File in;
    EXPECT_EQ(in.Open(file), os::Error::None);
    return search.Parts(in);
  };
  WriteBytes(dir / "plain", std::string(3 * part + 5, 'x'));
  WriteBytes(dir / "small", std::string(2 * part - 1, 'x'));
  WriteBytes(dir / "zip", "PK\x03\x04" + std::string(3 * part, 'x'));
  EXPECT_EQ(parts(dir / "plain"), 3u);
  EXPECT_EQ(parts(dir / "small"), 1u);
  EXPECT_EQ(parts(dir / "zip"), 1u);
  Layout sparse;
  sparse.pieces = {{0, "data"}, {static_cast<off_t>(3 * part), "EVIL"}};
  sparse.size = static_cast<off_t>(4 * part);
  ASSERT_TRUE(WriteLayout(dir / "sparse", sparse));
  const int fd = ::open((dir / "sparse").c_str(), O_RDONLY | O_CLOEXEC);
  const bool holes = HasHole(fd, sparse.size);
  ::close(fd);
  if (holes) {
    EXPECT_EQ(parts(dir / "sparse"), 1u);
  }
}

// The writer adds viruses as fast as it can: a read that chased them would
// find one, or never end.
TEST(BoundedReadTest, AFileExtendedWhileScannedEndsAtItsOpenedSize) {
  TempDir dir;
  const VirusTable t = MakeTable({{"Evil", "EVIL"}});
  WriteBytes(dir / "f", std::string(4 << 20, 'x'));
  os::File in;
  ASSERT_EQ(in.Open(dir / "f"), os::Error::None);
  std::atomic<bool> done{false};
  std::thread writer([&] {
    const int fd = ::open((dir / "f").c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    const std::string chunk = std::string(1 << 16, 'y') + "EVIL";
    while (!done && ::write(fd, chunk.data(), chunk.size()) > 0) {
    }
    ::close(fd);
  });
  const int match = SignatureMatcher(t).MatchOpenFile(in);
  done = true;
  writer.join();
  EXPECT_EQ(match, kMatchClean);
}

}  // namespace
}  // namespace vsk
#endif
