#include "engine/ScanWorkers.h"

#include <system_error>

namespace vsk {

ScanWorkers::ScanWorkers(const SignatureMatcher& matcher, const std::atomic<bool>& running,
                         int threads)
    : matcher_(matcher),
      running_(running),
      size_(kJobsPerThread * static_cast<size_t>(threads > 0 ? threads : 1)),
      jobs_(std::make_unique<Job[]>(size_)) {
  // New threads start at normal priority on Windows; the helpers take the
  // one the program chose for its scan.
  const int priority = os::CurrentThreadPriority();
  threads_.reserve(static_cast<size_t>(threads));
  for (int i = 0; i < threads; ++i) {
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
  {
    std::lock_guard lock(mutex_);
    job.done = !job.file;
    ++added_;
  }
  if (job.file) work_.notify_one();
}

bool ScanWorkers::OldestDone(bool wait) {
  const Job& job = Oldest();
  std::unique_lock lock(mutex_);
  if (wait) done_.wait(lock, [&] { return job.done; });
  return job.done;
}

void ScanWorkers::Work(int priority) {
  os::SetCurrentThreadPriority(priority);
  std::unique_lock lock(mutex_);
  for (;;) {
    work_.wait(lock, [this] { return quit_ || claimed_ < added_; });
    if (quit_) return;
    Job& job = jobs_[claimed_++ % size_];
    if (job.done) continue;
    lock.unlock();
    job.match = matcher_.MatchOpenFile(*job.file, &running_);
    job.file.reset();
    lock.lock();
    job.done = true;
    done_.notify_one();
  }
}

}  // namespace vsk
