#include "app/load_progress.h"

#include <pthread.h>

#include <cstdio>

namespace {

// Held by the watcher while it prints, and by a forking thread across fork().
std::mutex gPrinting;

void RegisterForkGuard() {
  static std::once_flag once;
  std::call_once(once, [] {
    pthread_atfork([] { gPrinting.lock(); }, [] { gPrinting.unlock(); }, [] { gPrinting.unlock(); });
  });
}

}  // namespace

LoadProgress::LoadProgress() : start_(std::chrono::steady_clock::now()) {
  RegisterForkGuard();
  watcher_ = std::thread([this] { WatchClock(); });
  std::unique_lock<std::mutex> lock(mutex_);
  parked_.wait(lock, [this] { return watching_; });
}

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
  watching_ = true;
  parked_.notify_one();
  // The constructor gets the lock back only once this waits.
  if (finished_.wait_for(lock, std::chrono::seconds(1), [this] { return done_; })) return;
  std::lock_guard<std::mutex> printing(gPrinting);
  showing_ = true;
  if (!latest_.empty()) std::printf("%s\n", latest_.c_str());
}
