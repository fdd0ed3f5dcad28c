// read-tree FOLDER: reads every file under FOLDER into one reused 256 KiB
// buffer and prints the byte count. The page-cache read rate that the
// folder-scan benchmark measures the scanner against.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: read-tree FOLDER\n");
    return 2;
  }
  std::vector<char> buffer(256 * 1024);
  unsigned long long total = 0;
  for (const auto& e : std::filesystem::recursive_directory_iterator(argv[1])) {
    if (!e.is_regular_file()) continue;
    const int fd = ::open(e.path().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;) total += n;
    ::close(fd);
  }
  std::printf("%llu\n", total);
  return 0;
}
