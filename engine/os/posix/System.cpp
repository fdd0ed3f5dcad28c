#include <pthread.h>
#include <pwd.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>

#include "engine/os/System.h"
#include "engine/text/Encoding.h"

namespace vsk::os {

LocalTime Now() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  ::localtime_r(&t, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min};
}

std::wstring ComputerName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return FromUtf8(name);
}

std::wstring UserName() {
  if (const passwd* pw = ::getpwuid(::geteuid())) return FromUtf8(pw->pw_name);
  return {};
}

uint64_t TickCount() {
  using namespace std::chrono;
  return static_cast<uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

int UsableProcessors() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
  return std::max(1L, ::sysconf(_SC_NPROCESSORS_ONLN));
}

#ifdef __linux__
static_assert(sizeof(cpu_set_t) == sizeof(ThreadStart::processors));

ThreadStart CurrentThreadStart() {
  ThreadStart start;
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) == 0) std::memcpy(start.processors.data(), &set, sizeof set);
  return start;
}

void StartAway(std::thread& thread) {
  cpu_set_t set;
  CPU_ZERO(&set);
  const int here = ::sched_getcpu();
  if (here < 0 || ::sched_getaffinity(0, sizeof set, &set) != 0) return;
  CPU_CLR(here, &set);
  if (CPU_COUNT(&set) > 0) ::pthread_setaffinity_np(thread.native_handle(), sizeof set, &set);
}

void TakeThreadStart(const ThreadStart& start) {
  cpu_set_t set;
  std::memcpy(&set, start.processors.data(), sizeof set);
  if (CPU_COUNT(&set) > 0) ::sched_setaffinity(0, sizeof set, &set);
}
#else
ThreadStart CurrentThreadStart() { return {}; }
void StartAway(std::thread&) {}
void TakeThreadStart(const ThreadStart&) {}
#endif
void UseUtf8Console() {}

}  // namespace vsk::os
