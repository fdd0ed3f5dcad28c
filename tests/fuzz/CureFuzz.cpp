// The first byte picks the repair (0, 3, 4, 5), the rest is the infected
// file (for 3, the companion). After the repair the file must be either
// exactly what the repair procedure, followed step by step, makes of it, or
// byte for byte what it was; no copy may be left beside it.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include <unistd.h>

#include "engine/actions/CureTransaction.h"

namespace fs = std::filesystem;
using Bytes = std::string;

namespace {

bool Get(const Bytes& b, uint64_t at, int width, uint32_t& value) {
  if (at + width > b.size()) return false;
  value = 0;
  for (int i = width - 1; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(b[at + i]);
  return true;
}

bool Put(Bytes& b, uint64_t at, int width, uint32_t value) {
  if (at + width > b.size()) return false;
  for (int i = 0; i < width; ++i) b[at + i] = static_cast<char>(value >> (8 * i));
  return true;
}

// The repair as its steps read, on a buffer; nullopt where a step would
// reach outside the file.
std::optional<Bytes> Reference(int method, Bytes b) {
  const uint64_t L = b.size();
  uint32_t v[8];
  if (method == 0) {
    if (L < 733) return std::nullopt;
    for (int i = 0; i < 3; ++i) b[i] = b[L - 427 + i];
    b.resize(L - 733);
    return b;
  }
  if (method == 4) {
    if (L <= 815) return std::nullopt;
    const uint64_t N = L - 815;
    for (int i = 0; i < 4; ++i)
      if (!Get(b, N + 86 + 2 * i, 2, v[i])) return std::nullopt;
    if (!Put(b, 14, 2, v[3]) || !Put(b, 16, 2, v[2]) || !Put(b, 20, 2, v[0]) || !Put(b, 22, 2, v[1]))
      return std::nullopt;
    b.resize(N);
    if (!Put(b, 2, 2, static_cast<uint32_t>(N % 512)) ||
        !Put(b, 4, 2, static_cast<uint32_t>((N + 511) / 512)))
      return std::nullopt;
    return b;
  }
  uint32_t H, S, R, V, image, D, entry;
  if (!Get(b, 60, 4, H) || !Get(b, uint64_t{H} + 6, 2, S) || S == 0) return std::nullopt;
  const uint64_t T = uint64_t{H} + 248 + 40ull * (S - 1);
  if (!Get(b, T + 20, 4, R) || !Get(b, T + 8, 4, V)) return std::nullopt;
  if (!Put(b, uint64_t{H} + 6, 2, S - 1) || T + 40 > L) return std::nullopt;
  for (int i = 0; i < 40; ++i) b[T + i] = 0;
  if (!Get(b, uint64_t{H} + 80, 4, image) || !Put(b, uint64_t{H} + 80, 4, image - V))
    return std::nullopt;
  if (!Get(b, uint64_t{R} + 9, 4, D) || !Get(b, uint64_t{H} + 40, 4, entry) ||
      !Put(b, uint64_t{H} + 40, 4, entry - D + 5) || R > L)
    return std::nullopt;
  b.resize(R);
  return b;
}

void Write(const fs::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size());
}

std::optional<Bytes> Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const int kMethods[] = {0, 3, 4, 5};
  const int method = kMethods[data[0] % 4];
  const Bytes bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  struct Folder {
    Folder() : path(fs::temp_directory_path() / ("vsk-cure-fuzz-" + std::to_string(getpid()))) {
      fs::create_directories(path);
    }
    ~Folder() {
      std::error_code ec;
      fs::remove_all(path, ec);
    }
    fs::path path;
  };
  static const Folder folder;
  const fs::path& dir = folder.path;
  const fs::path file = dir / "s.exe", companion = dir / "s.OVL";
  fs::remove(companion);

  // The signature is one byte the repair cuts off: the input's last, or
  // the companion's 'v'; a repaired file must not hold it.
  vsk::VirusTable table;
  table.count = method + 1;
  table.lengths[method] = 1;
  table.signatures[method][0] = method == 3 || bytes.empty() ? 'v' : static_cast<uint8_t>(bytes.back());
  if (method == 3) {
    Write(file, "virus");
    Write(companion, bytes);
    Bytes program = bytes;
    for (size_t i = 0; i < program.size() && i < 10; ++i) program[i] = static_cast<char>(~program[i]);
    if (vsk::RepairFile(file, table, 3) == vsk::CureOutcome::Cured)
      Check(Read(file) == program && !fs::exists(companion) && program.find('v') == Bytes::npos);
    else
      Check(Read(file) == "virus" && Read(companion) == bytes && program.find('v') != Bytes::npos);
  } else {
    Write(file, bytes);
    const std::optional<Bytes> expected = Reference(method, bytes);
    switch (vsk::RepairFile(file, table, method)) {
      case vsk::CureOutcome::Cured: Check(expected && Read(file) == expected); break;
      case vsk::CureOutcome::NotAttempted:
      case vsk::CureOutcome::Mismatch:
      case vsk::CureOutcome::StillInfected: Check(Read(file) == bytes); break;
      case vsk::CureOutcome::IncurableDeleted: Check(method == 4 && !fs::exists(file)); break;
      default: std::abort();
    }
  }
  // Nothing is left beside the file but its companion.
  for (const auto& e : fs::directory_iterator(dir))
    Check(e.path().filename() == "s.exe" || e.path().filename() == "s.OVL");
  return 0;
}
