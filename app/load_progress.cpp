#include "app/load_progress.h"

#include <cstdio>

LoadProgress::LoadProgress()
    : start_(std::chrono::steady_clock::now()), watcher_([this] { WatchClock(); }) {}

LoadProgress::~LoadProgress() { StopWatching(); }

void LoadProgress::StopWatching() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
  }
  finished_.notify_all();
  if (watcher_.joinable()) watcher_.join();
}

void LoadProgress::Finish() {
  StopWatching();
  if (showing_) {
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
    std::printf("Loaded in %.1f s\n", elapsed.count());
  }
}

void LoadProgress::Report(const std::string& line) {
  std::lock_guard<std::mutex> lock(mutex_);
  latest_ = line;
  if (showing_) std::printf("%s\n", line.c_str());
}

void LoadProgress::WatchClock() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (finished_.wait_for(lock, std::chrono::seconds(1), [this] { return done_; })) return;
  showing_ = true;
  if (!latest_.empty()) std::printf("%s\n", latest_.c_str());
}
