#include "engine/scan/ScanWorkers.h"

#include <system_error>

#include "engine/os/System.h"

namespace vsk {

ScanWorkers::ScanWorkers(const ContentSearch& search, const std::atomic<bool>& running,
                         int helpers)
    : search_(search),
      running_(running),
      size_(kJobsPerThread * static_cast<size_t>(helpers > 0 ? helpers + 1 : 1)),
      jobs_(std::make_unique<Job[]>(size_)) {
  // New threads start at normal priority on Windows; the helpers take the
  // one the program chose for its scan.
  const int priority = os::CurrentThreadPriority();
  threads_.reserve(static_cast<size_t>(helpers > 0 ? helpers : 0));
  for (int i = 0; i < helpers; ++i) {
    try {
      threads_.emplace_back([this, priority] { Work(priority); });
    } catch (const std::system_error&) {
      break;
    }
  }
}

ScanWorkers::~ScanWorkers() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  work_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void ScanWorkers::Add() {
  Job& job = Next();
  job.announced = false;
  // Once added, the job is a helper's until it is done.
  const bool toMatch = job.file.has_value();
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    job.done = !toMatch;
    job.number = added_++;
    wake = toMatch && added_ - claimed_ >= kWakeAt;
  }
  if (wake) work_.notify_one();
}

bool ScanWorkers::OldestDone(bool wait) {
  const Job& job = Oldest();
  std::unique_lock lock(mutex_);
  while (wait && !job.done) {
    if (claimed_ == added_) {
      done_.wait(lock);
      continue;
    }
    // What this thread leaves is for a helper, however few files wait.
    if (added_ - claimed_ > 1) work_.notify_one();
    MatchNext(lock);
  }
  return job.done;
}

void ScanWorkers::MatchNext(std::unique_lock<std::mutex>& lock) {
  const uint64_t number = claimed_++;
  Job& job = jobs_[number % size_];
  // A job done when added may be taken back before any thread claims it,
  // and its place given to a later job: that one is matched at its own turn,
  // by one thread only.
  if (job.done || job.number != number) return;
  lock.unlock();
  job.match = search_.Search(*job.file, &running_, job.identity.inside);
  job.file.reset();
  lock.lock();
  job.done = true;
  done_.notify_one();
}

void ScanWorkers::Work(int priority) {
  os::SetCurrentThreadPriority(priority);
  std::unique_lock lock(mutex_);
  for (;;) {
    work_.wait(lock, [this] { return quit_ || claimed_ < added_; });
    if (quit_) return;
    MatchNext(lock);
  }
}

}  // namespace vsk
