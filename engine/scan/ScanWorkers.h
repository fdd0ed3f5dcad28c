// Threads that match files the walk has opened, while the walk goes on;
// the walk takes the results back in the order it handed the files in, so
// what it reports is what one thread would report. The walk's own thread
// matches too whenever it would otherwise wait for a result. A large file
// is matched in parts, by as many threads as are free. The queue has a
// fixed number of places: the walk waits for the oldest result when all are
// taken.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "engine/containers/ContentSearch.h"
#include "engine/os/File.h"
#include "engine/os/System.h"
#include "engine/scan/RowIdentity.h"

namespace vsk {

class ScanWorkers {
 public:
  // One place of the queue, reused. The walk fills it and reads it back
  // once it is done; a helper touches only `file`, `match` and
  // `identity.inside` meanwhile.
  struct Job {
    // A folder that could not be opened or listed, or another row of its
    // own: its text, and whether it counts as skipped.
    bool folder = false;
    const wchar_t* note = nullptr;
    bool skipped = true;
    // A file's folder (ending in a separator) and name, or the folder's own
    // path (the note's) in `folderPath`.
    os::NativeName folderPath;
    os::NativeName name;
    std::optional<os::File> file;  // to be matched; closed once it is
    int match = kMatchClean;
    RowIdentity identity;  // of the file opened
    bool announced = false;  // the walk has shown it as the current file

   private:
    friend class ScanWorkers;
    bool done = false;
    uint64_t number = 0;  // in the order of Add()
    uint64_t bytes = 0;   // counted in waitingBytes_ until claimed
    // A large file is matched in parts, by any threads: those not yet done,
    // and the first part with a result other than clean (parts: none).
    size_t parts = 1;
    size_t partsLeft = 0;
    size_t decided = 0;
  };

  // Starts up to `helpers` threads at the calling thread's priority; fewer
  // when the system refuses more (Helpers() tells how many run).
  ScanWorkers(const ContentSearch& search, const std::atomic<bool>& running, int helpers);
  ScanWorkers(const ScanWorkers&) = delete;
  ScanWorkers& operator=(const ScanWorkers&) = delete;
  // Ends the helpers; files not matched by then are closed unread.
  ~ScanWorkers();

  int Helpers() const { return static_cast<int>(threads_.size()); }
  bool Full() const { return added_ - taken_ == size_; }
  bool Empty() const { return added_ == taken_; }

  // The free place for the next file (not Full()), then Add() hands it
  // over, or matches it at once (kMatchHereBelow).
  Job& Next() { return jobs_[added_ % size_]; }
  void Add();
  // The oldest place not yet taken back (not Empty()).
  Job& Oldest() { return jobs_[taken_ % size_]; }
  // Whether the oldest is done; with `wait`, matches files not yet taken by
  // a helper, or waits, until it is.
  bool OldestDone(bool wait);
  // Frees the oldest place.
  void Take() { ++taken_; }

  // The places a queue gets per matching thread: enough that the walk
  // goes on while a large file ahead is matched. Only the files handed to
  // helpers stay open, at most kHandedMax of them.
  static constexpr size_t kJobsPerThread = 256;
  static constexpr uint64_t kHandedMax = 64;
  // The walk's thread matches a file itself as it is added, when this
  // many bytes handed over wait for a thread and the file is smaller than
  // kMatchHereBelow (or kHandedMax files are handed over): so both threads
  // keep busy, the helpers with the large files, and a small file is not
  // handed over (which costs about what matching it does) while they have
  // enough to do after the file at hand.
  static constexpr uint64_t kBacklogBytes = 512 * 1024;
  static constexpr long long kMatchHereBelow = 256 * 1024;
  // A helper that finds nothing to match looks again this many times
  // before it sleeps (about 0.3 ms), as the next file mostly comes sooner
  // than a wake.
  static constexpr int kLooksBeforeSleep = 10000;

 private:
  void Work(const os::ThreadStart& start);
  // Matches the next job or part no thread has claimed (there is one).
  void MatchNext(std::unique_lock<std::mutex>& lock);
  // Under the lock: whether more than one job or part waits to be claimed.
  bool SeveralWait() const;
  // Under the lock: whether a sleeping helper is to be woken (then one is
  // counted as woken).
  bool Wake();

  const ContentSearch& search_;
  const std::atomic<bool>& running_;
  size_t size_;
  std::unique_ptr<Job[]> jobs_;  // a ring of size_ places
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable work_;  // a job was added, or quit
  std::condition_variable done_;  // a job is done
  // Counts of jobs ever added, claimed whole by a thread and taken back by
  // the walk; only the walk writes added_ and taken_. nextPart_ is the part
  // of job claimed_ to be claimed next.
  uint64_t added_ = 0;
  uint64_t claimed_ = 0;
  size_t nextPart_ = 0;
  uint64_t taken_ = 0;
  bool quit_ = false;
  // Helpers waiting for work_, and how many of them were woken and have
  // not yet run: only one not yet woken is worth a wake.
  int sleeping_ = 0;
  int woken_ = 0;
  // Files handed over and not yet matched, the bytes no thread has claimed
  // yet, and how many files were ever handed over (for a helper to look at
  // without the lock).
  std::atomic<uint64_t> pending_{0};
  std::atomic<uint64_t> waitingBytes_{0};
  std::atomic<uint64_t> handed_{0};
};

}  // namespace vsk
