// Facts of the system: the clock, the computer and user names, processors
// and thread priority (posix/ or win32/System.cpp).
#pragma once

#include <cstdint>
#include <string>

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
// The calling thread's scheduling priority, to hand on to threads it starts
// (Windows starts every thread at normal; POSIX threads inherit theirs).
int CurrentThreadPriority();
void SetCurrentThreadPriority(int priority);
// Console output is taken as UTF-8 (Windows; POSIX consoles already are).
void UseUtf8Console();

}  // namespace vsk::os
