// Progress of a volume load on stdout, only when the load takes over a
// second: quick loads stay silent, slow ones show what they are doing.
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
  bool done_ = false;
  bool showing_ = false;
  std::string latest_;
  std::thread watcher_;
};
