#include "engine/scan/ScanWorkers.h"

#include <algorithm>
#include <system_error>

#include "engine/os/System.h"

namespace vsk {

namespace {

// Tells the processor that this is a wait loop.
inline void Pause() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#elif defined(__aarch64__)
  asm volatile("yield");
#endif
}

}  // namespace

ScanWorkers::ScanWorkers(const ContentSearch& search, const std::atomic<bool>& running,
                         int helpers)
    : search_(search),
      running_(running),
      size_(kJobsPerThread * static_cast<size_t>(helpers > 0 ? helpers + 1 : 1)),
      jobs_(std::make_unique<Job[]>(size_)) {
  // The helpers take the priority the program chose for its scan, and do
  // not wait behind this thread to start.
  const os::ThreadStart start = os::CurrentThreadStart();
  threads_.reserve(static_cast<size_t>(helpers > 0 ? helpers : 0));
  // Held until each is moved: a helper takes the settings after that.
  std::lock_guard lock(mutex_);
  for (int i = 0; i < helpers; ++i) {
    try {
      threads_.emplace_back([this, start] { Work(start); });
      os::StartAway(threads_.back());
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
  const uint64_t size = job.file ? static_cast<uint64_t>(std::max(job.file->OpenedSize(), 0LL)) : 0;
  const bool here =
      job.file.has_value() &&
      (pending_.load(std::memory_order_relaxed) >= kHandedMax ||
       (size < kMatchHereBelow && waitingBytes_.load(std::memory_order_relaxed) >= kBacklogBytes));
  if (here) {
    job.match = search_.Search(*job.file, &running_, job.identity.inside);
    job.file.reset();
  }
  // Once added, a job to match is the helpers' until it is done.
  const bool toMatch = job.file.has_value();
  job.parts = toMatch ? search_.Parts(*job.file) : 1;
  if (job.parts > 1) {
    job.match = kMatchClean;
    job.identity.inside.clear();
  }
  job.partsLeft = job.parts;
  job.decided = job.parts;
  int wake = 0;
  {
    std::lock_guard lock(mutex_);
    job.done = !toMatch;
    // A job done already needs no claim when it is the next one.
    if (job.done && claimed_ == added_) ++claimed_;
    job.number = added_++;
    if (toMatch) {
      pending_.fetch_add(1, std::memory_order_relaxed);
      waitingBytes_.fetch_add(size, std::memory_order_relaxed);
      job.bytes = size;
      handed_.fetch_add(1, std::memory_order_release);
      // A sleeping helper for each part, as far as they go.
      for (size_t k = 0; k < job.parts && Wake(); ++k) ++wake;
    }
  }
  for (; wake > 0; --wake) work_.notify_one();
}

bool ScanWorkers::OldestDone(bool wait) {
  const Job& job = Oldest();
  std::unique_lock lock(mutex_);
  while (wait && !job.done) {
    if (claimed_ == added_) {
      done_.wait(lock);
      continue;
    }
    // What this thread leaves is for a helper, however little waits.
    if (SeveralWait() && Wake()) work_.notify_one();
    MatchNext(lock);
  }
  return job.done;
}

bool ScanWorkers::SeveralWait() const {
  if (added_ - claimed_ > 1) return true;
  const Job& job = jobs_[claimed_ % size_];
  return !job.done && job.number == claimed_ && job.parts - nextPart_ > 1;
}

void ScanWorkers::MatchNext(std::unique_lock<std::mutex>& lock) {
  const uint64_t number = claimed_;
  Job& job = jobs_[number % size_];
  // A job done when added may be taken back before any thread claims it,
  // and its place given to a later job: that one is matched at its own turn,
  // by one thread only.
  if (job.done || job.number != number) {
    ++claimed_;
    nextPart_ = 0;
    return;
  }
  const size_t part = nextPart_++;
  if (nextPart_ == job.parts) {
    ++claimed_;
    nextPart_ = 0;
  }
  const uint64_t start = ContentSearch::PartStart(job.bytes, part, job.parts);
  waitingBytes_.fetch_sub(ContentSearch::PartStart(job.bytes, part + 1, job.parts) - start,
                          std::memory_order_relaxed);
  // A part after one with a result need not be read.
  const bool needed = part < job.decided;
  lock.unlock();
  int match = kMatchClean;
  if (job.parts == 1)
    match = search_.Search(*job.file, &running_, job.identity.inside);
  else if (needed)
    match = search_.SearchPart(*job.file, part, job.parts, &running_);
  lock.lock();
  if (job.parts == 1) {
    job.match = match;
  } else if (match != kMatchClean && part < job.decided) {
    job.decided = part;
    job.match = match;
  }
  if (--job.partsLeft > 0) return;
  // The last part: no other thread touches the job now.
  lock.unlock();
  job.file.reset();
  pending_.fetch_sub(1, std::memory_order_relaxed);
  lock.lock();
  job.done = true;
  done_.notify_one();
}

bool ScanWorkers::Wake() {
  if (sleeping_ <= woken_) return false;
  ++woken_;
  return true;
}

void ScanWorkers::Work(const os::ThreadStart& start) {
  std::unique_lock lock(mutex_);
  os::TakeThreadStart(start);
  for (;;) {
    if (!quit_ && claimed_ == added_) {
      const uint64_t seen = handed_.load(std::memory_order_relaxed);
      lock.unlock();
      for (int i = 0; i < kLooksBeforeSleep && handed_.load(std::memory_order_acquire) == seen; ++i)
        Pause();
      lock.lock();
      ++sleeping_;
      work_.wait(lock, [this] { return quit_ || claimed_ < added_; });
      --sleeping_;
      if (woken_ > 0) --woken_;
    }
    if (quit_) return;
    MatchNext(lock);
  }
}

}  // namespace vsk
