// Progress of a volume load on stdout, only when the load takes over a
// second: quick loads stay silent, slow ones show what they are doing.
// Readers fork while it watches the clock: the watcher is parked before the
// constructor returns and never prints across a fork, so a child never
// inherits a lock (the allocator's, stdio's) held by a thread it lacks.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class LoadProgress {
public:
  LoadProgress();
  ~LoadProgress();
  LoadProgress(const LoadProgress&) = delete;
  LoadProgress& operator=(const LoadProgress&) = delete;

  // The step now under way; printed at once if the load is already slow.
  void Report(const std::string& line);
  // Ends the report of a load that succeeded: "Loaded in N s" if it was slow.
  void Finish();

private:
  void WatchClock();
  void StopWatching();

  const std::chrono::steady_clock::time_point start_;
  std::mutex mutex_;
  std::condition_variable finished_;
  std::condition_variable parked_;
  bool watching_ = false;
  bool done_ = false;
  bool showing_ = false;
  std::string latest_;
  std::thread watcher_;
};
