// Facts of the system: the clock, the computer and user names, processors
// and how threads start (posix/ or win32/System.cpp).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <thread>

namespace vsk::os {

struct LocalTime {
  int year, month, day, hour, minute;
};
LocalTime Now();
std::wstring ComputerName();
std::wstring UserName();
// Milliseconds of a monotonic clock.
uint64_t TickCount();
// Processors this process may run on (its affinity, as taskset sets it);
// at least 1.
int UsableProcessors();
// What a thread hands on to the threads it starts: its scheduling priority
// (Windows starts every thread at normal; POSIX threads inherit theirs) and
// the processors it may run on (Linux).
struct ThreadStart {
  int priority = 0;
  std::array<uint64_t, 16> processors{};
};
ThreadStart CurrentThreadStart();
// Keeps a thread just started, before it runs, off the calling thread's
// processor, where it would wait behind the caller until the system moves
// it, milliseconds later (Linux).
void StartAway(std::thread& thread);
// A new thread's first step: the settings of the thread that started it.
void TakeThreadStart(const ThreadStart& start);
// Console output is taken as UTF-8 (Windows; POSIX consoles already are).
void UseUtf8Console();

}  // namespace vsk::os
