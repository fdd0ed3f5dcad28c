// The running flag of a scan run, with a cooperative pause: while the
// program asks the user whether to stop, the walk waits at its next file.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace vsk {

class ScanControl {
 public:
  void Start() { Set(true, false); }
  void Stop() { Set(false, false); }
  void Pause() { Set(running_.load(), true); }
  void Resume() { Set(running_.load(), false); }
  bool IsRunning() const { return running_.load(); }
  // For a long read to notice a stop between its pieces.
  const std::atomic<bool>& RunningFlag() const { return running_; }

  // Called by the walk at every file entry: waits while paused, then tells
  // whether to go on.
  bool Continue() {
    if (!paused_.load()) return running_.load();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !paused_.load(); });
    return running_.load();
  }

 private:
  void Set(bool running, bool paused) {
    {
      std::lock_guard lock(mutex_);
      running_.store(running);
      paused_.store(paused);
    }
    changed_.notify_all();
  }

  std::atomic<bool> running_{false};
  std::atomic<bool> paused_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
};

}  // namespace vsk
